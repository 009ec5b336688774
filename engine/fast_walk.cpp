#include "engine/fast_walk.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstddef>
#include <vector>

#include "engine/byte_reads.h"
#include "engine/links.h"
#include "engine/neighbours.h"

namespace {

// Labels every pixel of the group with k and erases it; returns the pixels erased.
int erase_group(const WalkGrids& g, Group& group, unsigned char label, WalkTrace* trace) {
    int erased = 0;
    for (PixelIndex p : group.pixels) {
        if (trace != nullptr) trace->groups.push_back(p);
        const int i = static_cast<int>(p / g.nb_col);
        const int j = static_cast<int>(p % g.nb_col);
        g.tab5[i][j] = label;
        if (g.tab1[i][j] == g.net) {
            g.tab1[i][j] = 255;
            ++erased;
        }
        if (g.tab2 != nullptr) g.tab2[i][j] = 255;
    }
    group.gone = true;
    return erased;
}

// What a step sees around its pixel.
struct StepLook {
    int next_i = -1;  // the first neighbour still there that is linked, or -1
    int next_j = -1;
    int left_count = 0;     // linked neighbours still there
    int now = 0;            // linked neighbours erased by this pass
    double dist_loc = 0.0;  // half-steps to the linked neighbours, metres
};

// The lines of tab1 and tab5 above, through and below the interior pixel (ic, jc), each from
// its column.
struct Around {
    const unsigned char* up1;
    const unsigned char* mid1;
    const unsigned char* down1;
    const unsigned char* up5;
    const unsigned char* mid5;
    const unsigned char* down5;
};

inline Around around(const WalkGrids& g, int ic, int jc) {
    return {g.tab1[ic - 1] + jc, g.tab1[ic] + jc, g.tab1[ic + 1] + jc,
            g.tab5[ic - 1] + jc, g.tab5[ic] + jc, g.tab5[ic + 1] + jc};
}

// One look at the neighbours of the interior pixel (ic, jc) gives all that a step needs: the
// pixels still there, those erased by this pass (label k, no longer network), whose sum with
// those still there is the count that classified the pixel, the links and the half-steps.
//
// Where no pixel cuts a corner, the look follows the plain eight-neighbour rule in the order of
// the neighbours, so that the next pixel is known as soon as tab1 is read, and tab5 is read
// only where tab1 no longer holds the network.
template <bool kShared>
[[gnu::always_inline]] inline StepLook look_plain(const WalkGrids& g, int ic, int jc,
                                                  unsigned char label, const StepLengths& d) {
    const int net = g.net;
    const Around at = around(g, ic, jc);
    StepLook l;
    auto look = [&](const unsigned char* line1, const unsigned char* line5, int di, int dj,
                    double half_step) {
        if (read_byte<kShared, std::memory_order_acquire>(line1 + dj) == net) {
            ++l.left_count;
            l.dist_loc += half_step;
            if (l.next_i < 0) {
                l.next_i = ic + di;
                l.next_j = jc + dj;
            }
        } else {
            // Adding 0.0 leaves the sum as it is: the half-steps stay summed in the neighbour
            // order, the same to the last digit.
            const unsigned char order = read_byte<kShared>(line5 + dj);
            l.now += order == label;
            l.dist_loc += order != 255 ? half_step : 0.0;
        }
    };
    look(at.up1, at.up5, -1, -1, d.dist_diag);
    look(at.up1, at.up5, -1, 0, d.dist_cardi);
    look(at.up1, at.up5, -1, 1, d.dist_diag);
    look(at.mid1, at.mid5, 0, 1, d.dist_cardi);
    look(at.down1, at.down5, 1, 1, d.dist_diag);
    look(at.down1, at.down5, 1, 0, d.dist_cardi);
    look(at.down1, at.down5, 1, -1, d.dist_diag);
    look(at.mid1, at.mid5, 0, -1, d.dist_cardi);
    return l;
}

// Where pixels may cut corners (a quarter of the steps on a dense network), the bytes are read
// into masks without a branch and the links worked out from them.
template <bool kShared>
[[gnu::always_inline]] inline StepLook look_cut(const WalkGrids& g, int ic, int jc,
                                                unsigned char label, const StepLengths& d) {
    const int net = g.net;
    const Around at = around(g, ic, jc);
    unsigned present = 0;   // still network
    unsigned labelled = 0;  // labelled by a walk
    unsigned now = 0;       // labelled by this pass
    auto look = [&](const unsigned char* line1, const unsigned char* line5, int dj, int n) {
        present |= unsigned(read_byte<kShared, std::memory_order_acquire>(line1 + dj) == net) << n;
        const unsigned char order = read_byte<kShared>(line5 + dj);
        labelled |= unsigned(order != 255) << n;
        now |= unsigned(order == label) << n;
    };
    look(at.up1, at.up5, -1, 0);
    look(at.up1, at.up5, 0, 1);
    look(at.up1, at.up5, 1, 2);
    look(at.mid1, at.mid5, 1, 3);
    look(at.down1, at.down5, 1, 4);
    look(at.down1, at.down5, 0, 5);
    look(at.down1, at.down5, -1, 6);
    look(at.mid1, at.mid5, -1, 7);
    // A neighbour still network is loaded whatever tab5 says (a walk labels a pixel before it
    // erases it).
    const unsigned loaded = present | labelled;
    const unsigned links = linked(loaded);
    const unsigned left = present & links;
    StepLook l;
    l.left_count = link_count(left);
    l.now = link_count(now & links & ~present);
    if (left != 0) {
        const Neighbour& first = kNeighbours[std::countr_zero(left)];
        l.next_i = ic + first.di;
        l.next_j = jc + first.dj;
    }
    l.dist_loc = d.half_steps[links];
    return l;
}

template <bool kCutCorners, bool kShared>
[[gnu::always_inline]] inline StepLook look_around(const WalkGrids& g, int ic, int jc,
                                                   unsigned char label, const StepLengths& d) {
    if constexpr (kCutCorners) {
        return look_cut<kShared>(g, ic, jc, label, d);
    } else {
        return look_plain<kShared>(g, ic, jc, label, d);
    }
}

// What a walk does at a junction group with two lines left or fewer, not on the border.
enum class AtGroup { take, run_through, give_up };

// The walk in order: the only one on the grids while it goes, so it reads and writes them
// plainly and never gives up. It fills the trace when one is given.
struct InOrder {
    static constexpr bool kShared = false;
    static constexpr bool kGivesUp = false;
    WalkTrace* trace = nullptr;

