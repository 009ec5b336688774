#include "engine/fast_walk.h"

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

// The half-steps to the neighbours of a links mask, summed in the neighbour order, metres.
double half_steps(unsigned links, const StepLengths& d) {
    double sum = 0.0;
    for (int n = 0; n < 8; ++n) {
        sum += links >> n & 1u ? (kNeighbours[n].diagonal ? d.dist_diag : d.dist_cardi) : 0.0;
    }
    return sum;
}

// What a step sees when a loaded pixel cuts a loaded corner, which the common path of the walk
// does not look for.
struct StepLook {
    int next_i = -1;  // the first neighbour still there that is linked, or -1
    int next_j = -1;
    int left_count = 0;     // linked neighbours still there
    int now = 0;            // linked neighbours erased by this pass
    double dist_loc = 0.0;  // half-steps to the linked neighbours, metres
};

// Kept out of line, so that the common path of a step learns its next pixel from tab1 alone and
// the walk does not wait on the reads of tab5.
template <bool kShared>
[[gnu::noinline, gnu::cold]] StepLook look_at_links(const WalkGrids& g, int ic, int jc,
                                                    unsigned present, unsigned links,
                                                    unsigned char label, const StepLengths& d) {
    StepLook l;
    const unsigned left = present & links;
    if (left != 0) {
        const Neighbour& first = kNeighbours[std::countr_zero(left)];
        l.next_i = ic + first.di;
        l.next_j = jc + first.dj;
    }
    l.left_count = std::popcount(left);
    for (int n = 0; n < 8; ++n) {
        const int i = ic + kNeighbours[n].di;
        const int j = jc + kNeighbours[n].dj;
        l.now += (links >> n & 1u) &&
                 read_byte<kShared, std::memory_order_acquire>(&g.tab1[i][j]) != g.net &&
                 read_byte<kShared>(&g.tab5[i][j]) == label;
    }
    l.dist_loc = half_steps(links, d);
    return l;
}

// One look at the neighbours of the interior pixel (ic, jc) gives all that a step needs: the
// pixels still there, those erased by this pass (label k, no longer network), whose sum with
// those still there is the count that classified the pixel, the loaded network for the links
// and the half-steps. The common case is read as the plain eight-neighbour rule, in the order
// of the neighbours, so that the next pixel is known as soon as tab1 is read; only where a
// loaded pixel cuts a loaded corner (rare) are the links worked out again.
template <bool kCutCorners, bool kShared>
[[gnu::always_inline]] inline StepLook look_around(const WalkGrids& g, int ic, int jc,
                                                   unsigned char label, const StepLengths& d) {
    const int net = g.net;
    const unsigned char* const up1 = g.tab1[ic - 1] + jc;
    const unsigned char* const mid1 = g.tab1[ic] + jc;
    const unsigned char* const down1 = g.tab1[ic + 1] + jc;
    const unsigned char* const up5 = g.tab5[ic - 1] + jc;
    const unsigned char* const mid5 = g.tab5[ic] + jc;
    const unsigned char* const down5 = g.tab5[ic + 1] + jc;
    unsigned present = 0;
    unsigned erased = 0;
    StepLook l;
    auto look = [&](const unsigned char* line1, const unsigned char* line5, int di, int dj, int n,
                    double half_step) {
        if (read_byte<kShared, std::memory_order_acquire>(line1 + dj) == net) {
            present |= 1u << n;
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
            erased |= unsigned(order != 255) << n;
            l.now += order == label;
            l.dist_loc += order != 255 ? half_step : 0.0;
        }
    };
    look(up1, up5, -1, -1, 0, d.dist_diag);
    look(up1, up5, -1, 0, 1, d.dist_cardi);
    look(up1, up5, -1, 1, 2, d.dist_diag);
    look(mid1, mid5, 0, 1, 3, d.dist_cardi);
    look(down1, down5, 1, 1, 4, d.dist_diag);
    look(down1, down5, 1, 0, 5, d.dist_cardi);
    look(down1, down5, 1, -1, 6, d.dist_diag);
    look(mid1, mid5, 0, -1, 7, d.dist_cardi);
    // A loaded corner neighbour next to a loaded side neighbour is cut.
    const unsigned loaded = present | erased;
    const unsigned sides = loaded & 0xAAu;
    const unsigned beside = (sides << 1) | (sides >> 1) | (sides >> 7) | (sides << 7);
    if (kCutCorners && (loaded & 0x55u & beside) != 0) [[unlikely]] {
        return look_at_links<kShared>(g, ic, jc, present, linked(loaded), label, d);
    }
    return l;
}

}  // namespace

