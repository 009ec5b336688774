// The network read as the cells of a flow grid (channels drawn one cell per pixel from flow
// directions and a threshold on the area drained): every network pixel drains to one of its eight
// neighbours, or out of the image. Where channels touch, which neighbour that is cannot be read
// from the links of the drawing (links.h): two channels side by side, a tributary running beside
// its stem, blocks on filled flats all make closed loops and extra junctions. This reading
// chooses one neighbour for every pixel, so that the network becomes a forest whose passes
// (forest_passes.h) leave no pixel without an order.
#pragma once

#include <vector>

#include "engine/pixel_index.h"
#include "engine/walk_grids.h"

struct FlowForest {
    // The network pixels of tab1, in row-major order; a pixel's slot is its place here.
    std::vector<PixelIndex> pixels;
    // parent[slot]: the slot of the neighbour the pixel drains to, or -1 for a root. Every
    // pixel on the image border or beside an outside cell (WalkGrids::on_border) is a root, and
    // the one pixel chosen for each part that has none.
    std::vector<int> parent;
    int borderless_parts = 0;  // parts touching the border nowhere
};

// Strahler's order of every slot of a forest given by its parents (1 where nothing drains in,
// the highest order draining in, plus one where two or more bring it; at most 63), or 0 for a
// slot on a cycle of parents.
std::vector<unsigned char> forest_orders(const std::vector<int>& parent);

// Reads the forest of the network left in tab1 (the network value; nothing erased yet).
FlowForest read_flow_forest(const WalkGrids& g);