    void erase(const WalkGrids& g, int i, int j) const { g.tab1[i][j] = 255; }
    bool may_step_onto(const WalkGrids&, int, int) const { return true; }
    void arrive(const WalkGrids& g, int i, int j, unsigned char label) const {
        g.tab5[i][j] = label;
        record(static_cast<PixelIndex>(i) * g.nb_col + j);
    }
    void record(PixelIndex p) const {
        if (trace != nullptr) trace->path.push_back(p);
    }
    // A group with one line left, or none but the one the walk came by, is the far end of what
    // is left: the walk takes it and ends. Otherwise it runs through to the other line.
    AtGroup at_group(const WalkGrids& g, const Groups& groups, int gi, unsigned char,
                     GroupExit& exit) const {
        const Group& gr = groups.list[static_cast<std::size_t>(gi)];
        if (gr.degree <= 1 || count_exits(g, groups, gi, &exit) == 0) return AtGroup::take;
        return AtGroup::run_through;
    }
    // Labels every pixel of the group and erases those still network; returns how many.
    int take(const WalkGrids& g, Group& gr, unsigned char label) const {
        return erase_group(g, gr, label, trace);
    }
};

// A shared walk (see SharedWalk in fast_walk.h): it logs the pixels it steps on or erases with
// the tab5 value it found there, holds the groups it runs through, and gives up wherever its
// outcome depends on the order of the walks of the pass.
struct Shared {
    static constexpr bool kShared = true;
    static constexpr bool kGivesUp = true;
    StepLog& log;
    std::vector<int>& claimed;

