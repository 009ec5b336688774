// Closed loops found before any pass has run, from the squares of four and the holes they go
// round.
//
// The links of a drawing (links.h) never cross, so they cut the plane into faces: the outside,
// the unit squares whose four corners are network pixels, and one face for every set of
// background cells joined along their sides (cells beyond the image belong to the outside). A
// face of background other than the outside is a hole. A link lies on a closed loop exactly when
// the faces on its two sides differ; so a pixel lies on a closed loop exactly when it is a
// corner of a square of four network pixels or has a link with a hole on one side and another
// face on the other.
#pragma once

#include <vector>

#include "engine/pixel_index.h"
#include "engine/walk_grids.h"

// The pixels on closed loops of the network in tab1 (the network as loaded: nothing erased),
// row-major, each once: the corners of the squares of four network pixels, and the pixels with
// a link between a hole and another face. The background is labelled by runs of cells in one
// scan of tab1 (two when a hole is too tall for the lines kept and the runs left unsettled are
// too many to keep), in bands of lines on up to `threads` threads; the result is the same for
// every number of threads.
std::vector<PixelIndex> closed_loops(const WalkGrids& g, int threads = 1);
