// What the command line keeps of every pass of the engine: the segments of each pass in the
// order of the report, where each flows, and the step images when they are asked for. The
// report, the CSV, the summary and the console line are all written from this record.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/pass_events.h"
#include "engine/pixel_index.h"

struct NetworkRun;

// One segment: a walk that ended on a junction or border pixel.
struct TracedSegment {
    int pass = 0;               // the pass that traced it, which is its Strahler order
    int number = 0;             // its number in the block of its pass in the report, from 1
    int points = 0;             // pixels, its last (junction or border) pixel included
    double length = 0.0;        // metres
    PixelIndex first = -1;      // line * nb_col + column of its first and last pixel; -1 when the
    PixelIndex last = -1;       // pixels were not kept
    long long flows_into = -1;  // index in OrderRecord::segments of the segment below, or -1
    std::vector<PixelIndex> path;  // every pixel in walk order, when the paths are kept whole
    // After join_segments (network_links.h): the pixels from the last one to the line below,
    // when the segment below took the junction group of the last pixel without walking it.
    std::vector<PixelIndex> to_below;
};

struct PassRecord {
    int k = 0;
    int segments = 0;               // counted walks
    double total = 0.0;             // metres, summed in walk order as the report sums them
    std::size_t first_segment = 0;  // index of its first segment in OrderRecord::segments
    bool steps = false;             // step images were saved (or tried)
    bool points_saved = false;
    bool segments_saved = false;
    std::string points_image;
    std::string segments_image;
};

struct OrderRecord {
    std::vector<PassRecord> passes;  // passes 1 to the last one kept
    // In blocks rather than one array: a network's hundreds of thousands of segments are never
    // copied to a larger array as they come, which would hold both at once.
    std::deque<TracedSegment> segments;
};

struct PassRecorder final : PassEvents {
    // until_used_up: keep the passes up to the last one that walked, and drop the rest (they
    // find nothing to walk). The step images are saved when s.save_step is 1, named after
    // s.nomim_step. keep_pixels: every segment keeps its pixels (and so its ends) and where it
    // flows, for the segments table, the vector files and lengths measured on the map.
    PassRecorder(NetworkRun& state, bool until_used_up, bool keep_pixels)
        : s(state), stop_when_used_up(until_used_up), keep_paths(keep_pixels) {}

    void pass_begins(int k, const std::string& border_text) override;
    void pass_ends(int k, const PassWalks& w) override;
    bool wants_paths() const override { return keep_paths; }
    void network_done(const std::vector<long long>& flows_into) override;
    void progress(int run, double share) override {
        if (on_progress) on_progress(run, share);
    }

    NetworkRun& s;
    bool stop_when_used_up;
    bool keep_paths;
    bool used_up = false;         // a pass found nothing to walk: the later ones are dropped
    bool points_written = false;  // the points image of the pass under way, pending
    OrderRecord record;
    std::function<void(int run, double share)> on_progress;  // where the engine's progress goes
};
