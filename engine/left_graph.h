// The network pixels a run of the passes left in tab1, numbered in row-major order, and their
// links (those of the network as loaded) to one another: what the leftovers and the stems left
// below a stalled group are read from.
#pragma once

#include <cstddef>
#include <vector>

#include "engine/pixel_index.h"
#include "engine/pixel_map.h"
#include "engine/walk_grids.h"

struct LeftGraph {
    PixelMap index;                  // keys: the pixels, row-major; pixel a is keys[a]
    std::vector<std::size_t> first;  // links of pixel a: to[first[a] .. first[a + 1])
    std::vector<int> to;             // in the neighbour order (neighbours.h)
    const std::vector<PixelIndex>& pixels() const { return index.keys; }
};

// The graph of the pixels left in tab1, found and linked in bands on up to `threads` threads; the
// same for every number of threads.
LeftGraph left_graph(const WalkGrids& g, int threads = 1);
