// The pass loop over the network: pass k starts a walk at every start that the pass before
// left (end points, and junction groups with one line left), labels with k what the walks
// trace, and reclassifies the pixels where they stopped.
#pragma once

#include <functional>
#include <vector>

#include "engine/groups.h"
#include "engine/length.h"
#include "engine/point_updates.h"
#include "engine/walk_grids.h"
#include "engine/walks.h"

// Called around every pass of a run that is shown: before the walks of pass k, and after them
// with the walks of the pass.
struct PassHooks {
    std::function<void(int k)> begins;
    std::function<void(int k, const PassWalks& w)> ends;
};

struct PruneRun {
    std::vector<PassWalks> passes;  // [k - 1]: the walks of pass k
    long long erased = 0;           // network pixels erased by all the walks
    int ran_out = 0;                // walks that ran out of network: the last of a part with no
                                    // border pixel
    bool used_up = false;           // no start was left after the last pass
    // With paths kept: for every counted walk in report order, the index of the counted walk it
    // flows into (the later walk that starts from, runs through or takes its stop pixel), or -1.
    std::vector<long long> flows_into;
    // Without hooks: [k - 1], the stop pixels of the counted walks of pass k.
    std::vector<std::vector<PixelIndex>> stops;
};

// Runs passes 1 to `last`. With hooks, every pass runs and is shown; without, the run stops as
// soon as a pass has no start (the network is used up). With keep_paths, every PassWalks
// carries its walks' pixels and the run tells where each segment flows. The walks of a pass go
// on up to `threads` threads (see shared_walks.h).
// After each pass, `erased` (when given) is called with the pixels the run has erased so far.
PruneRun prune(const WalkGrids& g, Groups& groups, std::vector<Start> starts, int last,
               const StepLengths& d, const PassHooks* hooks, bool keep_paths = false,
               int threads = 1, const std::function<void(long long)>* erased = nullptr);

// Leaves the labels of tab5 as passes 1 to `last` of the run alone would have left them: the
// pixels that later passes labelled are unlabelled, but for the stop pixels of passes up to
// `last`, which keep the label of the last of those passes that stopped on them. tab1 is left
// as the run left it. Bands of lines go on up to `threads` threads.
void forget_passes_after(const WalkGrids& g, const PruneRun& run, int last, int threads = 1);

// Puts every pixel that a walk labelled back into tab1 and clears the labels of tab5: the
// network as loaded, ready for another run. Bands of lines go on up to `threads` threads.
void restore_network(const WalkGrids& g, int threads = 1);
