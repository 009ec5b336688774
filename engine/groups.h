// Junction groups: places where the drawing does not meet at one pixel.
//
// A group is a connected set of pixels that acts as one junction: junction pixels (three or
// more linked neighbours in the network as loaded) that touch each other, at a side or a corner
// (when the corner is cut, the network pixel that cuts it joins them), together with every pixel
// on a closed loop (a braid, a block of pixels two wide) and the junction pixels next to it. A
// junction pixel alone, on no loop, is no group: it keeps the rules of a single-pixel junction.
//
// The passes treat a group as one node. A walk that reaches it stops on the first group pixel it
// meets while three or more lines still leave the group; it runs through the group, from the
// pixel it entered to the pixel where the one other line leaves, when two lines are left; and a
// group with one line left starts a walk of the next pass at the pixel where that line leaves.
// Walks that run through a group or start from it label every pixel of the group with their
// order, which is the order of the stream that leaves the junction downstream.
#pragma once

#include <vector>

#include "engine/pixel_index.h"
#include "engine/pixel_map.h"
#include "engine/walk_grids.h"

// Where a line leaves a group: the group pixel and its linked neighbour outside the group.
struct GroupExit {
    PixelIndex inside = -1;
    PixelIndex outside = -1;
};

struct Group {
    std::vector<PixelIndex> pixels;  // row-major order
    int first = 0;                   // its first pixel's place in Groups::linked
    std::vector<GroupExit> links;    // every link to a pixel outside, by outside pixel
    int degree = 0;                  // lines leaving the group at the start of the pass
    bool border = false;             // holds a pixel on the image border: never a start
    bool loop = false;               // holds a closed loop
    bool gone = false;               // erased by a walk
    // Taken by the shared walk of a pass that runs through the group (see fast_walk.h), through
    // an atomic reference; 0 between passes.
    int claim = 0;
};

struct Groups {
    PixelMap of;  // group pixel -> index in list
    std::vector<Group> list;
    // The links in the network as loaded (links.h), which no pass changes, of every group's
    // pixels, group by group in the order of their pixels: group g's from list[g].first on.
    std::vector<unsigned char> linked;
    bool empty() const { return list.empty(); }
};

// The groups of the loaded network, from the junction pixels that touch another junction pixel,
// the network pixels `between` two of them touching diagonally (as the classification lists
// them, some twice) and the pixels on closed loops (a junction pixel linked to a loop pixel
// touches it, since that pixel has two links on the loop besides). Each group's degree is
// counted. The work is shared by up to `threads` threads, in bands of lines; the groups are the
// same for every number.
Groups make_groups(const WalkGrids& g, const std::vector<PixelIndex>& junctions,
                   const std::vector<PixelIndex>& between,
                   const std::vector<PixelIndex>& loop_pixels, int threads = 1);

// Counts the network pixels left in tab1 outside the group that are linked to a pixel of it,
// each once, and gives one of the exits (the first in row-major order of the outside pixel).
// kShared: read as walks on several threads read (see byte_reads.h).
template <bool kShared = false>
int count_exits(const WalkGrids& g, const Groups& groups, int group, GroupExit* exit);

// The places in the group's pixels of a shortest linked path inside the group from the pixel
// `from` to the pixel `to`, both included (the first found in the neighbour order where several
// are as short), read from the links kept with the groups; from's place alone when `to` is not
// in the group, nothing when `from` is not.
std::vector<int> path_through(const Groups& groups, int group, int nb_col, PixelIndex from,
                              PixelIndex to);
