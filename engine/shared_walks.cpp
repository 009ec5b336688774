#include "engine/shared_walks.h"

#include <algorithm>

#include "engine/bands.h"

namespace {

// Whether an earlier walk of the pass took the start (the far end of what was left of a part):
// then it starts nothing.
bool taken(const WalkGrids& g, const Groups& groups, const Start& start) {
    if (start.group >= 0) return groups.list[static_cast<std::size_t>(start.group)].gone;
    return g.tab1[start.at / g.nb_col][start.at % g.nb_col] != g.net;
}

}  // namespace

std::vector<std::optional<WalkEnd>> walk_pass(const WalkGrids& g, Groups& groups,
                                              const std::vector<Start>& starts, int k,
                                              const StepLengths& d, int threads,
                                              std::vector<WalkTrace>* traces) {
    const std::size_t n = starts.size();
    std::vector<std::optional<WalkEnd>> ends(n);
    if (traces != nullptr) traces->assign(n, WalkTrace{});
    const auto most = static_cast<int>(std::min<std::size_t>(n / kStartsPerThread, 1024));
    const bool in_order = g.tab2 != nullptr || traces != nullptr;
    const int runs = in_order ? 1 : std::clamp(threads, 1, std::max(1, most));
    if (runs > 1) {
        for (const Start& start : starts) {
            if (start.group < 0) g.tab5[start.at / g.nb_col][start.at % g.nb_col] = kStartMark;
        }
        std::vector<StepLog> logs(static_cast<std::size_t>(runs));
        for_bands(runs, 0, static_cast<int>(n), [&](int run, int first, int last) {
            StepLog& log = logs[static_cast<std::size_t>(run)];
            for (int s = first; s < last; ++s) {
                const Start& start = starts[static_cast<std::size_t>(s)];
                if (start.group >= 0) continue;  // a group start is walked in order
                WalkEnd end;
                const auto i = static_cast<int>(start.at / g.nb_col);
                const auto j = static_cast<int>(start.at % g.nb_col);
                if (shared_walk(g, groups, k, i, j, d, log, end)) {
                    ends[static_cast<std::size_t>(s)] = end;
                }
            }
        });
        // Put back what the walks that gave up changed. A pixel logged twice keeps the value the
        // first of its walks found (the second found k).
        const auto net = static_cast<unsigned char>(g.net);
        for (const StepLog& log : logs) {
            for (const LoggedStep& step : log) {
                const auto i = static_cast<int>(step.at / g.nb_col);
                const auto j = static_cast<int>(step.at % g.nb_col);
                g.tab1[i][j] = net;
                if (step.old != k) g.tab5[i][j] = step.old;
            }
        }
    }
    for (std::size_t s = 0; s < n; ++s) {
        if (ends[s]) continue;
        const Start& start = starts[s];
        if (taken(g, groups, start)) {
            if (g.tab2 != nullptr && start.group < 0) {
                g.tab2[start.at / g.nb_col][start.at % g.nb_col] = 255;
            }
            continue;
        }
        const auto i = static_cast<int>(start.at / g.nb_col);
        const auto j = static_cast<int>(start.at % g.nb_col);
        ends[s] = fast_walk(g, groups, k, i, j, start.group, d,
                            traces != nullptr ? &(*traces)[s] : nullptr);
    }
    return ends;
}
