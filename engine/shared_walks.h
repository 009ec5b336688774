// The walks of one pass on several threads.
//
// The starts are split into runs of consecutive starts, one thread each, and every walk that can
// be walked without knowing the others is walked there (see SharedWalk in fast_walk.h). The walks
// that gave up are put back once all have ended and walked again, one after another in the order of
// their starts. Their outcome is that of walking every start in order: a walk that depends on
// another (they share a line, or a group that one runs through or takes) has given up, and so has
// that other one.
#pragma once

#include <vector>

#include "engine/fast_walk.h"
#include "engine/groups.h"
#include "engine/length.h"
#include "engine/point_updates.h"
#include "engine/walk_grids.h"

// Starts a run of shared walks is worth from; fewer, and the pass walks them in order.
inline constexpr std::size_t kStartsPerThread = 16;

// The ends of the walks of a pass, one entry per start, in lists side by side so that the lists
// of the pass report are made of them in place: points 0 for a start that started no walk (an
// earlier walk of the pass took it).
struct PassEnds {
    std::vector<int> points;       // pixels recorded, the last included
    std::vector<double> length;    // metres
    std::vector<char> counted;     // 1: stopped on a junction, a junction group or the border
    std::vector<PixelIndex> last;  // the last pixel recorded
    std::vector<int> group;        // its junction group, as WalkEnd::group
    long long erased = 0;          // network pixels the walks erased from tab1

    explicit PassEnds(std::size_t starts)
        : points(starts, 0),
          length(starts, 0.0),
          counted(starts, 0),
          last(starts, 0),
          group(starts, -1) {}
    // The end of the walk of start s (not its erased pixels).
    void set(std::size_t s, const WalkEnd& e, int nb_col) {
        points[s] = e.points;
        length[s] = e.length;
        counted[s] = e.counted ? 1 : 0;
        last[s] = static_cast<PixelIndex>(e.last_i) * nb_col + e.last_j;
        group[s] = e.group;
    }
};

// The walks of pass k from `starts` (row-major) on up to `threads` threads: for every start, the
// end of its walk, or no walk. With `traces`, each walk's trace goes to the entry of its start.
// With one thread, on grids with a points image (step images), and with traces, the walks go in
// order on one thread.
PassEnds walk_pass(const WalkGrids& g, Groups& groups, const std::vector<Start>& starts, int k,
                   const StepLengths& d, int threads, std::vector<WalkTrace>* traces = nullptr);
