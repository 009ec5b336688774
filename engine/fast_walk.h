// One walk of the program's engine: traced, labelled, erased and measured in a single pass over
// its pixels.
//
// The length of a walk counts half-steps to every pixel of the network as loaded. That network
// is tab1's network pixels plus the pixels that walks have erased, and every erased pixel
// carries its order in tab5, because each walk writes its labels straight into tab5 before it
// erases. So the walk reads the loaded network from tab1 and tab5 and needs neither the copy
// `tab` nor the per-pass labels `tab4`.
#pragma once

#include <vector>

#include "engine/length.h"

struct WalkGrids {
    unsigned char** tab1;  // network left; 255 where erased
    unsigned char** tab2;  // points of the pass, or null; a walk resets its start point's code
    unsigned char** tab5;  // orders so far; 255 where no walk has been
    int net;               // network value, or -1 (matches no byte)
    int nb_lig;
    int nb_col;
};

struct WalkEnd {
    int points = 0;        // pixels recorded, the last included
    double length = 0.0;   // metres
    bool counted = false;  // stopped on a code-3 pixel
    int last_i = 0;        // the last pixel recorded
    int last_j = 0;
};

// Walks from the end point (i, j) with order k, exactly as the plain engine's walk followed by
// its measurement, and returns what the pass report needs.
WalkEnd fast_walk(const WalkGrids& g, int k, int i, int j, const StepLengths& d);
