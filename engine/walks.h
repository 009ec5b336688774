// What the walks of one pass leave for the pass report: one entry per walk, in the row-major
// order of the walks' start points (walk number = index + 1).
#pragma once

#include <cstddef>
#include <vector>

#include "engine/pixel_index.h"

struct PassWalks {
    int segm_order = 0;              // walks of the pass so far
    std::vector<int> segm_points;    // pixels recorded by the walk, its last pixel included
    std::vector<double> segm_dist;   // length of the walk, metres
    std::vector<char> segm_counted;  // 1: the walk ended on a junction or border pixel (code 3)
    // The pixels each walk recorded, in walk order, when the front end asks for them.
    std::vector<std::vector<PixelIndex>> segm_path;
};

// The segments of the pass: its walks that ended on a junction or border pixel.
inline int counted_walks(const PassWalks& w) {
    int n = 0;
    for (char counted : w.segm_counted) n += counted != 0;
    return n;
}

// The pass total, metres: the lengths of the walks that ended on a junction or border pixel,
// summed in walk order, the order in which the report lists them.
inline double counted_length(const PassWalks& w) {
    double total = 0.0;
    for (std::size_t walk = 0; walk < w.segm_dist.size(); ++walk) {
        if (w.segm_counted[walk]) total += w.segm_dist[walk];
    }
    return total;
}
