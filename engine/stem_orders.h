// Orders for the stems that the passes leave: what a hydrologist would rather have than no order.
//
// Where channels touch (ladders of closed diamonds, a tributary running beside the stem, blocks
// of channel pixels on flats) the passes can stall at a junction group that never has one line
// left, and every pixel below it, down to the border, stays without an order. Such a leftover
// part that reaches the border is ordered as a tree: its loops are broken by a shortest linked
// path from its border pixels (breadth first), the streams the passes brought to it enter where
// their walks stopped, with their orders, and Strahler's rule runs up that tree (the highest
// order coming in, one more where two or more bring it). Branches of the tree that no stream
// enters are pieces of broken loops, not sources: they take the order of the pixel they hang on.
// A leftover part that touches the border nowhere, or that no stream enters (a ring no line
// leaves), keeps no order, as before, and is counted as the passes left it.
#pragma once

#include <vector>

#include "engine/left_graph.h"
#include "engine/pixel_index.h"
#include "engine/walk_grids.h"

struct StemOrder {
    PixelIndex at = 0;
    unsigned char order = 0;
};

// From the state a run to the end of the network left in tab1 and tab5, the graph of the pixels
// it left, and the stop pixels of its counted walks (stops[k - 1]: those of pass k): the order of
// every pixel the run left in the network on a part that reaches the border and that a stream
// enters, in row-major order. Nothing when the run left no unlabelled pixel.
std::vector<StemOrder> order_left_stems(const WalkGrids& g, const LeftGraph& left,
                                        const std::vector<std::vector<PixelIndex>>& stops);

// Writes the orders up to `last` into tab5 (tab1 is left as the passes left it).
void apply_stem_orders(const WalkGrids& g, const std::vector<StemOrder>& orders, int last);
