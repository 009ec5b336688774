#include "engine/stem_orders.h"

#include <algorithm>

#include "base/bands.h"
#include "engine/flag_scan.h"
#include "engine/links.h"
#include "engine/pixel_map.h"

namespace {

// Position n of the neighbour order (see links.h) as a step in lines and columns.
constexpr int kDi[8] = {-1, -1, -1, 0, 1, 1, 1, 0};
constexpr int kDj[8] = {-1, 0, 1, 1, 1, 0, -1, -1};

// Strahler's rule over the orders coming into a pixel (0: nothing comes in).
struct Confluence {
    int highest = 0;
    int with_highest = 0;
    void add(int order) {
        if (order <= 0) return;
        if (order > highest) {
            highest = order;
            with_highest = 1;
        } else if (order == highest) {
            ++with_highest;
        }
    }
    int order() const { return with_highest >= 2 ? highest + 1 : highest; }
};

}  // namespace

std::vector<StemOrder> order_left_stems(const WalkGrids& g,
                                        const std::vector<std::vector<PixelIndex>>& stops,
                                        int threads) {
    std::vector<StemOrder> out;
    if (g.net < 0) return out;
    const auto net = static_cast<unsigned char>(g.net);
    const int cols = g.nb_col;
    auto left = [&](int i, int j) { return g.tab1[i][j] == net; };

    // The pixels the run left, numbered (found in bands of lines, joined in band order); the
    // streams that stopped on them.
    const int bands = band_count(threads, g.nb_lig, cols);
    std::vector<std::vector<PixelIndex>> found(static_cast<std::size_t>(bands));
    std::vector<char> found_unlabelled(static_cast<std::size_t>(bands), 0);
    for_bands(bands, 0, g.nb_lig, [&](int band, int first, int last) {
        std::vector<PixelIndex>& mine = found[static_cast<std::size_t>(band)];
        char any = 0;
        for (int i = first; i < last; ++i) {
            const unsigned char* t1 = g.tab1[i];
            const unsigned char* t5 = g.tab5[i];
            for_each_equal(t1, cols, net, [&](int j) {
                any = static_cast<char>(any | (t5[j] == 255));
                mine.push_back(static_cast<PixelIndex>(i) * cols + j);
            });
        }
        found_unlabelled[static_cast<std::size_t>(band)] = any;
    });
    const bool unlabelled =
        std::any_of(found_unlabelled.begin(), found_unlabelled.end(), [](char c) { return c; });
    if (!unlabelled) return out;
    std::vector<PixelIndex> joined;
    for (const std::vector<PixelIndex>& band : found)
        joined.insert(joined.end(), band.begin(), band.end());
    std::vector<std::vector<PixelIndex>>().swap(found);
    // The pixels in row-major order: a pixel's number is found within its line.
    const PixelMap index = index_of_pixels(std::move(joined), g.nb_lig, cols);
    const std::vector<PixelIndex>& pixels = index.keys;
    auto number = [&](PixelIndex p) { return index.place(p); };
    std::vector<Confluence> in(pixels.size());
    for (std::size_t k = 0; k < stops.size(); ++k) {
        for (PixelIndex p : stops[k]) {
            // Most stops were erased by a later pass: only those left are looked up.
            const PixelSplit at_stop = index.lines(p);
            if (!left(at_stop.line, at_stop.column)) continue;
            const int at = number(p);
            if (at >= 0) in[static_cast<std::size_t>(at)].add(static_cast<int>(k) + 1);
        }
    }

    // Calls visit(q) with the number of every pixel left that is linked to pixel number `at`.
    auto for_linked_left = [&](int at, auto&& visit) {
        const PixelIndex p = pixels[static_cast<std::size_t>(at)];
        const int i = static_cast<int>(p / cols);
        const int j = static_cast<int>(p % cols);
        const unsigned links =
            linked(loaded_mask_anywhere(g.tab1, g.tab5, g.net, g.nb_lig, cols, i, j));
        for (int m = 0; m < 8; ++m) {
            if (!((links >> m) & 1u) || !left(i + kDi[m], j + kDj[m])) continue;
            visit(number(p + static_cast<PixelIndex>(kDi[m]) * cols + kDj[m]));
        }
    };

    // Linked parts of the pixels left, each a tree breadth first from its border pixels.
    const auto n = pixels.size();
    // -2: not reached yet; -3: in the part at hand; -1: a root on the border; else the pixel
    // it was reached from.
    std::vector<int> parent(n, -2);
    std::vector<int> left_links(n, 0);     // links to other pixels left
    std::vector<std::size_t> place(n, 0);  // a pixel's place in the tree of its part
    std::vector<int> queue;
    std::vector<int> part;
    for (std::size_t seed = 0; seed < n; ++seed) {
        if (parent[seed] != -2) continue;
        // The whole part, then its border pixels as roots.
        part.assign(1, static_cast<int>(seed));
        parent[seed] = -3;
        for (std::size_t h = 0; h < part.size(); ++h) {
            for_linked_left(part[h], [&](int q) {
                if (parent[static_cast<std::size_t>(q)] != -2) return;
                parent[static_cast<std::size_t>(q)] = -3;
                part.push_back(q);
            });
        }
        bool needs = false;
        queue.clear();
        for (int q : part) {
            const PixelIndex p = pixels[static_cast<std::size_t>(q)];
            needs = needs || g.tab5[p / cols][p % cols] == 255;
            if (g.on_border(static_cast<int>(p / cols), static_cast<int>(p % cols))) {
                parent[static_cast<std::size_t>(q)] = -1;
                queue.push_back(q);
            }
        }
        if (!needs || queue.empty()) continue;
        for (std::size_t h = 0; h < queue.size(); ++h) {
            const int from = queue[h];
            for_linked_left(from, [&](int q) {
                ++left_links[static_cast<std::size_t>(from)];
                if (parent[static_cast<std::size_t>(q)] != -3) return;
                parent[static_cast<std::size_t>(q)] = from;
                queue.push_back(q);
            });
        }
        // A tree of lines is left as the passes leave it (the arms of a junction that run to
        // the border are never traced, on a clean forest too): only a part with a closed loop,
        // where the passes stall, is ordered here.
        long long ends_of_links = 0;
        for (int q : queue) ends_of_links += left_links[static_cast<std::size_t>(q)];
        if (ends_of_links / 2 < static_cast<long long>(queue.size())) continue;
        // Up the tree: a pixel's order from the streams stopping on it and its branches.
        std::vector<int> order(queue.size());
        for (std::size_t h = 0; h < queue.size(); ++h) {
            place[static_cast<std::size_t>(queue[h])] = h;
        }
        std::vector<Confluence> up(queue.size());
        for (std::size_t h = queue.size(); h-- > 0;) {
            const auto q = static_cast<std::size_t>(queue[h]);
            up[h].add(in[q].highest);
            if (in[q].with_highest >= 2) up[h].add(in[q].highest);
            // An end of what the passes left, off the border, where no stream stopped: the
            // source of a stream the passes could not start (it touched another channel).
            if (in[q].highest == 0 && left_links[q] == 1 && parent[q] >= 0) up[h].add(1);
            order[h] = up[h].order();
            if (parent[q] >= 0) up[place[static_cast<std::size_t>(parent[q])]].add(order[h]);
        }
        // A part that nothing enters and where no line ends is a ring no line leaves: no order.
        if (std::all_of(order.begin(), order.end(), [](int o) { return o == 0; })) continue;
        // Down the tree: a branch no stream enters takes the order of the pixel it hangs on;
        // an outlet that nothing reaches is a channel of its own whose source lies hidden
        // where it touches another: order 1.
        for (std::size_t h = 0; h < queue.size(); ++h) {
            const auto q = static_cast<std::size_t>(queue[h]);
            if (order[h] != 0) continue;
            order[h] = parent[q] >= 0 ? order[place[static_cast<std::size_t>(parent[q])]] : 1;
        }
        for (std::size_t h = 0; h < queue.size(); ++h) {
            if (order[h] <= 0) continue;
            out.push_back({pixels[static_cast<std::size_t>(queue[h])],
                           static_cast<unsigned char>(std::min(order[h], 254))});
        }
    }
    std::sort(out.begin(), out.end(),
              [](const StemOrder& a, const StemOrder& b) { return a.at < b.at; });
    return out;
}

void apply_stem_orders(const WalkGrids& g, const std::vector<StemOrder>& orders, int last) {
    for (const StemOrder& s : orders) {
        if (s.order > last) continue;
        g.tab5[s.at / g.nb_col][s.at % g.nb_col] = s.order;
    }
}
