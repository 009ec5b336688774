// A whole grid written as an ASCII grid file (the codec is ascii_grid.h).
#pragma once

#include <functional>

#include "base/byte_grid.h"
#include "base/file.h"

// Writes the header and every line of the grid, then closes f (f is empty afterwards, whatever
// happened). progress, when given, is called with the line number before every hundredth line
// (100, 200, ...): a large grid takes a while. True when every byte reached the file; false also
// for an empty f.
bool write_ascii_image(File& f, const ByteGrid& grid, int nb_lig, int nb_col, double x_min,
                       double y_min, double cellsize, const std::function<void(int)>& progress);
