// The part of a network that no pass can prune, measured before a run.
//
// Passes erase lines from their ends inwards; what a run to the end of the network cannot
// erase is what is left when every pixel with one linked neighbour left (an end point) is taken
// away again and again: the closed loops, the lines between them, and the lines between border
// pixels (which are never erased). On a stream network that is a small share of the network;
// on a raster that is all network, or a grid of lines (a fishnet), it is the whole of it, and
// the engine's lists of loops, junction groups and leftovers hold every one of those pixels,
// some 100 bytes each. Counting it first lets a front end refuse such a raster before any of
// those lists is made.
#pragma once

#include "engine/walk_grids.h"

struct NetworkCore {
    long long network = 0;  // network pixels of tab1
    // Of those, the pixels left once every end is pruned away: counted whole when that is
    // more than nine tenths of the network. Otherwise the pruning stops as soon as a tenth of
    // the network is gone, and this is what was left then (more than the core).
    long long core = 0;
};

// Counts on the network as loaded: tab1 nothing erased, tab5 all 255. Both are left as they
// were found (the pruning marks pixels as walks do, erased in tab1 and labelled in tab5, and
// puts them back, one by one). The scan for end points goes in bands of lines on up to
// `threads` threads; the pruning itself keeps a stack of pixels, no larger than the end points
// found, and the list of the pixels pruned.
NetworkCore network_core(const WalkGrids& g, int threads = 1);
