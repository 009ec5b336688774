// The points image kept up to date from pass to pass instead of being made anew.
//
// A pass erases only pixels that had one or two network neighbours, and the walk through such a
// pixel goes on to its other neighbour, so the only pixels left in tab1 that lose neighbours in a
// pass are the code-3 pixels on which its walks stopped. Recomputing their codes after the pass
// therefore gives exactly the points image that a full classification would give, and the end
// points of the next pass are among them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RunState;

// A pixel as one number, line * nb_col + column: sorting gives the row-major order.
using PixelIndex = std::int64_t;

// Classifies every interior pixel; returns the end points in row-major order. The points image
// tab2 is kept only when it exists, that is when step images are saved: nothing else reads it.
std::vector<PixelIndex> classify_all(RunState& s);

// Gives code 3 to the network pixels on the border and returns the text that names them, in the
// order of a row-major scan, once for its line and once for its column (a corner twice). Border
// pixels are never erased, so the same text serves every pass.
std::string mark_border_once(RunState& s);

// Recomputes the codes of the pixels on which walks stopped and returns those that became end
// points, in row-major order, each once.
std::vector<PixelIndex> reclassify_stops(RunState& s, const std::vector<PixelIndex>& stops);