namespace {

template <bool kCutCorners>
WalkEnd walk(const WalkGrids& g, Groups& groups, int k, int i, int j, int group,
             const StepLengths& d, WalkTrace* trace) {
    unsigned char** const t1 = g.tab1;
    unsigned char** const t5 = g.tab5;
    const auto label = static_cast<unsigned char>(k);
    const int last_i = g.nb_lig - 1;
    const int last_j = g.nb_col - 1;

    WalkEnd end;
    // The first pixel after a group is never a stop: its other links lead into the group.
    bool free_step = false;
    int group_points = 0;  // points recorded on pixels of groups, which erase_group counts
    if (group >= 0) {
        end.erased += erase_group(g, groups.list[static_cast<std::size_t>(group)], label, trace);
        group_points = 1;
        free_step = true;
    } else if (g.tab2 != nullptr) {
        g.tab2[i][j] = 255;  // the start point is an end point no more
    }
    double dist_tot = 0.0;
    int ic = i;
    int jc = j;
    int prev_i = i;
    int prev_j = j;
    end.points = 1;
    t5[ic][jc] = label;
    if (trace != nullptr) trace->path.push_back(static_cast<PixelIndex>(ic) * g.nb_col + jc);
    for (;;) {
        // A network pixel on the border has code 3.
        if (ic == 0 || jc == 0 || ic == last_i || jc == last_j ||
            (g.outside >= 0 && g.touches_outside(ic, jc))) {
            end.counted = true;
            break;
        }
        const StepLook a = look_around<kCutCorners, false>(g, ic, jc, label, d);
        const int next_i = a.next_i;
        const int next_j = a.next_j;
        const int left_count = a.left_count;
        const int now = a.now;
        const double dist_loc = a.dist_loc;
        // A junction: more than two linked neighbours when the pass began. The start point
        // had one, so it never ends its own walk.
        if (!free_step && left_count + now > 2) {
            const int gi =
                groups.empty() ? -1 : groups.of.find(static_cast<PixelIndex>(ic) * g.nb_col + jc);
            if (gi < 0) {
                end.counted = true;
                break;
            }
            Group& gr = groups.list[static_cast<std::size_t>(gi)];
            if (gr.border || gr.degree >= 3) {
                end.counted = true;
                break;
            }
            GroupExit exit;
            if (gr.degree <= 1 || count_exits(g, groups, gi, &exit) == 0) {
                // The group is the far end of what is left: the walk takes it and ends.
                end.erased += erase_group(g, gr, label, trace);
                ++group_points;
                break;
            }
            // Two lines leave the group: run through it to the other one.
            const std::vector<PixelIndex> path = path_through(
                g, groups, gi, static_cast<PixelIndex>(ic) * g.nb_col + jc, exit.inside);
            end.erased += erase_group(g, gr, label, trace);
            group_points += static_cast<int>(path.size());
            for (std::size_t l = 0; l + 1 < path.size(); ++l) {
                const int pi = static_cast<int>(path[l] / g.nb_col);
                const int pj = static_cast<int>(path[l] % g.nb_col);
                dist_tot += half_steps(linked(loaded_mask(g.tab1, g.tab5, g.net, pi, pj)), d);
                prev_i = pi;
                prev_j = pj;
                ++end.points;
                if (trace != nullptr) trace->path.push_back(path[l + 1]);
            }
            ic = static_cast<int>(path.back() / g.nb_col);
            jc = static_cast<int>(path.back() % g.nb_col);
            free_step = true;
            continue;
        }
        free_step = false;
        t1[ic][jc] = 255;
        // The last point of a walk is never summed.
        if (next_i < 0) break;
        dist_tot += dist_loc;
        prev_i = ic;
        prev_j = jc;
        ic = next_i;
        jc = next_j;
        ++end.points;
        t5[ic][jc] = label;
        if (trace != nullptr) trace->path.push_back(static_cast<PixelIndex>(ic) * g.nb_col + jc);
    }
    if (end.points > 1) {
        // The last link gets its other half here.
        const bool diagonal = prev_i != ic && prev_j != jc;
        const double dist_loc = diagonal ? d.dist_diag : d.dist_cardi;
        dist_tot += dist_loc;
    }
    // Every point but a stop is erased.
    end.erased += end.points - group_points - (end.counted ? 1 : 0);
    end.length = dist_tot;
    end.last_i = ic;
    end.last_j = jc;
    return end;
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

// Asks for the lines of tab1 and tab5 around the interior pixel (i, j), which the next step
// from it reads: they come while other walks take their steps.
void prefetch_around(const WalkGrids& g, int i, int j) {
    for (int a = i - 1; a <= i + 1; ++a) {
        __builtin_prefetch(g.tab1[a] + j);
        __builtin_prefetch(g.tab5[a] + j);
    }
}

// A shared walk that reached group gi, which two lines left as the pass began, on the pixel it
// is on: runs through it to the other line, as the walk in order does, unless another walk
// of the pass has taken the group or the other line's first pixel (then the outcome depends on
// their order, and it gives up). Its group pixels are logged like the pixels it steps on.
[[gnu::noinline]] bool run_through(const WalkGrids& g, Groups& groups, int gi, unsigned char label,
                                   const StepLengths& d, SharedWalk& w) {
    Group& gr = groups.list[static_cast<std::size_t>(gi)];
    int free = 0;
    if (!std::atomic_ref(gr.claim).compare_exchange_strong(free, 1, std::memory_order_acq_rel))
        return false;
    w.claimed.push_back(gi);
    GroupExit exit;
    if (count_exits<true>(g, groups, gi, &exit) != 1) return false;
    // A walk in order labels every pixel of the group, those that earlier walks erased as line
    // pixels too; that relabelling would be seen by the other walks of the pass.
    for (PixelIndex p : gr.pixels) {
        if (read_byte<true>(&g.tab1[p / g.nb_col][p % g.nb_col]) != g.net) return false;
    }
    const std::vector<PixelIndex> path = path_through<true>(
        g, groups, gi, static_cast<PixelIndex>(w.ic) * g.nb_col + w.jc, exit.inside);
    for (PixelIndex p : gr.pixels) {
        unsigned char* const t1 = &g.tab1[p / g.nb_col][p % g.nb_col];
        unsigned char* const t5 = &g.tab5[p / g.nb_col][p % g.nb_col];
        w.log.push_back({p, read_byte<true>(t5)});
        store_shared(t5, label, std::memory_order_relaxed);
        store_shared(t1, 255, std::memory_order_release);
        ++w.group_erased;
    }
    gr.gone = true;
    w.group_points += static_cast<int>(path.size());
    for (std::size_t l = 0; l + 1 < path.size(); ++l) {
        const int pi = static_cast<int>(path[l] / g.nb_col);
        const int pj = static_cast<int>(path[l] % g.nb_col);
        w.dist_tot += half_steps(linked(loaded_mask<true>(g.tab1, g.tab5, g.net, pi, pj)), d);
        w.prev_i = pi;
        w.prev_j = pj;
        ++w.end.points;
    }
    w.ic = static_cast<int>(path.back() / g.nb_col);
    w.jc = static_cast<int>(path.back() % g.nb_col);
    w.free_step = true;
    return true;
}

template <bool kCutCorners>
SharedStep step(const WalkGrids& g, Groups& groups, unsigned char label, const StepLengths& d,
                SharedWalk& w) {
    const int ic = w.ic;
    const int jc = w.jc;
    if (!g.on_border(ic, jc)) {
        const StepLook a = look_around<kCutCorners, true>(g, ic, jc, label, d);
        // The first pixel after a group is never a stop: its other links lead into the group.
        if (a.left_count + a.now <= 2 || w.free_step) {
            w.free_step = false;
            store_shared(&g.tab1[ic][jc], 255, std::memory_order_release);
            // Running out of network (the far end of a part without border): another walk of
            // the pass may have taken the rest of the line.
            if (a.next_i < 0) return SharedStep::gave_up;
            // Another start of the pass: which of the two walks takes the line depends on
            // their order.
            const unsigned char old = read_byte<true>(&g.tab5[a.next_i][a.next_j]);
            if (old == kStartMark) return SharedStep::gave_up;
            w.log.push_back({static_cast<PixelIndex>(a.next_i) * g.nb_col + a.next_j, old});
            w.dist_tot += a.dist_loc;
            w.prev_i = ic;
            w.prev_j = jc;
            w.ic = a.next_i;
            w.jc = a.next_j;
            ++w.end.points;
            store_shared(&g.tab5[w.ic][w.jc], label, std::memory_order_relaxed);
            if (!g.on_border(w.ic, w.jc)) prefetch_around(g, w.ic, w.jc);
            return SharedStep::going;
        }
        // A junction. A group with two lines left is run through; what is left of one with a
        // single line depends on the other walks (it starts a walk of the pass itself).
        const int gi =
            groups.empty() ? -1 : groups.of.find(static_cast<PixelIndex>(ic) * g.nb_col + jc);
        if (gi >= 0) {
            const Group& gr = groups.list[static_cast<std::size_t>(gi)];
            if (!gr.border && gr.degree < 3) {
                if (gr.degree < 2 || !run_through(g, groups, gi, label, d, w))
                    return SharedStep::gave_up;
                return SharedStep::going;
            }
        }
    }
    // A stop: a junction, a group with three lines or more, or the border.
    w.end.counted = true;
    if (w.end.points > 1) {
        // The last link gets its other half here.
        const bool diagonal = w.prev_i != ic && w.prev_j != jc;
        w.dist_tot += diagonal ? d.dist_diag : d.dist_cardi;
    }
    // Every point but the stop and the group pixels is erased, and so is every group pixel.
    w.end.erased = w.group_erased + w.end.points - w.group_points - 1;
    w.end.length = w.dist_tot;
    w.end.last_i = ic;
    w.end.last_j = jc;
    return SharedStep::ended;
}

}  // namespace

void start_shared_walk(const WalkGrids& g, int k, int i, int j, SharedWalk& w) {
    w.ic = w.prev_i = i;
    w.jc = w.prev_j = j;
    w.dist_tot = 0.0;
    w.free_step = false;
    w.group_points = 0;
    w.group_erased = 0;
    w.claimed.clear();
    w.end = WalkEnd{};
    w.end.points = 1;
    w.log.clear();
    w.log.push_back({static_cast<PixelIndex>(i) * g.nb_col + j, read_byte<true>(&g.tab5[i][j])});
    store_shared(&g.tab5[i][j], static_cast<unsigned char>(k), std::memory_order_relaxed);
    if (!g.on_border(i, j)) prefetch_around(g, i, j);
}

SharedStep step_shared_walk(const WalkGrids& g, Groups& groups, int k, const StepLengths& d,
                            SharedWalk& w) {
    const auto label = static_cast<unsigned char>(k);
    return g.cut_corners ? step<true>(g, groups, label, d, w) : step<false>(g, groups, label, d, w);
}
