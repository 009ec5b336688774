// The pass loop. Pass k labels with k every pixel that its walks trace, which is the Strahler
// order of the stream: a junction whose upstream branches were all erased by the passes before
// is an end point of the next pass.
//
// Closed loops, which no pass can prune, are junction groups. Where corners are cut (stair-step
// lines, blocks, junctions drawn square: a drawing traced from a raster, where loops are common)
// every loop is found before the passes, from the squares of four and the holes in the
// background. Before anything is reported, the passes run once to the end of the network. That
// run shows the loops not known yet (the network is then put back and the passes run again with
// them as groups) and the parts that touch the border nowhere. When the run
// used the network up and no step images are wanted, its passes up to the last order asked
// for are then reported as they are (the labels of later passes forgotten); otherwise the
// network is put back and the passes run again, reported one by one.
//
// A pass works on what changes: its walks start from the list of end points, their labels go
// straight into the result tab5, and the codes of the pixels where the walks stopped give the
// next pass's end points (and bring the points image up to date, when it is kept for the step
// images). Neither the copy `tab` nor the per-pass labels `tab4` are needed (see fast_walk.h).
// On a drawing whose junctions are single pixels, with no closed loop and every part touching
// the border, what it reports to its front end, and so the console text, the report and every
// image, is the same, byte for byte, as what the reference engine of the tests reports, which
// scans the grids in every pass.

#include "engine/treatment.h"

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "base/run_state.h"
#include "engine/fill.h"
#include "engine/groups.h"
#include "engine/holes.h"
#include "engine/leftovers.h"
#include "engine/length.h"
#include "engine/neighbours.h"
#include "engine/network_core.h"
#include "engine/pass_events.h"
#include "engine/point_updates.h"
#include "engine/prune.h"
#include "engine/stem_orders.h"
#include "engine/walks.h"

namespace {

// What the lists of loops, junction groups and leftovers take for each pixel they hold, as
// measured on an all-network raster and on fishnets (100 to 125 bytes).
constexpr long long kCoreBytesPerPixel = 100;

// Whether every one of the pixels already belongs to a junction group.
bool groups_hold(const Groups& groups, const std::vector<PixelIndex>& pixels) {
    return std::all_of(pixels.begin(), pixels.end(),
                       [&](PixelIndex p) { return groups.of.find(p) >= 0; });
}

int counted_walks(const PassWalks& w) {
    return static_cast<int>(std::count(w.segm_counted.begin(), w.segm_counted.end(), 1));
}

}  // namespace

