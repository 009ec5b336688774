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
#include "engine/pixel_index.h"
#include "engine/walk_grids.h"

struct WalkEnd {
    double length = 0.0;  // metres
    int points = 0;       // pixels recorded, the last included; 0: no walk
    int last_i = 0;       // the last pixel recorded
    int last_j = 0;
    int erased = 0;        // network pixels this walk erased from tab1
    bool counted = false;  // stopped on a junction, a junction group or the border
    // The junction group of the stop pixel, or -1: none, or a stop on the border (never looked up).
    int group = -1;
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

// The tab5 value of a start of a pass whose walks run on several threads, until its walk
// labels it (never an order, never "no order" 255).
inline constexpr unsigned char kStartMark = 254;

// A pixel a shared walk stepped on, with the tab5 value it found there.
struct LoggedStep {
    PixelIndex at = 0;
    unsigned char old = 255;
};
using StepLog = std::vector<LoggedStep>;

// A walk on its way, in order or shared: the pixel it is on, the one before it, and what it has
// summed and counted so far.
struct WalkState {
    int ic = 0;  // the pixel it is on
    int jc = 0;
    int prev_i = 0;
    int prev_j = 0;
    double dist_tot = 0.0;
    bool free_step = false;  // just out of a group: the next step is no stop
    int group_points = 0;    // points recorded on pixels of groups
    int group_erased = 0;    // group pixels erased
    WalkEnd end;             // its points so far; complete once it has ended
};

// A walk of pass k from an end point, or from a junction group with one line left, as one of the
// walks of the pass that go at once on several threads, the starts of the pass marked with
// kStartMark (every network pixel of a group start). The walks of a pass share nothing but the
// junctions where they stop, unless a line has a start at both ends, or leads to a junction group
// that is taken or run through: there the outcome depends on the order of the walks. So a shared
// walk gives up where it steps towards another start, reaches a group with one line left (a start
// of the pass itself), finds a group with two lines left already taken by another walk or its other
// line gone, or runs out of network; a walk that runs through a group holds it (Group::claim)
// until the round is over, and a walk that then reaches it gives up. Its log then holds the
// pixels it stepped on or erased, with their tab5 values as it found them, for the caller to put
// back (tab1 to the network value, tab5 to that value unless it is k, which a walk that logged
// the same pixel after another one found) once every walk of the round has ended, with the
// groups it claimed (not gone, claim 0), and to walk again in order. A walk that ends is the one
// that walking the starts in order gives.
struct SharedWalk {
    WalkState state;
    std::vector<int> claimed;  // groups run through, and the group a group start takes
    StepLog log;
};

enum class WalkStep { going, ended, gave_up };

// Starts the shared walk w from the end point (i, j) (not a group).
void start_shared_walk(const WalkGrids& g, int k, int i, int j, SharedWalk& w);
// Starts the shared walk w from the junction group `group` with one line left, which leaves at
// its pixel (i, j): it takes the group, whose network pixels are marked kStartMark, and holds it as
// a group it ran through (no other walk of the pass can reach it: they give up at its marks, and at
// a group with one line left).
void start_shared_group_walk(const WalkGrids& g, Groups& groups, int k, int group, int i, int j,
                             SharedWalk& w);
// Walks w until it ends or gives up: WalkStep::ended or WalkStep::gave_up.
WalkStep shared_walk(const WalkGrids& g, Groups& groups, int k, const StepLengths& d,
                     SharedWalk& w);
