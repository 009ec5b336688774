#include "engine/prune.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "base/bands.h"
#include "engine/fast_walk.h"
#include "engine/shared_walks.h"

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
               const StepLengths& d, const PassHooks* hooks, bool keep_paths, int threads,
               const std::function<void(long long)>* erased) {
    PruneRun run;
    Confluences confluences;
    std::vector<WalkTrace> traces;
    std::vector<PixelIndex> stops;
    for (int k = 1; k <= last; ++k) {
        if (hooks == nullptr && starts.empty()) break;
        if (hooks != nullptr) hooks->begins(k);
        PassWalks w;
        PassEnds ends = walk_pass(g, groups, starts, k, d, threads, keep_paths ? &traces : nullptr);
        // Gone before the next starts are made: on a large network the first pass has hundreds
        // of thousands of starts.
        std::vector<Start>().swap(starts);
        run.erased += ends.erased;
        // The lists of the pass are those of the ends, the starts that started no walk taken
        // out in place, and the stops those of the counted walks: no second copy of them.
        std::size_t walks = 0;
        std::size_t counted = 0;
        for (std::size_t s = 0; s < ends.points.size(); ++s) {
            if (ends.points[s] == 0) continue;
            if (keep_paths) {
                confluences.walked(traces[s], ends.counted[s] != 0);
                w.segm_path.push_back(std::move(traces[s].path));
            }
            if (ends.counted[s]) {
                ends.last[counted] = ends.last[s];
                ends.group[counted++] = ends.group[s];
            } else {
                ++run.ran_out;
            }
            ends.points[walks] = ends.points[s];
            ends.length[walks] = ends.length[s];
            ends.counted[walks] = ends.counted[s];
            ++walks;
        }
        ends.points.resize(walks);
        ends.length.resize(walks);
        ends.counted.resize(walks);
        ends.last.resize(counted);
        ends.group.resize(counted);
        w.segm_order = static_cast<int>(walks);
        w.segm_points = std::move(ends.points);
        w.segm_dist = std::move(ends.length);
        w.segm_counted = std::move(ends.counted);
        stops = std::move(ends.last);
        if (hooks != nullptr) hooks->ends(k, w);
        run.passes.push_back(std::move(w));
        starts = reclassify_stops(g, groups, stops, ends.group, threads);
        if (hooks == nullptr) run.stops.push_back(std::move(stops));
        if (erased != nullptr) (*erased)(run.erased);
    }
    run.used_up = starts.empty();
    run.flows_into = std::move(confluences.flows_into);
    return run;
}

void forget_passes_after(const WalkGrids& g, const PruneRun& run, int last, int threads) {
    // A walk labels its stop pixel; a later walk that stops there, starts there or takes it
    // labels it again.
    std::vector<std::pair<PixelIndex, unsigned char>> kept;
    const int passes = std::min(last, static_cast<int>(run.stops.size()));
    for (int k = 1; k <= passes; ++k) {
        for (PixelIndex p : run.stops[static_cast<std::size_t>(k - 1)]) {
            if (g.tab5[p / g.nb_col][p % g.nb_col] > last)
                kept.emplace_back(p, static_cast<unsigned char>(k));
        }
    }
    // Locals, and a store on every pixel (never a store on some of them, which the compiler
    // may not widen), so that the loop works on whole vectors.
    const int cols = g.nb_col;
    const auto top = static_cast<unsigned char>(std::clamp(last, 0, 255));
    unsigned char** const tab5 = g.tab5;
    for_bands(band_count(threads, g.nb_lig, cols), 0, g.nb_lig, [=](int, int first, int end) {
        const int n = cols;  // not read through the closure, which a byte store may alias
        const unsigned char cap = top;
        for (int i = first; i < end; ++i) {
            unsigned char* const t5 = tab5[i];
            for (int j = 0; j < n; ++j) {
                t5[j] = static_cast<unsigned char>(t5[j] | -static_cast<int>(t5[j] > cap));
            }
        }
    });
    for (const auto& [p, k] : kept) g.tab5[p / g.nb_col][p % g.nb_col] = k;  // by pass: last wins
}

void restore_network(const WalkGrids& g, int threads) {
    const auto net = static_cast<unsigned char>(g.net < 0 ? 255 : g.net);
    // As in forget_passes_after: locals and a store on every pixel.
    const int cols = g.nb_col;
    unsigned char** const tab1 = g.tab1;
    unsigned char** const tab5 = g.tab5;
    for_bands(band_count(threads, g.nb_lig, cols), 0, g.nb_lig, [=](int, int first, int last) {
        const int n = cols;
        const unsigned char value = net;
        for (int i = first; i < last; ++i) {
            unsigned char* const t1 = tab1[i];
            unsigned char* const t5 = tab5[i];
            for (int j = 0; j < n; ++j) {
                const auto labelled = static_cast<unsigned char>(-static_cast<int>(t5[j] != 255));
                t1[j] = static_cast<unsigned char>((t1[j] & ~labelled) | (value & labelled));
                t5[j] = 255;
            }
        }
    });
}