    void erase(const WalkGrids& g, int i, int j) const {
        store_shared(&g.tab1[i][j], 255, std::memory_order_release);
    }
    // Another start of the pass: which of the two walks takes the line depends on their order.
    bool may_step_onto(const WalkGrids& g, int i, int j) const {
        const unsigned char old = read_byte<true>(&g.tab5[i][j]);
        if (old == kStartMark) return false;
        log.push_back({static_cast<PixelIndex>(i) * g.nb_col + j, old});
        return true;
    }
    void arrive(const WalkGrids& g, int i, int j, unsigned char label) const {
        store_shared(&g.tab5[i][j], label, std::memory_order_relaxed);
    }
    void record(PixelIndex) const {}
    // What is left of a group with a single line depends on the other walks (it starts a walk
    // of the pass itself). One with two lines left is run through, unless another walk of the
    // pass has taken it or the other line's first pixel, or another walk of the pass has stepped
    // on a pixel of the group (labelled with the pass's order).
    AtGroup at_group(const WalkGrids& g, Groups& groups, int gi, unsigned char label,
                     GroupExit& exit) const {
        Group& gr = groups.list[static_cast<std::size_t>(gi)];
        if (gr.degree < 2) return AtGroup::give_up;
        int free = 0;
        if (!std::atomic_ref(gr.claim).compare_exchange_strong(free, 1,
                                                               std::memory_order_acq_rel)) {
            return AtGroup::give_up;
        }
        claimed.push_back(gi);
        if (count_exits<true>(g, groups, gi, &exit) != 1) return AtGroup::give_up;
        // Walks may step on pixels of a group as on a line where it has two links left, and
        // which of two walks goes first then decides. So every pixel of the group labelled with
        // the pass's order must be one of this walk's own last steps in the group (its last
        // pixels logged, each once, the one it stands on included), and no other walk may have
        // been on those before it. The pixels that earlier passes erased carry their own orders.
        std::size_t own = 0;
        for (auto e = log.rbegin();
             e != log.rend() && std::binary_search(gr.pixels.begin(), gr.pixels.end(), e->at);
             ++e, ++own) {
            if (e->old == label) return AtGroup::give_up;
        }
        const auto labelled = std::count_if(gr.pixels.begin(), gr.pixels.end(), [&](PixelIndex p) {
            return read_byte<true>(&g.tab5[p / g.nb_col][p % g.nb_col]) == label;
        });
        return static_cast<std::size_t>(labelled) == own ? AtGroup::run_through : AtGroup::give_up;
    }
    // Labels every pixel of the group and erases those still network, as the walk in order
    // does; returns how many it erased. Only those are logged: a pixel that an earlier pass
    // erased keeps the label, even when the walk gives up, as the walk in order that takes its
    // place labels it so again. No walk of the pass reads the label in a way that matters: a
    // pixel outside the group linked to one of the group's has two links at most (with three it
    // would be a junction of the group), so a walk on it never finds a junction there.
    int take(const WalkGrids& g, Group& gr, unsigned char label) const {
        int erased = 0;
        for (PixelIndex p : gr.pixels) {
            unsigned char* const t1 = &g.tab1[p / g.nb_col][p % g.nb_col];
            unsigned char* const t5 = &g.tab5[p / g.nb_col][p % g.nb_col];
            if (read_byte<true>(t1) != g.net) {
                store_shared(t5, label, std::memory_order_relaxed);
                continue;
            }
            log.push_back({p, read_byte<true>(t5)});
            store_shared(t5, label, std::memory_order_relaxed);
            store_shared(t1, 255, std::memory_order_release);
            ++erased;
        }
        gr.gone = true;
        return erased;
    }
};

// A walk that starts from a group it has taken: the group is its first point, its pixels that
// were network are erased, and the first step is free (its other links lead into the group).
void start_from_group(WalkState& w, int erased) {
    w.group_erased = erased;
    w.group_points = 1;
    w.free_step = true;
}

// Ends the walk w on the pixel it is on, a stop when `counted`.
WalkStep end_walk(const StepLengths& d, WalkState& w, bool counted) {
    w.end.counted = counted;
    if (w.end.points > 1) {
        // The last link gets its other half here.
        const bool diagonal = w.prev_i != w.ic && w.prev_j != w.jc;
        w.dist_tot += diagonal ? d.dist_diag : d.dist_cardi;
    }
    // Every point but a stop and the group pixels is erased, and so is every group pixel that
    // was network.
    w.end.erased = w.group_erased + w.end.points - w.group_points - (counted ? 1 : 0);
    w.end.length = w.dist_tot;
    w.end.last_i = w.ic;
    w.end.last_j = w.jc;
    return WalkStep::ended;
}

// The step of w from a junction: a stop, unless the pixel belongs to a group with two lines left
// or fewer that is not on the border, which the policy takes, runs through or gives up at. Kept
// out of line: junctions are few, and the common step stays small.
template <class Policy>
[[gnu::noinline]] WalkStep step_at_junction(const WalkGrids& g, Groups& groups, unsigned char label,
                                            const StepLengths& d, WalkState& w, Policy& p) {
    const auto here = static_cast<PixelIndex>(w.ic) * g.nb_col + w.jc;
    const int gi = groups.empty() ? -1 : groups.of.find(here);
    if (gi < 0) return end_walk(d, w, true);
    Group& gr = groups.list[static_cast<std::size_t>(gi)];
    if (gr.border || gr.degree >= 3) {
        w.end.group = gi;
        return end_walk(d, w, true);
    }
    GroupExit exit;
    const AtGroup at = p.at_group(g, groups, gi, label, exit);
    if (at == AtGroup::give_up) return WalkStep::gave_up;
    if (at == AtGroup::take) {
        w.group_erased += p.take(g, gr, label);
        ++w.group_points;
        return end_walk(d, w, false);
    }
    // Run through the group to the other line.
    const std::vector<int> path = path_through(groups, gi, g.nb_col, here, exit.inside);
    if (path.empty()) return end_walk(d, w, true);  // never: `here` was found in the group
    w.group_erased += p.take(g, gr, label);
    w.group_points += static_cast<int>(path.size());
    auto pixel = [&](std::size_t l) { return gr.pixels[static_cast<std::size_t>(path[l])]; };
    for (std::size_t l = 0; l + 1 < path.size(); ++l) {
        w.dist_tot += d.half_steps[groups.linked[static_cast<std::size_t>(gr.first) +
                                                 static_cast<std::size_t>(path[l])]];
        w.prev_i = static_cast<int>(pixel(l) / g.nb_col);
        w.prev_j = static_cast<int>(pixel(l) % g.nb_col);
        ++w.end.points;
        p.record(pixel(l + 1));
    }
    w.ic = static_cast<int>(pixel(path.size() - 1) / g.nb_col);
    w.jc = static_cast<int>(pixel(path.size() - 1) % g.nb_col);
    w.free_step = true;
    return WalkStep::going;
}

// One step of w with label `label`, for the walk in order and the shared walks alike.
template <class Policy, bool kCutCorners>
[[gnu::always_inline]] inline WalkStep step(const WalkGrids& g, Groups& groups, unsigned char label,
                                            const StepLengths& d, WalkState& w, Policy& p) {
    const int ic = w.ic;
    const int jc = w.jc;
    // A network pixel on the border has code 3.
    if (g.on_border(ic, jc)) return end_walk(d, w, true);
    const StepLook a = look_around<kCutCorners, Policy::kShared>(g, ic, jc, label, d);
    // A junction has more than two linked neighbours when the pass began; the start point had
    // one, so it never ends its own walk. The first pixel after a group is never a stop: its
    // other links lead into the group.
    if (a.left_count + a.now > 2 && !w.free_step)
        return step_at_junction(g, groups, label, d, w, p);
    w.free_step = false;
    p.erase(g, ic, jc);
    if (a.next_i < 0) {
        // Out of network: the far end of a part without border. For a shared walk, another
        // walk of the pass may have taken the rest of the line. The last point of a walk is
        // never summed.
        if constexpr (Policy::kGivesUp) {
            return WalkStep::gave_up;
        } else {
            return end_walk(d, w, false);
        }
    }
    if (!p.may_step_onto(g, a.next_i, a.next_j)) return WalkStep::gave_up;
    w.dist_tot += a.dist_loc;
    w.prev_i = ic;
    w.prev_j = jc;
    w.ic = a.next_i;
    w.jc = a.next_j;
    ++w.end.points;
    p.arrive(g, w.ic, w.jc, label);
    return WalkStep::going;
}

template <bool kCutCorners>
WalkEnd walk(const WalkGrids& g, Groups& groups, int k, int i, int j, int group,
             const StepLengths& d, WalkTrace* trace) {
    const auto label = static_cast<unsigned char>(k);
    InOrder in_order{trace};
    WalkState w;
    w.ic = w.prev_i = i;
    w.jc = w.prev_j = j;
    if (group >= 0) {
        start_from_group(
            w, erase_group(g, groups.list[static_cast<std::size_t>(group)], label, trace));
    } else if (g.tab2 != nullptr) {
        g.tab2[i][j] = 255;  // the start point is an end point no more
    }
    w.end.points = 1;
    in_order.arrive(g, i, j, label);
    while (step<InOrder, kCutCorners>(g, groups, label, d, w, in_order) == WalkStep::going) {
    }
    return w.end;
}

}  // namespace

