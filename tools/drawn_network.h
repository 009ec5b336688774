// Drawn networks: a random tree of straight strokes as people draw rivers by hand, with the
// truth of every pixel.
//
// The tree grows from an outlet on the image border. Each new stroke runs from a new source to
// the nearest point of the strokes already drawn (a T junction, square onto a straight trunk) or
// to a point a few pixels further down (small angles: the two strokes run side by side for a few
// pixels), or the tip of a stroke forks in two (a Y). Strokes touch only where they join; every
// pixel but the outlet stays at least 2 pixels from the border. Optional braids replace a
// stretch of a stroke by two arcs between the same two pixels (a small closed loop of the same
// stream). Optional sharp V bends draw a joining stroke in two arms that meet at 35..55 degrees;
// optional U-turns fold a joining stroke back onto itself, touching at the neck of the loop.
//
// Every confluence joins two streams, and confluences (and braids) lie 16 pixels apart or more,
// so that each is drawn as one blob of touching pixels of its own. Three streams meeting at one
// point are not drawn: in a raster they cannot be told from two confluences a pixel apart, whose
// orders differ (1 and 1 meeting 2 at one point make 2; 1 and 1 first, then 2, make 3).
//
// Truth: a pixel drawn by one piece of the tree (a stroke between two nodes, or one arc or
// straight part of a braided piece) and 8-adjacent to no pixel of another piece takes the
// Strahler order of that piece (the pixels where the two arms of a V, or the two ends of a
// U-turn, touch are of one piece: scored); every other network pixel is kJunctionZone.
//
// The same options give the same network and truth on every machine.
#pragma once

#include <cstdint>

#include "tools/truth_network.h"

struct DrawnOptions {
    int nb_lig = 300;
    int nb_col = 300;
    std::uint64_t seed = 1;
    // Wanted first-order streams; 0: one per 750 pixels give or take a sixth, 100..140 at
    // 300 x 300. Fewer are drawn when the image has no room left for them.
    long long sources = 0;
    bool four_connected = false;  // stair-step strokes instead of 8-connected ones
    int braids = 0;               // closed loops wanted; fewer when no stroke has room
    // Percent (0..100) of the joining strokes drawn as a sharp V: from the source a short arm
    // runs to a bend, where the stroke turns back at 35..55 degrees towards its attach point;
    // the bend's pixel touches both arms, as where two drawn strokes meet at a sharp angle.
    int vbends = 0;
    // Percent (0..100) of the joining strokes (not drawn as a V) with a U-turn that touches: a
    // meander that folds back onto itself, its two ends touching at the neck.
    int uturns = 0;
    unsigned char network_value = 0;
    unsigned char background = 255;  // must differ from network_value
};

// Throws std::invalid_argument when a size lies outside 16..65536, the size product exceeds
// 2^31, sources or braids are negative, vbends or uturns lies outside 0..100, or the two values
// are equal.
TruthNetwork generate_drawn_network(const DrawnOptions& options);
