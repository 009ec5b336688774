// The order engine as a plain sequence of whole-grid scans in every pass: the reference for the
// faster `treatment`, which must give the same console text, report and images byte for byte.
#pragma once

struct Console;
struct RunState;

// It needs all five grids, tab and tab4 included, which the driver does not make.
void plain_treatment(RunState& s, Console& c);
