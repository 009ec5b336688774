// The passes over the forest, worked on its slots: each slot keeps its links (the neighbours of
// the forest, in the neighbour order), how many of them are left, and its code at the start of
// the pass. A walk erases only the pixels it steps through, so the only codes that change in a
// pass are those of the pixels it erased and of their linked neighbours: those are worked out
// again after the pass, and the end points among them are the next pass's starts. Nothing but
// the byte grids the engine writes anyway is as large as the image.

#include "engine/forest_passes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/fill.h"
#include "engine/length.h"
#include "engine/neighbours.h"
#include "engine/pass_events.h"
#include "engine/point_updates.h"
#include "engine/walks.h"

namespace {

constexpr unsigned char kNoCode = 255;
constexpr unsigned char kEndPoint = 2;
constexpr unsigned char kJunction = 3;

// Flags of a slot.
constexpr unsigned char kErased = 1;
constexpr unsigned char kTouched = 2;   // erased, or a link of it erased, in this pass
constexpr unsigned char kFixed = 4;     // a root or a border pixel: a junction in every pass
constexpr unsigned char kInterior = 8;  // off the image's edge (the share of the progress)

// The place in kNeighbours of the step (di, dj), or -1 when it is no step to a neighbour.
int direction(PixelIndex di, PixelIndex dj) {
    for (int n = 0; n < 8; ++n) {
        if (kNeighbours[n].di == di && kNeighbours[n].dj == dj) return n;
    }
    return -1;
}

// The links of the forest: parent and children of every slot, in the neighbour order.
struct Links {
    std::vector<int> up;               // the parent slot, or -1 (a root, or no neighbour)
    std::vector<unsigned char> mask;   // bit n: linked to the neighbour at place n
    std::vector<std::uint32_t> first;  // the links of slot s: to[first[s] .. first[s + 1])
    std::vector<int> to;
};

Links read_links(const FlowForest& forest, int columns) {
    Links l;
    const std::size_t n = forest.pixels.size();
    l.up.assign(n, -1);
    l.mask.assign(n, 0);
    std::vector<unsigned char> up_place(n, 0);
    for (std::size_t s = 0; s < n; ++s) {
        const int p = forest.parent[s];
        if (p < 0 || static_cast<std::size_t>(p) >= n) continue;
        const PixelIndex a = forest.pixels[s];
        const PixelIndex b = forest.pixels[static_cast<std::size_t>(p)];
        const int d = direction(b / columns - a / columns, b % columns - a % columns);
        if (d < 0) continue;  // not a neighbour: read as a root
        l.up[s] = p;
        up_place[s] = static_cast<unsigned char>(d);
        l.mask[s] |= static_cast<unsigned char>(1u << d);
        l.mask[static_cast<std::size_t>(p)] |= static_cast<unsigned char>(1u << ((d + 4) % 8));
    }
    l.first.resize(n + 1);
    l.first[0] = 0;
    for (std::size_t s = 0; s < n; ++s) {
        l.first[s + 1] = l.first[s] + static_cast<std::uint32_t>(std::popcount(l.mask[s]));
    }
    l.to.resize(l.first[n]);
    // A link's place among a slot's links is the count of its links before it in the order.
    auto at = [&l](std::size_t s, int d) {
        const unsigned before = l.mask[s] & ((1u << d) - 1u);
        return l.first[s] + static_cast<std::uint32_t>(std::popcount(before));
    };
    for (std::size_t s = 0; s < n; ++s) {
        const int p = l.up[s];
        if (p < 0) continue;
        const int d = up_place[s];
        l.to[at(s, d)] = p;
        l.to[at(static_cast<std::size_t>(p), (d + 4) % 8)] = static_cast<int>(s);
    }
    return l;
}

// Where the segments flow, as the engine's pass loop tells it: a counted walk waits at its stop
// pixel until a later walk records that pixel other than as its own stop.
struct Confluences {
    std::unordered_map<int, std::vector<long long>> waiting;  // stop slot -> segments
    std::vector<long long> flows_into;

