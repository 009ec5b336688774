#include "engine/prune.h"

#include <unordered_map>

#include "engine/bands.h"
#include "engine/fast_walk.h"

namespace {

// Where the segments flow: a segment waits at its stop pixel until a later walk covers that
// pixel, starting there, running through it or taking the junction group that holds it. The
// walks that stop on the same pixel only meet there.
struct Confluences {
    std::unordered_map<PixelIndex, std::vector<long long>> waiting;  // stop pixel -> segments
    std::vector<long long> flows_into;

    void covered(PixelIndex p, long long segment) {
        const auto at = waiting.find(p);
        if (at == waiting.end()) return;
        for (long long up : at->second) flows_into[static_cast<std::size_t>(up)] = segment;
        waiting.erase(at);
    }

    void walked(const WalkTrace& t, bool counted) {
        const long long segment = counted ? static_cast<long long>(flows_into.size()) : -1;
        const std::size_t taken = t.path.size() - (counted ? 1 : 0);  // a stop pixel stays
        for (std::size_t n = 0; n < taken; ++n) covered(t.path[n], segment);
        for (PixelIndex p : t.groups) covered(p, segment);
        if (!counted) return;
        flows_into.push_back(-1);
        waiting[t.path.back()].push_back(segment);
    }
};

}  // namespace

PruneRun prune(const WalkGrids& g, Groups& groups, std::vector<Start> starts, int last,
               const StepLengths& d, const PassHooks* hooks, bool keep_paths) {
    PruneRun run;
    Confluences confluences;
    WalkTrace trace;
    std::vector<PixelIndex> stops;
    for (int k = 1; k <= last; ++k) {
        if (hooks == nullptr && starts.empty()) break;
        if (hooks != nullptr) hooks->begins(k);
        PassWalks w;
        stops.clear();
        for (const Start& start : starts) {
            const int i = static_cast<int>(start.at / g.nb_col);
            const int j = static_cast<int>(start.at % g.nb_col);
            // A start that an earlier walk of the pass took (the far end of what was left of a
            // part) starts nothing.
            if (start.group >= 0 ? groups.list[static_cast<std::size_t>(start.group)].gone
                                 : g.tab1[i][j] != g.net) {
                if (g.tab2 != nullptr && start.group < 0) g.tab2[i][j] = 255;
                continue;
            }
            ++w.segm_order;
            trace.path.clear();
            trace.groups.clear();
            const WalkEnd end =
                fast_walk(g, groups, k, i, j, start.group, d, keep_paths ? &trace : nullptr);
            if (keep_paths) {
                confluences.walked(trace, end.counted);
                w.segm_path.push_back(trace.path);
            }
            run.erased += end.erased;
            if (end.counted) {
                stops.push_back(static_cast<PixelIndex>(end.last_i) * g.nb_col + end.last_j);
            } else {
                ++run.ran_out;
            }
            w.segm_points.push_back(end.points);
            w.segm_dist.push_back(end.length);
            w.segm_counted.push_back(end.counted ? 1 : 0);
        }
        if (hooks != nullptr) hooks->ends(k, w);
        run.passes.push_back(std::move(w));
        starts = reclassify_stops(g, groups, stops);
    }
    run.used_up = starts.empty();
    run.flows_into = std::move(confluences.flows_into);
    return run;
}

void restore_network(const WalkGrids& g, int threads) {
    const auto net = static_cast<unsigned char>(g.net < 0 ? 255 : g.net);
    for_bands(band_count(threads, g.nb_lig, g.nb_col), 0, g.nb_lig, [&](int, int first, int last) {
        for (int i = first; i < last; ++i) {
            unsigned char* t1 = g.tab1[i];
            unsigned char* t5 = g.tab5[i];
            for (int j = 0; j < g.nb_col; ++j) {
                const bool labelled = t5[j] != 255;
                t1[j] = labelled ? net : t1[j];
                t5[j] = 255;
            }
        }
    });
}
