#include "engine/leftovers.h"

#include <algorithm>
#include <numeric>

#include "engine/set_root.h"

namespace {

// Marks the pixels that lie on a closed loop: those with a link that is no bridge (iterative
// search for bridges by discovery times and low links).
std::vector<char> on_loops(const LeftGraph& graph) {
    const std::size_t n = graph.pixels().size();
    std::vector<int> disc(n, -1);
    std::vector<int> low(n, 0);
    std::vector<char> loop(n, 0);
    struct Frame {
        int v;
        int parent;
        std::size_t next;
    };
    std::vector<Frame> stack;
    int time = 0;
    for (std::size_t s = 0; s < n; ++s) {
        if (disc[s] >= 0) continue;
        disc[s] = low[s] = time++;
        stack.push_back({static_cast<int>(s), -1, graph.first[s]});
        while (!stack.empty()) {
            Frame& f = stack.back();
            const auto v = static_cast<std::size_t>(f.v);
            if (f.next < graph.first[v + 1]) {
                const int w = graph.to[f.next++];
                const auto wi = static_cast<std::size_t>(w);
                if (w == f.parent) continue;
                if (disc[wi] < 0) {
                    disc[wi] = low[wi] = time++;
                    stack.push_back({w, f.v, graph.first[wi]});
                } else {
                    low[v] = std::min(low[v], disc[wi]);
                    // A link back to a pixel already on the search path closes a loop.
                    loop[v] = loop[wi] = 1;
                }
                continue;
            }
            const int parent = f.parent;
            stack.pop_back();
            if (parent >= 0) {
                const auto pi = static_cast<std::size_t>(parent);
                low[pi] = std::min(low[pi], low[v]);
                if (low[v] <= disc[pi]) loop[v] = loop[pi] = 1;  // the link is no bridge
            }
        }
    }
    return loop;
}

}  // namespace

Leftovers find_leftovers(const WalkGrids& g, int threads) {
    Leftovers left;
    if (g.net < 0) return left;
    left.graph = left_graph(g, threads);
    const LeftGraph& graph = left.graph;
    const std::size_t n = graph.pixels().size();
    std::vector<int> parent(n);
    std::iota(parent.begin(), parent.end(), 0);
    for (std::size_t a = 0; a < n; ++a) {
        for (std::size_t e = graph.first[a]; e < graph.first[a + 1]; ++e) {
            parent[static_cast<std::size_t>(set_root(parent, graph.to[e]))] =
                set_root(parent, static_cast<int>(a));
        }
    }
    const std::vector<char> loop = on_loops(graph);
    std::vector<char> border(n, 0);
    std::vector<char> has_loop(n, 0);
    std::vector<long long> size(n, 0);
    for (std::size_t a = 0; a < n; ++a) {
        const auto r = static_cast<std::size_t>(set_root(parent, static_cast<int>(a)));
        const PixelIndex p = graph.pixels()[a];
        if (g.on_border(static_cast<int>(p / g.nb_col), static_cast<int>(p % g.nb_col)))
            border[r] = 1;
        if (loop[a]) {
            has_loop[r] = 1;
            left.loop_pixels.push_back(p);
        }
        ++size[r];
    }
    for (std::size_t r = 0; r < n; ++r) {
        if (static_cast<std::size_t>(parent[r]) != r) continue;
        if (has_loop[r]) left.loop_parts_pixels += size[r];
        if (!border[r]) ++left.borderless_parts;
    }
    return left;
}
