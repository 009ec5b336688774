// The points of every pass kept up to date instead of being made anew.
//
// A pass erases only pixels that had one or two linked neighbours (or a whole junction group),
// and the walk through such a pixel goes on to its other neighbour, so the only pixels left in
// tab1 that lose neighbours in a pass are the junction pixels on which its walks stopped.
// Recomputing their codes after the pass therefore gives exactly the points that a full
// classification would give, and the end points of the next pass are among them.
#pragma once

#include <string>
#include <vector>

#include "engine/groups.h"
#include "engine/pixel_index.h"
#include "engine/walk_grids.h"

// What the first classification finds.
struct Classified {
    std::vector<PixelIndex> ends;  // interior end points, row-major
    // Junction pixels (three or more linked neighbours) that touch another junction pixel: the
    // seeds of the junction groups. A junction pixel alone is a plain junction.
    std::vector<PixelIndex> touching_junctions;
    // The network pixels, junction pixels left out, that cut the corner between two junction
    // pixels touching diagonally: they join the junctions' group. Some are listed twice.
    std::vector<PixelIndex> between_junctions;
    long long interior_pixels = 0;  // interior network pixels
    // Whether an interior network pixel has a corner neighbour that is not linked to it (see
    // links.h): only then do the walks need to look for cut corners.
    bool cut_corners = false;
};

// Classifies every interior pixel of the network as loaded (nothing erased yet), in bands of
// lines on up to `threads` threads; the lists are the same for every number of threads. The
// points image tab2 is filled only when it exists, that is when step images are saved.
Classified classify_all(const WalkGrids& g, int threads = 1);

// Gives code 3 in the points grid (g.tab2, when there is one) to the network pixels on the border
// and returns the text that names them, in the order of a row-major scan, once for its line and
// once for its column (a corner twice); then marks the network pixels beside a cell outside the
// image. Border pixels are never erased, so the same text serves every pass.
std::string mark_border_once(const WalkGrids& g);

// A start of a pass: an end point, or a junction group with one line left, which starts at the
// pixel where that line leaves it.
struct Start {
    PixelIndex at = 0;
    int group = -1;
    bool operator<(const Start& o) const { return at < o.at; }
};

// The starts of the first pass: the end points and the groups with one line.
std::vector<Start> first_starts(const Classified& c, Groups& groups, const WalkGrids& g);

// Recomputes the codes of the pixels on which walks stopped (and the lines left to their
// groups: stop_groups[s], the group of stop s as its walk found it, -1 for none or a stop on the
// border) and returns the starts of the next pass, in row-major order, each once. The codes are
// worked out on up to `threads` threads.
std::vector<Start> reclassify_stops(const WalkGrids& g, Groups& groups,
                                    const std::vector<PixelIndex>& stops,
                                    const std::vector<int>& stop_groups, int threads = 1);
