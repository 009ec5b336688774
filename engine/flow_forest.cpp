// The forest is read in two steps.
//
// 1. Every pixel drains along the cheapest path to a root, found from the roots outwards
//    (Dijkstra's search, its costs in whole units kept in buckets). A step costs its length; a
//    diagonal step past a network pixel (a corner the drawing's links cut) costs more, so that a
//    stair-step line runs through its corners as the drawing reads it, yet two channels side by
//    side can still each drain diagonally past the other; and a step costs more the more it turns
//    from the way the pixel it drains to drains on, since flow runs on rather than doubling back.
//    A pixel takes the neighbour it was first reached from at the lowest cost.
// 2. Shortest paths cut corners and leave pixels of a channel hanging beside it as one-pixel
//    sources. A leaf of the forest takes up a neighbour that drains past it (to a pixel that
//    keeps another pixel draining to it) when that lengthens the neighbour's way by at most one
//    side: the line then runs through the leaf. A leaf only takes up a pixel reached at a higher
//    cost in step 1, so the forest never gets a loop. Three rounds, or fewer when one changes
//    nothing.
//
// 3. Steps 1 and 2 run twice, with a diagonal past a corner dearer and cheaper. Each part of the
//    network (a set of pixels that both forests keep together) takes the forest whose Strahler
//    orders sum lower there: where channels touch, a reading that joins them where they only
//    touch makes junctions that raise every order below, and the cheaper corner reads stair-step
//    lines as junctions where the dearer one does not.
//
// Measured on generated terrains (docs/dense_networks.md): without the turns the densest
// networks lose two points of the pixels right; without step 2, seven; either corner alone
// loses a point on the densest networks (the dearer) or seven on sparse ones (the cheaper).

#include "engine/flow_forest.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "engine/set_root.h"

namespace {

// Position n of the neighbour order (engine/neighbours.h) as a step in lines and columns; the
// positions run clockwise, so |n - m| (mod 8) eighths of a turn lie between two of them.
constexpr int kDi[8] = {-1, -1, -1, 0, 1, 1, 1, 0};
constexpr int kDj[8] = {-1, 0, 1, 1, 1, 0, -1, -1};
constexpr unsigned char kNoWay = 8;  // a root drains nowhere in the image

// Costs in hundredths of a pixel side.
constexpr int kSide = 100;
constexpr int kDiagonal = 141;
// More for a diagonal step whose corner holds a network pixel, in the two readings.
constexpr int kPastCorner[2] = {140, 100};
constexpr int kTurn = 50;  // more for each eighth of a turn
constexpr int kDearestStep = kDiagonal + kPastCorner[0] + 4 * kTurn;
constexpr int kTakeUpReach = kSide;  // a leaf takes up a neighbour whose way grows this much
constexpr int kRounds = 3;

int eighths(int a, int b) {
    const int d = (a - b + 8) % 8;
    return std::min(d, 8 - d);
}

// The network pixels and, for each, which of its neighbours are network and where the lines
// above and below it hold their slots, so that a neighbour's slot is found without a search.
struct Network {
    std::vector<unsigned char> around;  // bit n: the neighbour at position n is network
    std::vector<int> above;  // the first slot of the line above at column j - 1 or beyond
    std::vector<int> below;  // the same on the line below

    // The slots of the eight neighbours of slot s in the neighbour order, -1 off the network.
    void neighbours(int s, int out[8]) const {
        const auto u = static_cast<std::size_t>(s);
        const unsigned m = around[u];
        auto bit = [m](int n) { return static_cast<int>((m >> n) & 1u); };
        for (int n = 0; n < 8; ++n) out[n] = -1;
        if (bit(7)) out[7] = s - 1;
        if (bit(3)) out[3] = s + 1;
        if (m & 0x07u) {  // upper left, up, upper right lie in column order
            int at = above[u];
            for (int n = 0; n < 3; ++n) {
                if (bit(n)) out[n] = at++;
            }
        }
        if (m & 0x70u) {  // lower left, down, lower right
            int at = below[u];
            for (int n = 6; n >= 4; --n) {
                if (bit(n)) out[n] = at++;
            }
        }
    }

    int past_corner = kPastCorner[0];