WalkEnd fast_walk(const WalkGrids& g, Groups& groups, int k, int i, int j, int group,
                  const StepLengths& d, WalkTrace* trace) {
    // Where no interior pixel has a cut corner, every link is an eight-neighbour one and the
    // steps need not look for them.
    return g.cut_corners ? walk<true>(g, groups, k, i, j, group, d, trace)
                         : walk<false>(g, groups, k, i, j, group, d, trace);
}

namespace {

// A shared walk on (i, j), with nothing done yet.
void reset_shared_walk(int i, int j, SharedWalk& w) {
    w.state = WalkState{};
    w.state.ic = w.state.prev_i = i;
    w.state.jc = w.state.prev_j = j;
    w.state.end.points = 1;
    w.claimed.clear();
    w.log.clear();
}

}  // namespace

void start_shared_walk(const WalkGrids& g, int k, int i, int j, SharedWalk& w) {
    reset_shared_walk(i, j, w);
    w.log.push_back({static_cast<PixelIndex>(i) * g.nb_col + j, read_byte<true>(&g.tab5[i][j])});
    store_shared(&g.tab5[i][j], static_cast<unsigned char>(k), std::memory_order_relaxed);
}

void start_shared_group_walk(const WalkGrids& g, Groups& groups, int k, int group, int i, int j,
                             SharedWalk& w) {
    reset_shared_walk(i, j, w);
    // As the walk in order does: the group taken (its pixel (i, j) labelled with it), the first
    // step free.
    Shared shared{w.log, w.claimed};
    w.claimed.push_back(group);
    start_from_group(w.state, shared.take(g, groups.list[static_cast<std::size_t>(group)],
                                          static_cast<unsigned char>(k)));
}

namespace {

template <bool kCutCorners>
WalkStep walk_shared(const WalkGrids& g, Groups& groups, unsigned char label, const StepLengths& d,
                     SharedWalk& w) {
    Shared shared{w.log, w.claimed};
    WalkState state = w.state;
    WalkStep step_taken = WalkStep::going;
    while (step_taken == WalkStep::going)
        step_taken = step<Shared, kCutCorners>(g, groups, label, d, state, shared);
    w.state = state;
    return step_taken;
}

}  // namespace

WalkStep shared_walk(const WalkGrids& g, Groups& groups, int k, const StepLengths& d,
                     SharedWalk& w) {
    const auto label = static_cast<unsigned char>(k);
    return g.cut_corners ? walk_shared<true>(g, groups, label, d, w)
                         : walk_shared<false>(g, groups, label, d, w);
}
