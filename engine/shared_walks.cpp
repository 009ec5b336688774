#include "engine/shared_walks.h"

#include <algorithm>

#include "base/bands.h"

namespace {

// Whether an earlier walk of the pass took the start (the far end of what was left of a part):
// then it starts nothing.
bool taken(const WalkGrids& g, const Groups& groups, const Start& start) {
    if (start.group >= 0) return groups.list[static_cast<std::size_t>(start.group)].gone;
    return g.tab1[start.at / g.nb_col][start.at % g.nb_col] != g.net;
}

// The shared walks of starts [first, last) on this thread, one after another.
void walk_run(const WalkGrids& g, Groups& groups, const std::vector<Start>& starts, int k,
              const StepLengths& d, int first, int last, PassEnds& ends, long long& erased,
              StepLog& kept, std::vector<int>& held, std::vector<int>& given_back) {
    SharedWalk w;
    for (auto s = static_cast<std::size_t>(first); s < static_cast<std::size_t>(last); ++s) {
        const Start& start = starts[s];
        const auto i = static_cast<int>(start.at / g.nb_col);
        const auto j = static_cast<int>(start.at % g.nb_col);
        if (start.group >= 0) {
            start_shared_group_walk(g, groups, k, start.group, i, j, w);
        } else {
            start_shared_walk(g, k, i, j, w);
        }
        if (shared_walk(g, groups, k, d, w) == WalkStep::ended) {
            ends.set(s, w.state.end, g.nb_col);
            erased += w.state.end.erased;
            held.insert(held.end(), w.claimed.begin(), w.claimed.end());
        } else {
            kept.insert(kept.end(), w.log.begin(), w.log.end());
            given_back.insert(given_back.end(), w.claimed.begin(), w.claimed.end());
        }
    }
}

}  // namespace

PassEnds walk_pass(const WalkGrids& g, Groups& groups, const std::vector<Start>& starts, int k,
                   const StepLengths& d, int threads, std::vector<WalkTrace>* traces) {
    const std::size_t n = starts.size();
    PassEnds ends(n);
    if (traces != nullptr) traces->assign(n, WalkTrace{});
    // On one thread the walks go in order: no walk gives up and none is logged.
    const bool in_order =
        threads <= 1 || g.tab2 != nullptr || traces != nullptr || n < kStartsPerThread;
    if (!in_order) {
        const int runs = std::min(list_parts(threads, static_cast<long long>(n),
                                             static_cast<long long>(kStartsPerThread)),
                                  1024);
        // The starts marked: every end point, and every network pixel of a group start. Marked
        // on the threads before any walk goes: the starts' pixels are all different.
        auto mark = [&](PixelIndex p) { g.tab5[p / g.nb_col][p % g.nb_col] = kStartMark; };
        for_bands(runs, 0, static_cast<int>(n), [&](int, int first, int last) {
            for (auto s = static_cast<std::size_t>(first); s < static_cast<std::size_t>(last);
                 ++s) {
                const Start& start = starts[s];
                if (start.group < 0) {
                    mark(start.at);
                    continue;
                }
                for (PixelIndex p : groups.list[static_cast<std::size_t>(start.group)].pixels) {
                    if (g.tab1[p / g.nb_col][p % g.nb_col] == g.net) mark(p);
                }
            }
        });
        std::vector<StepLog> kept(static_cast<std::size_t>(runs));  // of the walks that gave up
        // Groups run through by the walks that ended, and by those that gave up.
        std::vector<std::vector<int>> held(static_cast<std::size_t>(runs));
        std::vector<std::vector<int>> given_back(static_cast<std::size_t>(runs));
        std::vector<long long> erased(static_cast<std::size_t>(runs), 0);
        for_bands(runs, 0, static_cast<int>(n), [&](int run, int first, int last) {
            const auto r = static_cast<std::size_t>(run);
            walk_run(g, groups, starts, k, d, first, last, ends, erased[r], kept[r], held[r],
                     given_back[r]);
        });
        for (long long some : erased) ends.erased += some;
        for (std::size_t r = 0; r < held.size(); ++r) {
            for (int group : held[r]) groups.list[static_cast<std::size_t>(group)].claim = 0;
            for (int group : given_back[r]) {
                Group& gr = groups.list[static_cast<std::size_t>(group)];
                gr.claim = 0;
                gr.gone = false;
            }
        }
        // Put back what the walks that gave up changed. A pixel logged twice keeps the value the
        // first of its walks found (the second found k).
        const auto net = static_cast<unsigned char>(g.net);
        for (const StepLog& log : kept) {
            for (const LoggedStep& step : log) {
                const auto i = static_cast<int>(step.at / g.nb_col);
                const auto j = static_cast<int>(step.at % g.nb_col);
                g.tab1[i][j] = net;
                if (step.old != k) g.tab5[i][j] = step.old;
            }
        }
    }
    for (std::size_t s = 0; s < n; ++s) {
        if (ends.points[s] > 0) continue;
        const Start& start = starts[s];
        if (taken(g, groups, start)) {
            if (g.tab2 != nullptr && start.group < 0) {
                g.tab2[start.at / g.nb_col][start.at % g.nb_col] = 255;
            }
            continue;
        }
        const auto i = static_cast<int>(start.at / g.nb_col);
        const auto j = static_cast<int>(start.at % g.nb_col);
        const WalkEnd end = fast_walk(g, groups, k, i, j, start.group, d,
                                      traces != nullptr ? &(*traces)[s] : nullptr);
        ends.set(s, end, g.nb_col);
        ends.erased += end.erased;
    }
    return ends;
}