    // Cost of the step from slot p to its neighbour at position n of p.
    int step(int p, int n) const {
        if (n % 2 == 1) return kSide;
        // A diagonal's corner cells are the side neighbours on either side of it.
        const unsigned sides = (1u << ((n + 1) % 8)) | (1u << ((n + 7) % 8));
        return (around[static_cast<std::size_t>(p)] & sides) != 0 ? kDiagonal + past_corner
                                                                  : kDiagonal;
    }
};

// Lists the network pixels of tab1 in `pixels` and makes their neighbourhoods.
Network list_network(const WalkGrids& g, std::vector<PixelIndex>& pixels) {
    const auto value = static_cast<unsigned char>(g.net);
    std::vector<std::size_t> line_at(static_cast<std::size_t>(g.nb_lig) + 1, 0);
    for (int i = 0; i < g.nb_lig; ++i) {
        line_at[static_cast<std::size_t>(i)] = pixels.size();
        const unsigned char* row = g.tab1[i];
        for (int j = 0; j < g.nb_col; ++j) {
            if (row[j] == value) pixels.push_back(static_cast<PixelIndex>(i) * g.nb_col + j);
        }
    }
    line_at[static_cast<std::size_t>(g.nb_lig)] = pixels.size();
    if (pixels.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw std::length_error("too many network pixels for the flow-grid reading");
    }
    Network net;
    const std::size_t n = pixels.size();
    net.around.assign(n, 0);
    net.above.assign(n, -1);
    net.below.assign(n, -1);
    auto in = [&](int i, int j) {
        return i >= 0 && j >= 0 && i < g.nb_lig && j < g.nb_col && g.tab1[i][j] == value;
    };
    for (int i = 0; i < g.nb_lig; ++i) {
        // The first slot at column j - 1 or beyond on the lines above and below, walked along.
        std::size_t up = i > 0 ? line_at[static_cast<std::size_t>(i) - 1] : 0;
        std::size_t down = i + 1 < g.nb_lig ? line_at[static_cast<std::size_t>(i) + 1] : 0;
        for (std::size_t s = line_at[static_cast<std::size_t>(i)];
             s < line_at[static_cast<std::size_t>(i) + 1]; ++s) {
            const int j = static_cast<int>(pixels[s] % g.nb_col);
            unsigned m = 0;
            for (int k = 0; k < 8; ++k) {
                if (in(i + kDi[k], j + kDj[k])) m |= 1u << k;
            }
            net.around[s] = static_cast<unsigned char>(m);
            if (i > 0) {
                const PixelIndex from = static_cast<PixelIndex>(i - 1) * g.nb_col + (j - 1);
                while (up < line_at[static_cast<std::size_t>(i)] && pixels[up] < from) ++up;
                net.above[s] = static_cast<int>(up);
            }
            if (i + 1 < g.nb_lig) {
                const PixelIndex from = static_cast<PixelIndex>(i + 1) * g.nb_col + (j - 1);
                while (down < line_at[static_cast<std::size_t>(i) + 2] && pixels[down] < from)
                    ++down;
                net.below[s] = static_cast<int>(down);
            }
        }
    }
    return net;
}

struct Search {
    std::vector<long long> cost;
    std::vector<int> parent;
    std::vector<unsigned char> way;  // position (of the pixel) of the neighbour it drains to
    std::vector<char> settled;
    std::vector<int> settle_order;  // slots as they were settled: every parent before its pixels
    std::vector<std::vector<int>> buckets;  // of settle(), by cost
};

// Settles every slot reachable from `roots` (cost 0), cheapest first, equal costs in the order
// they were reached.
void settle(const Network& net, const std::vector<int>& roots, Search& s) {
    constexpr int kBuckets = kDearestStep + 1;
    // Kept from one call to the next (empty between them): a network of many small parts that
    // reach no border makes one call each.
    std::vector<std::vector<int>>& buckets = s.buckets;
    if (buckets.empty()) buckets.resize(kBuckets);
    long long pending = 0;
    for (int r : roots) {
        s.cost[static_cast<std::size_t>(r)] = 0;
        buckets[0].push_back(r);
        ++pending;
    }
    std::vector<int> now;
    int nb[8];
    for (long long at = 0; pending > 0; ++at) {
        std::vector<int>& bucket = buckets[static_cast<std::size_t>(at % kBuckets)];
        if (bucket.empty()) continue;
        now.swap(bucket);
        bucket.clear();
        pending -= static_cast<long long>(now.size());
        for (int q : now) {
            const auto uq = static_cast<std::size_t>(q);
            if (s.settled[uq] || s.cost[uq] != at) continue;
            s.settled[uq] = 1;
            s.settle_order.push_back(q);
            net.neighbours(q, nb);
            for (int n = 0; n < 8; ++n) {
                const int p = nb[n];
                if (p < 0 || s.settled[static_cast<std::size_t>(p)]) continue;
                const int towards = (n + 4) % 8;  // q seen from p
                int c = net.step(p, towards);
                if (s.way[uq] != kNoWay) c += kTurn * eighths(towards, s.way[uq]);
                const auto up = static_cast<std::size_t>(p);
                if (at + c < s.cost[up]) {
                    s.cost[up] = at + c;
                    s.parent[up] = q;
                    s.way[up] = static_cast<unsigned char>(towards);
                    buckets[static_cast<std::size_t>((at + c) % kBuckets)].push_back(p);
                    ++pending;
                }
            }
        }
        now.clear();
    }
}

// Step 2: leaves take up the neighbours that drain past them.
void take_up(const Network& net, Search& s) {
    const std::size_t n_slots = s.parent.size();
    std::vector<unsigned char> draining(n_slots, 0);  // pixels draining to each, up to 255
    std::vector<long long> way_length(n_slots, 0);    // along the forest to the root
    int nb[8];
    for (int round = 0; round < kRounds; ++round) {
        std::fill(draining.begin(), draining.end(), 0);
        for (std::size_t q = 0; q < n_slots; ++q) {
            const int p = s.parent[q];
            if (p >= 0 && draining[static_cast<std::size_t>(p)] < 255)
                ++draining[static_cast<std::size_t>(p)];
        }
        for (int q : s.settle_order) {
            const auto uq = static_cast<std::size_t>(q);
            const int p = s.parent[uq];
            way_length[uq] = p < 0 ? 0
                                   : way_length[static_cast<std::size_t>(p)] +
                                         (s.way[uq] % 2 == 1 ? kSide : kDiagonal);
        }
        bool changed = false;
        for (int leaf : s.settle_order) {
            const auto ul = static_cast<std::size_t>(leaf);
            if (draining[ul] != 0 || s.parent[ul] < 0) continue;
            net.neighbours(leaf, nb);
            int best = -1;
            long long best_growth = 0;
            for (int n = 0; n < 8; ++n) {
                const int q = nb[n];
                if (q < 0 || q == s.parent[ul]) continue;
                const auto uq = static_cast<std::size_t>(q);
                const int below = s.parent[uq];
                if (below < 0 || draining[static_cast<std::size_t>(below)] < 2) continue;
                if (!(s.cost[ul] < s.cost[uq])) continue;
                const long long growth =
                    way_length[ul] + (n % 2 == 1 ? kSide : kDiagonal) - way_length[uq];
                if (growth <= kTakeUpReach && (best < 0 || growth < best_growth)) {
                    best = q;
                    best_growth = growth;
                }
            }
            if (best < 0) continue;
            const auto ub = static_cast<std::size_t>(best);
            --draining[static_cast<std::size_t>(s.parent[ub])];
            s.parent[ub] = leaf;
            int from_best = 0;  // the leaf's position seen from `best`
            for (int n = 0; n < 8; ++n) {
                if (nb[n] == best) from_best = (n + 4) % 8;
            }
            s.way[ub] = static_cast<unsigned char>(from_best);
            ++draining[ul];
            changed = true;
        }
        if (!changed) break;
    }
}

// Steps 1 and 2 with the costs of `net`: the parent of every slot, and the parts that reach
// no border.
std::vector<int> read_forest(const Network& net, const std::vector<int>& roots, std::size_t n,
                             int& borderless_parts) {
    Search s;
    s.cost.assign(n, std::numeric_limits<long long>::max());
    s.parent.assign(n, -1);
    s.way.assign(n, kNoWay);
    s.settled.assign(n, 0);
    s.settle_order.reserve(n);
    settle(net, roots, s);
    // A part that reaches no border drains to its first pixel.
    borderless_parts = 0;
    for (std::size_t q = 0; q < n; ++q) {
        if (s.settled[q]) continue;
        ++borderless_parts;
        settle(net, {static_cast<int>(q)}, s);
    }
    take_up(net, s);
    return std::move(s.parent);
}

// Whether a diagonal neighbour of some network pixel has a network pixel at its corner.
bool any_cut_corner(const Network& net) {
    for (unsigned char m : net.around) {
        for (int n = 0; n < 8; n += 2) {
            if (((m >> n) & 1u) && ((m >> ((n + 1) % 8)) & 1u || (m >> ((n + 7) % 8)) & 1u))
                return true;
        }
    }
    return false;
}

}  // namespace