    void walked(const std::vector<int>& trail, bool counted) {
        const long long segment = counted ? static_cast<long long>(flows_into.size()) : -1;
        const std::size_t taken = trail.size() - (counted ? 1 : 0);
        for (std::size_t n = 0; n < taken; ++n) {
            const auto at = waiting.find(trail[n]);
            if (at == waiting.end()) continue;
            for (long long up : at->second) flows_into[static_cast<std::size_t>(up)] = segment;
            waiting.erase(at);
        }
        if (!counted) return;
        flows_into.push_back(-1);
        waiting[trail.back()].push_back(segment);
    }
};

struct ForestRun {
    const WalkGrids& g;
    const FlowForest& forest;
    const StepLengths d;
    const bool paths;
    Links links;
    std::vector<unsigned char> code;   // the codes at the start of the pass
    std::vector<unsigned char> flags;  // kErased, kTouched, kFixed, kInterior
    std::vector<unsigned char> left;   // links left
    std::vector<int> touched;          // slots kTouched in this pass
    std::vector<int> starts;           // end points of the pass, row-major
    long long interior = 0;
    long long erased = 0;  // interior pixels erased
    Confluences confluences;
    std::vector<int> trail;  // the slots of a walk, when the paths are wanted

    ForestRun(const WalkGrids& grids, const FlowForest& f, const StepLengths& lengths,
              bool keep_paths)
        : g(grids), forest(f), d(lengths), paths(keep_paths), links(read_links(f, grids.nb_col)) {
        const std::size_t n = f.pixels.size();
        code.resize(n);
        flags.resize(n);
        left.resize(n);
        for (std::size_t s = 0; s < n; ++s) {
            const int i = row(static_cast<int>(s));
            const int j = column(static_cast<int>(s));
            const bool inside = i > 0 && j > 0 && i < g.nb_lig - 1 && j < g.nb_col - 1;
            interior += inside;
            flags[s] = static_cast<unsigned char>(
                (inside ? kInterior : 0) | (links.up[s] < 0 || g.on_border(i, j) ? kFixed : 0));
            left[s] = static_cast<unsigned char>(std::popcount(links.mask[s]));
            code[s] = code_now(static_cast<int>(s));
            if (g.tab2 != nullptr) g.tab2[i][j] = code[s];
            if (code[s] == kEndPoint) starts.push_back(static_cast<int>(s));
        }
    }

    int row(int s) const {
        return static_cast<int>(forest.pixels[static_cast<std::size_t>(s)] / g.nb_col);
    }
    int column(int s) const {
        return static_cast<int>(forest.pixels[static_cast<std::size_t>(s)] % g.nb_col);
    }

    unsigned char code_now(int s) const {
        const auto u = static_cast<std::size_t>(s);
        if (flags[u] & kErased) return kNoCode;
        if (flags[u] & kFixed) return kJunction;
        if (left[u] == 1) return kEndPoint;
        return left[u] > 2 ? kJunction : kNoCode;
    }

    void touch(int s) {
        unsigned char& f = flags[static_cast<std::size_t>(s)];
        if (f & kTouched) return;
        f |= kTouched;
        touched.push_back(s);
    }

    void erase(int s) {
        const auto u = static_cast<std::size_t>(s);
        if (flags[u] & kErased) return;
        flags[u] |= kErased;
        g.tab1[row(s)][column(s)] = 255;
        erased += (flags[u] & kInterior) != 0;
        touch(s);
        for (std::uint32_t e = links.first[u]; e < links.first[u + 1]; ++e) {
            --left[static_cast<std::size_t>(links.to[e])];
            touch(links.to[e]);
        }
    }

    // The first link of s left, in the neighbour order, or -1.
    int next_of(int s) const {
        const auto u = static_cast<std::size_t>(s);
        for (std::uint32_t e = links.first[u]; e < links.first[u + 1]; ++e) {
            if (!(flags[static_cast<std::size_t>(links.to[e])] & kErased)) return links.to[e];
        }
        return -1;
    }

