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

#include "engine/order.h"

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "base/bands.h"
#include "engine/fill.h"
#include "engine/flow_forest.h"
#include "engine/forest_passes.h"
#include "engine/groups.h"
#include "engine/holes.h"
#include "engine/leftovers.h"
#include "engine/length.h"
#include "engine/neighbours.h"
#include "engine/network_core.h"
#include "engine/pass_events.h"
#include "engine/point_updates.h"
#include "engine/prune.h"
#include "engine/sharp_bends.h"
#include "engine/stem_orders.h"
#include "engine/walks.h"

namespace {

// What the lists of loops, junction groups and leftovers take for each pixel they hold, as
// measured on an all-network raster and on fishnets (100 to 125 bytes).
constexpr long long kCoreBytesPerPixel = 100;
// What the flow-grid reading takes for each network pixel (the forest and its passes), as
// measured on a dense terrain (68 bytes).
constexpr long long kForestBytesPerPixel = 70;

// The network pixels of tab1, counted in bands of lines.
long long count_network(const WalkGrids& g, int threads) {
    if (g.net < 0) return 0;
    const auto value = static_cast<unsigned char>(g.net);
    const int bands = band_count(threads, g.nb_lig, g.nb_col);
    std::vector<long long> counts(static_cast<std::size_t>(bands), 0);
    for_bands(bands, 0, g.nb_lig, [&](int b, int first, int last) {
        long long n = 0;
        for (int i = first; i < last; ++i) {
            const unsigned char* row = g.tab1[i];
            int in_line = 0;  // a sum the compiler makes on vectors of bytes
            for (int j = 0; j < g.nb_col; ++j) in_line += row[j] == value;
            n += in_line;
        }
        counts[static_cast<std::size_t>(b)] = n;
    });
    long long n = 0;
    for (long long c : counts) n += c;
    return n;
}

// Whether every one of the pixels already belongs to a junction group.
bool groups_hold(const Groups& groups, const std::vector<PixelIndex>& pixels) {
    return std::all_of(pixels.begin(), pixels.end(),
                       [&](PixelIndex p) { return groups.of.find(p) >= 0; });
}

}  // namespace

