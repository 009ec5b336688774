#include "engine/leftovers.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "base/bands.h"
#include "engine/flag_scan.h"
#include "engine/links.h"
#include "engine/neighbours.h"
#include "engine/pixel_map.h"
#include "engine/set_root.h"

namespace {

struct Graph {
    PixelMap index;                  // keys: the pixels, row-major; pixel a is keys[a]
    std::vector<std::size_t> first;  // links of pixel a: to[first[a] .. first[a + 1])
    std::vector<int> to;
    const std::vector<PixelIndex>& pixels() const { return index.keys; }
};

// Appends every piece to `all`, letting go of each once it is in (a single piece is moved).
template <typename T>
void join_pieces(std::vector<std::vector<T>>& pieces, std::vector<T>& all) {
    if (pieces.size() == 1 && all.empty()) {
        all = std::move(pieces[0]);
        return;
    }
    for (std::vector<T>& piece : pieces) {
        all.insert(all.end(), piece.begin(), piece.end());
        std::vector<T>().swap(piece);
    }
}

// The graph of the pixels left in tab1 and their links, in bands on up to `threads` threads.
Graph left_graph(const WalkGrids& g, int threads) {
    Graph graph;
    const int line_bands = band_count(threads, g.nb_lig, g.nb_col);
    std::vector<std::vector<PixelIndex>> found(static_cast<std::size_t>(line_bands));
    for_bands(line_bands, 0, g.nb_lig, [&](int band, int first, int last) {
        std::vector<PixelIndex>& some = found[static_cast<std::size_t>(band)];
        for (int i = first; i < last; ++i) {
            for_each_equal(g.tab1[i], g.nb_col, static_cast<unsigned char>(g.net), [&](int j) {
                some.push_back(static_cast<PixelIndex>(i) * g.nb_col + j);
            });
        }
    });
    std::vector<PixelIndex> pixels;
    join_pieces(found, pixels);
    graph.index = index_of_pixels(std::move(pixels), g.nb_lig, g.nb_col);
    const PixelMap& index = graph.index;

    // The links of runs of pixels side by side, joined in pixel order.
    const auto n = static_cast<int>(graph.pixels().size());
    const int runs = std::clamp(threads, 1, std::max(1, n / 4096));
    std::vector<std::vector<int>> to(static_cast<std::size_t>(runs));
    std::vector<std::vector<unsigned char>> count(static_cast<std::size_t>(runs));
    for_bands(runs, 0, n, [&](int run, int first, int last) {
        std::vector<int>& links_to = to[static_cast<std::size_t>(run)];
        std::vector<unsigned char>& per_pixel = count[static_cast<std::size_t>(run)];
        for (int a = first; a < last; ++a) {
            const PixelIndex p = graph.pixels()[static_cast<std::size_t>(a)];
            const int i = static_cast<int>(p / g.nb_col);
            const int j = static_cast<int>(p % g.nb_col);
            const unsigned links =
                linked(g.on_border(i, j)
                           ? loaded_mask_anywhere(g.tab1, g.tab5, g.net, g.nb_lig, g.nb_col, i, j)
                           : loaded_mask(g.tab1, g.tab5, g.net, i, j));
            const std::size_t before = links_to.size();
            for (int k = 0; k < 8; ++k) {
                if (!(links >> k & 1u)) continue;
                const int b =
                    index.place(static_cast<PixelIndex>(i + kNeighbours[k].di) * g.nb_col + j +
                                kNeighbours[k].dj);
                if (b >= 0) links_to.push_back(b);
            }
            per_pixel.push_back(static_cast<unsigned char>(links_to.size() - before));
        }
    });
    graph.first.reserve(graph.pixels().size() + 1);
    std::size_t links_before = 0;
    for (const std::vector<unsigned char>& per_pixel : count) {
        for (const unsigned char links : per_pixel) {
            graph.first.push_back(links_before);
            links_before += links;
        }
    }
    if (to.size() > 1) graph.to.reserve(links_before);
    join_pieces(to, graph.to);
    graph.first.push_back(graph.to.size());
    return graph;
}

// Marks the pixels that lie on a closed loop: those with a link that is no bridge (iterative
// search for bridges by discovery times and low links).
std::vector<char> on_loops(const Graph& graph) {
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
    const Graph graph = left_graph(g, threads);
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
