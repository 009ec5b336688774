// Border marking of the reference engine, done anew in every pass.
#pragma once

#include <string>

struct RunState;

// Gives code 3 in tab2 to every network pixel on the border and returns the text that names it,
// "\n\ttab2[i][j] = 3 ", once for its line and once more for its column, so that a corner pixel
// is named twice.
std::string mark_border(RunState& s);
