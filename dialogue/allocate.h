// The working grids of the dialogue, each of the image's size.
#pragma once

#include "base/byte_grid.h"

struct Console;
struct RunState;

// A new grid of nb_lig lines and nb_col columns, its cells unset: every grid of a run is filled
// whole before it is read (the network by its reader, the result and the points by the engine).
// When the memory cannot be had, the input stream is closed, the files begun by the output set-up
// are removed and the run ends (status 1) with "Not enough memory for <what> of N lines and M
// columns".
ByteGrid allocate_grid(RunState& s, Console& c, const char* what);