void treatment(RunState& s, PassEvents& events) {
    s.red_length = 0.0;
    const StepLengths d = step_lengths(s.dpix_size);
    fill_grid(s.tab5, s.nb_lig, s.nb_col, 255, s.threads);
    s.num_segm.fill(0);
    s.loop_pixels = 0;
    s.borderless_parts = 0;

    // num_segm has no entry beyond order 63 (the parameters dialogue refuses more).
    const int most = static_cast<int>(s.num_segm.size()) - 1;
    const int last = std::min(s.Num_order, most);
    WalkGrids g{s.tab1.rows, nullptr, s.tab5.rows, network_value(s.val_red), s.nb_lig, s.nb_col};
    g.outside = s.outside_value;
    s.core_refused = 0;
    if (s.core_budget > 0) {
        // Only a network nearly all of which is core is refused (a drawing of streams has
        // sources and is mostly pruned: on drawings of four-connected strokes, whose squares stop
        // the pruning below them, about half is core), so that a stream network with loops
        // always runs, whatever its size; the lists' cost is measured, see network_core.h.
        const NetworkCore c = network_core(g, s.threads);
        if (c.core * 10 > c.network * 9 && c.core * kCoreBytesPerPixel > s.core_budget) {
            s.core_refused = c.core;
            s.core_network = c.network;
            return;
        }
    }
    const std::string border = mark_border_once(s);
    const bool paths = events.wants_paths();

    // The run to the end of the network, unreported.
    Classified first = classify_all(g, s.threads);
    g.cut_corners = first.cut_corners;
    // Where corners are cut (as in every square of four network pixels), the loops are found at
    // once; elsewhere a loop shows as what the run cannot prune.
    std::vector<PixelIndex> loops =
        first.cut_corners ? closed_loops(g, s.threads) : std::vector<PixelIndex>{};
    Groups groups = make_groups(g, first.touching_junctions, loops);
    std::vector<Start> starts = first_starts(first, groups, g);
    std::vector<PixelIndex>().swap(first.ends);  // found again if the passes run again
    // The share of the interior network pixels erased, after each pass of a run.
    const long long interior = first.interior_pixels;
    auto erased_in = [&events, interior](int n) {
        return std::function<void(long long)>([&events, interior, n](long long erased) {
            events.progress(n, interior > 0 ? std::min(1.0, static_cast<double>(erased) /
                                                                static_cast<double>(interior))
                                            : 1.0);
        });
    };
    int runs = 1;
    std::function<void(long long)> progress = erased_in(runs);
    progress(0);
    PruneRun run =
        prune(g, groups, std::move(starts), most, d, nullptr, paths, s.threads, &progress);
    std::vector<StemOrder> stems;
    if (first.interior_pixels > run.erased || run.ran_out > 0) {
        Leftovers left = find_leftovers(g, s.threads);
        if (!left.loop_pixels.empty() && !groups_hold(groups, left.loop_pixels)) {
            // Closed loops never shrink: make them junction groups and run again.
            loops.insert(loops.end(), left.loop_pixels.begin(), left.loop_pixels.end());
            std::sort(loops.begin(), loops.end());
            loops.erase(std::unique(loops.begin(), loops.end()), loops.end());
            // What the first run found is let go of before the second run.
            left = Leftovers{};
            run = PruneRun{};
            groups = Groups{};
            restore_network(g, s.threads);
            first.ends = classify_all(g, s.threads).ends;
            groups = make_groups(g, first.touching_junctions, loops);
            events.progress(runs, 1.0);
            progress = erased_in(++runs);
            progress(0);
            run = prune(g, groups, first_starts(first, groups, g), most, d, nullptr, paths,
                        s.threads, &progress);
            left = find_leftovers(g, s.threads);
        }
        s.loop_pixels = left.loop_parts_pixels;
        s.borderless_parts = left.borderless_parts + run.ran_out;
        // The stems the passes leave below a stalled group are ordered as a tree once the
        // passes are over (the counts above still say what the passes left).
        stems = order_left_stems(g, run.stops, s.threads);
    }

    auto ends = [&](int k, const PassWalks& w) {
        s.num_segm[static_cast<std::size_t>(k)] = counted_walks(w);
        s.red_length += counted_length(w);
        events.pass_ends(k, w);
    };
    // Passes beyond the last order wanted are forgotten; with the paths kept, where each
    // segment flows would have to be forgotten too, and the passes run again instead.
    const bool beyond = last < static_cast<int>(run.passes.size());
    const bool report_run = s.save_step != 1 && run.used_up && !(beyond && paths);
    if (report_run) {
        if (beyond) forget_passes_after(g, run, last, s.threads);
        const PassWalks none;
        for (int k = 1; k <= last; ++k) {
            events.pass_begins(k, border);
            ends(k, k <= static_cast<int>(run.passes.size())
                        ? run.passes[static_cast<std::size_t>(k - 1)]
                        : none);
        }
        apply_stem_orders(g, stems, last);
        if (paths) events.network_done(run.flows_into);
        events.progress(runs, 1.0);
        return;
    }
    events.progress(runs, 1.0);
    progress = erased_in(++runs);
    progress(0);
    run = PruneRun{};
    groups = Groups{};
    restore_network(g, s.threads);
    const WalkGrids shown{s.tab1.rows, s.tab2.rows, s.tab5.rows,   g.net,
                          s.nb_lig,    s.nb_col,    g.cut_corners, g.outside};
    const Classified again = classify_all(shown, s.threads);
    mark_border_once(s);  // the border codes of the points image
    groups = make_groups(shown, first.touching_junctions, loops);
    const PassHooks hooks{[&](int k) { events.pass_begins(k, border); }, ends};
    run = prune(shown, groups, first_starts(again, groups, shown), last, d, &hooks, paths,
                s.threads, &progress);
    apply_stem_orders(g, stems, last);
    if (paths) events.network_done(run.flows_into);
    events.progress(runs, 1.0);
}
