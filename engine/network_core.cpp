#include "engine/network_core.h"

#include <vector>

#include "base/bands.h"
#include "engine/flag_scan.h"
#include "engine/links.h"
#include "engine/neighbours.h"
#include "engine/pixel_index.h"

namespace {

// The label a pruned pixel gets in tab5: any order; the pixel stays in the loaded network, so
// that the links of those left are those of the drawing (links.h).
constexpr unsigned char kPruned = 1;

// Whether the interior pixel (i, j) is a network pixel left with exactly one linked neighbour
// left. Pixels on the border (or beside cells outside the image) are never pruned, as walks
// never erase them.
bool prunable(const WalkGrids& g, int i, int j) {
    return !g.on_border(i, j) && linked_point_code(g.tab1, g.tab5, g.net, i, j) == 2;
}

}  // namespace

NetworkCore network_core(const WalkGrids& g, int threads) {
    NetworkCore c;
    if (g.net < 0 || g.nb_lig < 1 || g.nb_col < 1) return c;
    const auto net = static_cast<unsigned char>(g.net);
    const int bands = band_count(threads, g.nb_lig, g.nb_col);
    std::vector<std::vector<PixelIndex>> found(static_cast<std::size_t>(bands));
    std::vector<long long> counted(static_cast<std::size_t>(bands), 0);
    for_bands(bands, 0, g.nb_lig, [&](int b, int first, int last) {
        std::vector<PixelIndex>& ends = found[static_cast<std::size_t>(b)];
        long long n = 0;
        for (int i = first; i < last; ++i) {
            const unsigned char* t1 = g.tab1[i];
            for_each_equal(t1, g.nb_col, net, [&](int j) {
                ++n;
                // Nothing is pruned yet: the loaded neighbours are those present in tab1.
                if (g.on_border(i, j) || link_count(linked(present_mask(g.tab1, g.net, i, j))) != 1)
                    return;
                ends.push_back(static_cast<PixelIndex>(i) * g.nb_col + j);
            });
        }
        counted[static_cast<std::size_t>(b)] = n;
    });
    std::vector<PixelIndex> stack;
    for (std::vector<PixelIndex>& ends : found) {
        c.network += counted[static_cast<std::size_t>(&ends - found.data())];
        stack.insert(stack.end(), ends.begin(), ends.end());
        std::vector<PixelIndex>().swap(ends);
    }
    // Once a tenth of the network is pruned, the core is known to be under nine tenths of it.
    const long long enough = c.network - c.network * 9 / 10;
    std::vector<PixelIndex> pruned;
    while (!stack.empty() && static_cast<long long>(pruned.size()) < enough) {
        const PixelIndex p = stack.back();
        stack.pop_back();
        const int i = static_cast<int>(p / g.nb_col);
        const int j = static_cast<int>(p % g.nb_col);
        // An end found twice, or whose neighbour went first (a line of two pixels).
        if (!prunable(g, i, j)) continue;
        g.tab1[i][j] = 255;
        g.tab5[i][j] = kPruned;
        pruned.push_back(p);
        const unsigned left =
            linked(loaded_mask(g.tab1, g.tab5, g.net, i, j)) & present_mask(g.tab1, g.net, i, j);
        for (int n = 0; n < 8; ++n) {
            if (!(left >> n & 1u)) continue;
            const int a = i + kNeighbours[n].di;
            const int b = j + kNeighbours[n].dj;
            if (prunable(g, a, b)) stack.push_back(static_cast<PixelIndex>(a) * g.nb_col + b);
        }
    }
    const PixelDivider split(g.nb_col);
    for (const PixelIndex p : pruned) {
        const auto [i, j] = split(p);
        g.tab1[i][j] = net;
        g.tab5[i][j] = 255;
    }
    c.core = c.network - static_cast<long long>(pruned.size());
    return c;
}