    // The walk of pass k from the end point `start`, recorded in w.
    void walk(int start, int k, PassWalks& w) {
        code[static_cast<std::size_t>(start)] = kNoCode;  // it cannot end its own walk
        if (g.tab2 != nullptr) g.tab2[row(start)][column(start)] = kNoCode;
        trail.clear();
        int points = 0;
        double dist = 0.0;
        int prev = start;
        int at = start;
        bool counted = false;
        for (;;) {
            ++points;
            if (paths) trail.push_back(at);
            g.tab5[row(at)][column(at)] = static_cast<unsigned char>(k);
            if (code[static_cast<std::size_t>(at)] == kJunction) {
                counted = true;
                break;
            }
            erase(at);
            const int next = next_of(at);
            if (next < 0) break;
            // The last point of a walk is never summed.
            dist += d.half_steps[links.mask[static_cast<std::size_t>(at)]];
            prev = at;
            at = next;
        }
        if (points > 1) {
            // The last link gets its other half.
            const bool diagonal = row(prev) != row(at) && column(prev) != column(at);
            dist += diagonal ? d.dist_diag : d.dist_cardi;
        }
        ++w.segm_order;
        w.segm_points.push_back(points);
        w.segm_dist.push_back(dist);
        w.segm_counted.push_back(counted ? 1 : 0);
        if (paths) {
            confluences.walked(trail, counted);
            std::vector<PixelIndex> path(trail.size());
            for (std::size_t n = 0; n < trail.size(); ++n) {
                path[n] = forest.pixels[static_cast<std::size_t>(trail[n])];
            }
            w.segm_path.push_back(std::move(path));
        }
    }

    PassWalks pass(int k) {
        PassWalks w;
        for (int s : starts) walk(s, k, w);
        return w;
    }

    // The codes of what the pass changed, and the next pass's starts.
    void reclassify() {
        starts.clear();
        for (int s : touched) {
            const auto u = static_cast<std::size_t>(s);
            flags[u] &= static_cast<unsigned char>(~kTouched);
            code[u] = code_now(s);
            if (g.tab2 != nullptr) g.tab2[row(s)][column(s)] = code[u];
            if (code[u] == kEndPoint) starts.push_back(s);
        }
        touched.clear();
        std::sort(starts.begin(), starts.end());
    }

    // Every pixel no walk labelled takes its Strahler order in the forest, when it is up to
    // `last`: children before parents, from the pixels nothing drains to.
    void order_unlabelled(int last) const {
        const std::size_t n = forest.pixels.size();
        const std::vector<unsigned char> order = forest_orders(links.up);
        // Slots on a cycle of parents keep order 0: none.
        for (std::size_t s = 0; s < n; ++s) {
            unsigned char& label = g.tab5[row(static_cast<int>(s))][column(static_cast<int>(s))];
            if (label == 255 && order[s] != 0 && order[s] <= last) label = order[s];
        }
    }
};

}  // namespace

EngineResult forest_passes(const EngineGrids& grids, const EngineOptions& options,
                           const FlowForest& forest, PassEvents& events) {
    EngineResult result;
    result.borderless_parts = forest.borderless_parts;
    fill_grid(grids.orders, grids.lines, grids.columns, 255);
    if (grids.points != nullptr) fill_grid(grids.points, grids.lines, grids.columns, kNoCode);
    const int last = std::clamp(options.last_order, 0, kMostOrders);
    WalkGrids g{grids.network, grids.points, grids.orders, network_value(options.network_value),
                grids.lines,   grids.columns};
    g.outside = options.outside_value;
    ForestRun run(g, forest, step_lengths(options.pixel_size_m), events.wants_paths());
    const std::string border = mark_border_once(g);
    auto share = [&run] {
        return run.interior > 0 ? std::min(1.0, static_cast<double>(run.erased) /
                                                    static_cast<double>(run.interior))
                                : 1.0;
    };
    events.progress(1, share());
    for (int k = 1; k <= last; ++k) {
        events.pass_begins(k, border);
        const PassWalks w = run.pass(k);
        result.segments[static_cast<std::size_t>(k)] = counted_walks(w);
        result.total_length += counted_length(w);
        events.pass_ends(k, w);
        run.reclassify();
        events.progress(1, share());
    }
    run.order_unlabelled(last);
    if (run.paths) events.network_done(run.confluences.flows_into);
    events.progress(1, 1.0);
    return result;
}