std::vector<unsigned char> forest_orders(const std::vector<int>& parent) {
    const std::size_t n = parent.size();
    std::vector<unsigned char> order(n, 0);
    std::vector<unsigned char> top(n, 0);     // highest order draining in
    std::vector<unsigned char> at_top(n, 0);  // how many bring it, up to 2
    std::vector<unsigned char> waiting(n, 0);
    for (std::size_t q = 0; q < n; ++q) {
        if (parent[q] >= 0) ++waiting[static_cast<std::size_t>(parent[q])];
    }
    std::vector<int> ready;
    for (std::size_t q = 0; q < n; ++q) {
        if (waiting[q] == 0) ready.push_back(static_cast<int>(q));
    }
    while (!ready.empty()) {
        const auto q = static_cast<std::size_t>(ready.back());
        ready.pop_back();
        const int o = top[q] == 0 ? 1 : std::min(63, top[q] + (at_top[q] >= 2 ? 1 : 0));
        order[q] = static_cast<unsigned char>(o);
        if (parent[q] < 0) continue;
        const auto p = static_cast<std::size_t>(parent[q]);
        if (o > top[p]) {
            top[p] = static_cast<unsigned char>(o);
            at_top[p] = 1;
        } else if (o == top[p] && at_top[p] < 2) {
            ++at_top[p];
        }
        if (--waiting[p] == 0) ready.push_back(static_cast<int>(p));
    }
    return order;
}

