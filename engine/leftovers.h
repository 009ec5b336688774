// What a run to the end of the network leaves in tab1, and why.
//
// Passes erase every line that ends somewhere; what is left is the border pixels, the lines
// between border pixels (which no pass starts), and whatever hangs on a closed loop, which no
// pass can ever prune. A part of the network that touches the border nowhere is either left
// whole around a loop or a junction, or its last line was walked to its far end (a walk that ran
// out of network, which the pass loop counts).
#pragma once

#include <vector>

#include "engine/left_graph.h"
#include "engine/pixel_index.h"
#include "engine/walk_grids.h"

struct Leftovers {
    std::vector<PixelIndex> loop_pixels;  // pixels left on closed loops, row-major
    long long loop_parts_pixels = 0;      // pixels left in parts that hold a closed loop
    int borderless_parts = 0;             // parts left that touch the border nowhere
    LeftGraph graph;                      // the pixels left and their links
};

// Looks at the network pixels left in tab1 (their links are those of the network as loaded),
// on up to `threads` threads.
Leftovers find_leftovers(const WalkGrids& g, int threads = 1);
