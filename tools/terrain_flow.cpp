// Filling, D8 directions and flow order, all in integers.

#include "tools/terrain_flow.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <utility>

namespace {

__extension__ typedef unsigned __int128 Wide;

// Whether a drop `a` over one step of kind `a_diag` is steeper than `b` over `b_diag`.
bool steeper(std::uint64_t a, bool a_diag, std::uint64_t b, bool b_diag) {
    if (a_diag == b_diag) return a > b;
    const Wide a2 = static_cast<Wide>(a) * a * (b_diag ? 2 : 1);
    const Wide b2 = static_cast<Wide>(b) * b * (a_diag ? 2 : 1);
    return a2 > b2;  // a / sqrt(2) > b  <=>  a^2 > 2 b^2, and the other way round
}

}  // namespace

void fill_depressions(std::vector<std::uint32_t>& h, int lig, int col) {
    using Key = std::pair<std::uint64_t, std::size_t>;  // height and entry, pixel
    std::priority_queue<Key, std::vector<Key>, std::greater<Key>> open;
    std::vector<char> closed(h.size(), 0);
    std::uint64_t entry = 0;
    auto push = [&](std::size_t p) {
        open.push({(static_cast<std::uint64_t>(h[p]) << 32) | (entry++ & 0xffffffffu), p});
    };
    for (int l = 0; l < lig; ++l) {
        for (int c = 0; c < col; ++c) {
            if (l != 0 && c != 0 && l != lig - 1 && c != col - 1) continue;
            const std::size_t p = static_cast<std::size_t>(l) * col + c;
            closed[p] = 1;
            push(p);
        }
    }
    while (!open.empty()) {
        const std::size_t p = open.top().second;
        open.pop();
        const int l = static_cast<int>(p / col);
        const int c = static_cast<int>(p % col);
        for (int d = 0; d < 8; ++d) {
            const int nl = l + kFlowDl[d];
            const int nc = c + kFlowDc[d];
            if (nl < 0 || nc < 0 || nl >= lig || nc >= col) continue;
            const std::size_t q = static_cast<std::size_t>(nl) * col + nc;
            if (closed[q]) continue;
            closed[q] = 1;
            h[q] = std::max(h[q], h[p] + 1);
            push(q);
        }
    }
}

std::vector<unsigned char> d8_directions(const std::vector<std::uint32_t>& h, int lig, int col) {
    std::vector<unsigned char> dir(h.size(), kFlowOut);
    for (int l = 1; l < lig - 1; ++l) {
        for (int c = 1; c < col - 1; ++c) {
            const std::size_t p = static_cast<std::size_t>(l) * col + c;
            int best = kFlowOut;
            std::uint64_t best_drop = 0;
            for (int d = 0; d < 8; ++d) {
                const std::size_t q =
                    static_cast<std::size_t>(l + kFlowDl[d]) * col + (c + kFlowDc[d]);
                if (h[q] >= h[p]) continue;
                const std::uint64_t drop = h[p] - h[q];
                if (best == kFlowOut || steeper(drop, d & 1, best_drop, best & 1)) {
                    best = d;
                    best_drop = drop;
                }
            }
            dir[p] = static_cast<unsigned char>(best);
        }
    }
    return dir;
}

std::vector<std::uint32_t> flow_order(const std::vector<unsigned char>& dir, int col) {
    std::vector<unsigned char> inflows(dir.size(), 0);
    for (std::size_t p = 0; p < dir.size(); ++p) {
        if (dir[p] != kFlowOut) ++inflows[flow_receiver(dir, p, col)];
    }
    std::vector<std::uint32_t> queue;
    queue.reserve(dir.size());
    for (std::size_t p = 0; p < dir.size(); ++p) {
        if (inflows[p] == 0) queue.push_back(static_cast<std::uint32_t>(p));
    }
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const std::size_t p = queue[head];
        if (dir[p] == kFlowOut) continue;
        const std::size_t q = flow_receiver(dir, p, col);
        if (--inflows[q] == 0) queue.push_back(static_cast<std::uint32_t>(q));
    }
    return queue;
}
