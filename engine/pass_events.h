// How the engine reports its passes to the front end that runs it. The engine prints nothing,
// waits for nothing and writes no file: each front end fills this interface with its own texts,
// key waits, step images and report lines.
#pragma once

#include <string>
#include <vector>

#include "engine/walks.h"

struct PassEvents {
    virtual ~PassEvents() = default;

    // Pass k (1 to 63) has classified its points (tab2, when kept, is complete) and is about to
    // walk. border_text names every network pixel on the image border, "\n\ttab2[i][j] = 3 "
    // each, in row-major order, once for its line and once for its column (a corner twice); it
    // is the same in every pass.
    virtual void pass_begins(int k, const std::string& border_text) = 0;

    // Pass k has walked: w holds one entry per walk (its segments: counted_walks(w), their
    // total: counted_length(w)), and the network grid holds the network left.
    virtual void pass_ends(int k, const PassWalks& w) = 0;

    // Whether the walks' pixels are wanted: then every PassWalks carries segm_path and
    // network_done is called once the passes are over.
    virtual bool wants_paths() const { return false; }

    // After the last pass, for every segment in the order of the reports (the counted walks of
    // pass 1 in walk order, then those of pass 2, ...): the index, in that same order, of the
    // segment it flows into, or -1 for none (an outlet on the border, or a stream whose
    // downstream no pass reached).
    virtual void network_done(const std::vector<long long>& flows_into) {
        static_cast<void>(flows_into);
    }

    // How far a run of the passes has got, for a front end that shows progress: after each of
    // its passes, the share (0 to 1) of the interior network pixels that the run has erased, and
    // 1 once the run is over (loops and lines between border pixels are never erased). Run 1 is
    // the run to the end of the network; runs 2 and 3 follow when the network is put back
    // (closed loops found, or the passes shown one by one). Called from the engine's thread.
    virtual void progress(int run, double share) {
        static_cast<void>(run);
        static_cast<void>(share);
    }
};
