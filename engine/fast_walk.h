// One walk of the program's engine: traced, labelled, erased and measured in a single pass over
// its pixels.
//
// The length of a walk counts half-steps to every linked pixel of the network as loaded (see
// links.h). That network is tab1's network pixels plus the pixels that walks have erased, and
// every erased pixel carries its order in tab5, because each walk writes its labels straight
// into tab5 before it erases. So the walk reads the loaded network from tab1 and tab5 and needs
// neither the copy `tab` nor the per-pass labels `tab4`.
#pragma once

#include <vector>

#include "engine/groups.h"
#include "engine/length.h"
#include "engine/walk_grids.h"

struct WalkEnd {
    int points = 0;        // pixels recorded, the last included
    double length = 0.0;   // metres
    bool counted = false;  // stopped on a junction, a junction group or the border
    int last_i = 0;        // the last pixel recorded
    int last_j = 0;
    long long erased = 0;  // network pixels this walk erased from tab1
};

// What a walk covers, kept when the front end wants the segments' pixels: the pixels it
// recorded, in walk order, and the other pixels of the junction groups it took.
struct WalkTrace {
    std::vector<PixelIndex> path;
    std::vector<PixelIndex> groups;
};

// Walks from the end point (i, j) with order k, or, when `group` is not negative, from that
// junction group, whose line leaves at its pixel (i, j); returns what the pass report needs.
// On a drawing without junction groups this is exactly the plain engine's walk followed by its
// measurement. Groups that the walk runs through or starts from are erased and marked gone.
// The trace is filled when it is given.
WalkEnd fast_walk(const WalkGrids& g, Groups& groups, int k, int i, int j, int group,
                  const StepLengths& d, WalkTrace* trace = nullptr);