FlowForest read_flow_forest(const WalkGrids& g) {
    FlowForest f;
    if (g.net < 0) return f;
    Network net = list_network(g, f.pixels);
    const std::size_t n = f.pixels.size();
    std::vector<int> roots;
    for (std::size_t q = 0; q < n; ++q) {
        const int i = static_cast<int>(f.pixels[q] / g.nb_col);
        const int j = static_cast<int>(f.pixels[q] % g.nb_col);
        if (g.on_border(i, j)) roots.push_back(static_cast<int>(q));
    }
    std::vector<int> parents[2];
    net.past_corner = kPastCorner[0];
    parents[0] = read_forest(net, roots, n, f.borderless_parts);
    // Where no diagonal passes a network pixel (a clean forest), the costs of the two readings
    // are the same, and so are their forests.
    if (!any_cut_corner(net)) {
        f.parent = std::move(parents[0]);
        return f;
    }
    net.past_corner = kPastCorner[1];
    parents[1] = read_forest(net, roots, n, f.borderless_parts);
    // The parts: pixels joined by a link of either forest.
    std::vector<int> part(n);
    for (std::size_t q = 0; q < n; ++q) part[q] = static_cast<int>(q);
    for (const std::vector<int>& parent : parents) {
        for (std::size_t q = 0; q < n; ++q) {
            if (parent[q] < 0) continue;
            const int a = set_root(part, static_cast<int>(q));
            const int b = set_root(part, parent[q]);
            if (a != b) part[static_cast<std::size_t>(std::max(a, b))] = std::min(a, b);
        }
    }
    std::vector<long long> sum[2];
    for (int r = 0; r < 2; ++r) {
        const std::vector<unsigned char> order = forest_orders(parents[r]);
        sum[r].assign(n, 0);
        for (std::size_t q = 0; q < n; ++q) {
            sum[r][static_cast<std::size_t>(set_root(part, static_cast<int>(q)))] += order[q];
        }
    }
    f.parent = std::move(parents[0]);
    for (std::size_t q = 0; q < n; ++q) {
        const auto at = static_cast<std::size_t>(set_root(part, static_cast<int>(q)));
        if (sum[1][at] < sum[0][at]) f.parent[q] = parents[1][q];
    }
    return f;
}