EngineResult order_network(const EngineGrids& grids, const EngineOptions& options,
                           PassEvents& events) {
    EngineResult result;
    const int threads = options.threads;
    const StepLengths d = step_lengths(options.pixel_size_m);
    fill_grid(grids.orders, grids.lines, grids.columns, 255, threads);

    const int most = kMostOrders;
    const int last = std::clamp(options.last_order, 0, most);
    WalkGrids g{grids.network, nullptr,      grids.orders, network_value(options.network_value),
                grids.lines,   grids.columns};
    g.outside = options.outside_value;
    if (options.flow_grid) {
        // Every pixel drains to one neighbour: the passes run on the forest's links, which hold
        // no loop, and nothing is left for the rules below. The forest and its passes take some
        // 70 bytes a network pixel: a network of more than a quarter of the image, which no flow
        // grid's channels make (a raster all network, a block, a grid of lines), is refused
        // where that would pass the budget.
        const long long network = count_network(g, threads);
        const long long image = static_cast<long long>(grids.lines) * grids.columns;
        if (options.core_budget > 0 && network * 4 > image &&
            network * kForestBytesPerPixel > options.core_budget) {
            result.flow_refused = network;
            return result;
        }
        const FlowForest forest = read_flow_forest(g);
        return forest_passes(grids, options, forest, events);
    }
    if (options.core_budget > 0) {
        // Only a network nearly all of which is core is refused (a drawing of streams has
        // sources and is mostly pruned: on drawings of four-connected strokes, whose squares stop
        // the pruning below them, about half is core), so that a stream network with loops
        // always runs, whatever its size; the lists' cost is measured, see network_core.h.
        const NetworkCore c = network_core(g, threads);
        if (c.core * 10 > c.network * 9 && c.core * kCoreBytesPerPixel > options.core_budget) {
            result.core_refused = c.core;
            result.core_network = c.network;
            return result;
        }
    }
    const std::string border = mark_border_once(g);
    const bool paths = events.wants_paths();

    // The run to the end of the network, unreported.
    Classified first = classify_all(g, threads);
    // Apexes of sharp bends exist only where corners are cut: a clean forest never looks. On
    // D8 terrain the same pixels are as often a channel head beside a bending stem, and no
    // reading of the pixels alone told the two apart without lowering a terrain figure: the
    // bends are read on drawings alone (docs/dense_networks.md).
    const std::vector<SharpBend> bends = options.drawing && first.cut_corners
                                             ? find_sharp_bends(g, first.ends)
                                             : std::vector<SharpBend>{};
    if (!bends.empty()) {
        take_out_apexes(g, bends);
        first = classify_all(g, threads);
    }
    g.cut_corners = first.cut_corners;
    // Where corners are cut (as in every square of four network pixels), the loops are found at
    // once; elsewhere a loop shows as what the run cannot prune.
    std::vector<PixelIndex> loops =
        first.cut_corners ? closed_loops(g, threads) : std::vector<PixelIndex>{};
    Groups groups =
        make_groups(g, first.touching_junctions, first.between_junctions, loops, threads);
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
    PruneRun run = prune(g, groups, std::move(starts), most, d, nullptr, paths, threads, &progress);
    std::vector<StemOrder> stems;
    if (first.interior_pixels > run.erased || run.ran_out > 0) {
        Leftovers left = find_leftovers(g, threads);
        if (!left.loop_pixels.empty() && !groups_hold(groups, left.loop_pixels)) {
            // Closed loops never shrink: make them junction groups and run again.
            loops.insert(loops.end(), left.loop_pixels.begin(), left.loop_pixels.end());
            std::sort(loops.begin(), loops.end());
            loops.erase(std::unique(loops.begin(), loops.end()), loops.end());
            // What the first run found is let go of before the second run.
            left = Leftovers{};
            run = PruneRun{};
            groups = Groups{};
            restore_network(g, threads);
            first.ends = classify_all(g, threads).ends;
            groups =
                make_groups(g, first.touching_junctions, first.between_junctions, loops, threads);
            events.progress(runs, 1.0);
            progress = erased_in(++runs);
            progress(0);
            run = prune(g, groups, first_starts(first, groups, g), most, d, nullptr, paths, threads,
                        &progress);
            left = find_leftovers(g, threads);
        }
        result.loop_pixels = left.loop_parts_pixels;
        result.borderless_parts = left.borderless_parts + run.ran_out;
        // The stems the passes leave below a stalled group are ordered as a tree once the
        // passes are over (the counts above still say what the passes left).
        stems = order_left_stems(g, left.graph, run.stops);
    }

    auto ends = [&](int k, const PassWalks& w) {
        result.segments[static_cast<std::size_t>(k)] = counted_walks(w);
        result.total_length += counted_length(w);
        events.pass_ends(k, w);
    };
    // Passes beyond the last order wanted are forgotten; with the paths kept, where each
    // segment flows would have to be forgotten too, and the passes run again instead.
    const bool beyond = last < static_cast<int>(run.passes.size());
    const bool report_run = !options.step_images && run.used_up && !(beyond && paths);
    if (report_run) {
        if (beyond) forget_passes_after(g, run, last, threads);
        const PassWalks none;
        for (int k = 1; k <= last; ++k) {
            events.pass_begins(k, border);
            ends(k, k <= static_cast<int>(run.passes.size())
                        ? run.passes[static_cast<std::size_t>(k - 1)]
                        : none);
        }
        apply_stem_orders(g, stems, last);
        apply_apex_orders(g, bends);
        if (paths) events.network_done(run.flows_into);
        events.progress(runs, 1.0);
        return result;
    }
    events.progress(runs, 1.0);
    progress = erased_in(++runs);
    progress(0);
    run = PruneRun{};
    groups = Groups{};
    restore_network(g, threads);
    const WalkGrids shown{grids.network, grids.points,  grids.orders,  g.net,
                          grids.lines,   grids.columns, g.cut_corners, g.outside};
    const Classified again = classify_all(shown, threads);
    mark_border_once(shown);  // the border codes of the points image
    groups = make_groups(shown, first.touching_junctions, first.between_junctions, loops, threads);
    const PassHooks hooks{[&](int k) { events.pass_begins(k, border); }, ends};
    run = prune(shown, groups, first_starts(again, groups, shown), last, d, &hooks, paths, threads,
                &progress);
    apply_stem_orders(g, stems, last);
    apply_apex_orders(g, bends);
    if (paths) events.network_done(run.flows_into);
    events.progress(runs, 1.0);
    return result;
}
