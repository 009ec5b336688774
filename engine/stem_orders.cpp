#include "engine/stem_orders.h"

#include <algorithm>

namespace {

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

std::vector<StemOrder> order_left_stems(const WalkGrids& g, const LeftGraph& left,
                                        const std::vector<std::vector<PixelIndex>>& stops) {
    std::vector<StemOrder> out;
    const std::vector<PixelIndex>& pixels = left.pixels();
    const PixelDivider split(g.nb_col);
    auto label = [&](PixelIndex p) {
        const PixelSplit at = split(p);
        return g.tab5[at.line][at.column];
    };
    if (std::none_of(pixels.begin(), pixels.end(), [&](PixelIndex p) { return label(p) == 255; }))
        return out;
    // The streams that stopped on the pixels left.
    std::vector<Confluence> in(pixels.size());
    for (std::size_t k = 0; k < stops.size(); ++k) {
        for (PixelIndex p : stops[k]) {
            // Most stops were erased by a later pass: only those left are looked up.
            const PixelSplit at_stop = split(p);
            if (g.tab1[at_stop.line][at_stop.column] != g.net) continue;
            const int at = left.index.place(p);
            if (at >= 0) in[static_cast<std::size_t>(at)].add(static_cast<int>(k) + 1);
        }
    }

    // Calls visit(q) with the number of every pixel left that is linked to pixel number `at`.
    auto for_linked_left = [&](int at, auto&& visit) {
        const auto a = static_cast<std::size_t>(at);
        for (std::size_t e = left.first[a]; e < left.first[a + 1]; ++e) visit(left.to[e]);
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
    std::vector<unsigned char> ordered(n, 0);  // the order given to each pixel, 0 for none
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
            needs = needs || label(p) == 255;
            const PixelSplit at = split(p);
            if (g.on_border(at.line, at.column)) {
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
            ordered[static_cast<std::size_t>(queue[h])] =
                static_cast<unsigned char>(std::min(order[h], 254));
        }
    }
    // Read out in the pixels' order, row-major.
    for (std::size_t a = 0; a < n; ++a) {
        if (ordered[a] != 0) out.push_back({pixels[a], ordered[a]});
    }
    return out;
}

void apply_stem_orders(const WalkGrids& g, const std::vector<StemOrder>& orders, int last) {
    for (const StemOrder& s : orders) {
        if (s.order > last) continue;
        g.tab5[s.at / g.nb_col][s.at % g.nb_col] = s.order;
    }
}
