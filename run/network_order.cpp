#include "run/network_order.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <new>
#include <set>

#include "base/nrutil.h"
#include "engine/neighbours.h"
#include "engine/prune.h"
#include "engine/walk_grids.h"
#include "formats/gis/horton_png.h"
#include "formats/gis/horton_svg.h"
#include "formats/gis/link_writer.h"
#include "formats/report_lines.h"
#include "run/engine_run.h"
#include "run/map_lengths.h"
#include "run/order_image.h"
#include "run/order_summary.h"
#include "run/report_file.h"
#include "run/segments_csv.h"
#include "run/unordered_pixels.h"

namespace {

// With the last order left open, the passes run to the most the counts hold; those that find
// nothing to walk are dropped from the results.
constexpr int kMostPasses = 63;

ContactGrids contact_grids(const NetworkRun& s, bool after_run) {
    return {s.tab1.rows, after_run ? s.tab5.rows : nullptr, s.nb_lig,
            s.nb_col,    network_value(s.val_red),          s.outside_value};
}

void call(const std::function<void()>& f) {
    if (f) f();
}

bool png_name(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return ext == ".png";
}

}  // namespace

std::vector<SegmentRecord> segment_lines(const OrderRecord& record, int nb_col) {
    std::vector<SegmentRecord> lines;
    lines.reserve(record.segments.size());
    for (std::size_t i = 0; i < record.segments.size(); ++i) {
        const TracedSegment& seg = record.segments[i];
        SegmentRecord line;
        line.id = static_cast<int>(i) + 1;
        line.order = seg.pass;
        line.pass = seg.pass;
        line.pixels = seg.points;
        line.length_m = seg.length;
        line.path = pixel_path(seg.path, nb_col);
        line.to_below = pixel_path(seg.to_below, nb_col);
        line.flows_into = seg.flows_into >= 0 ? static_cast<int>(seg.flows_into) + 1 : -1;
        lines.push_back(std::move(line));
    }
    return lines;
}

void order_loaded_network(NetworkOrder& order, const NetworkOrderRequest& request,
                          const OrderProgress& progress) {
    NetworkRun& s = order.run;
    const NetworkPlace& place = order.place;
    InflowPlan& inflows = order.inflows;
    order.status = OrderStatus::failed;
    // Parts that touch the border in several places get an outlet and inflows (inflows.h), on
    // rasters read through GDAL; a raw image is ordered as the dialogue orders it. With outlets
    // named, a last order or step images, they are found before the passes; otherwise only when
    // the passes leave pixels unordered, which on a clean forest they never do. Read as a flow
    // grid, every contact is an outlet (as every border cell of a flow grid drains out of it)
    // unless outlets are named, and no pixel is left unordered.
    const bool ahead =
        place.gis && (!request.outlets.empty() ||
                      (!request.flow_grid && (request.last.has_value() || request.steps)));
    if (ahead) {
        if (!plan_inflows(contact_grids(s, false), request.outlets, inflows, order.fault)) {
            order.fault = s.nomim1 + ": " + order.fault;
            order.status = OrderStatus::bad_outlet;
            return;
        }
        cut_inflows(s.tab1.rows, s.nb_col, inflows);
    }
    if (request.prepare && !request.prepare(s, order.fault)) return;
    // Held through the passes, given back before the files are written.
    if (request.writers_reserve > 0 && !order.reserve.take(request.writers_reserve))
        throw std::bad_alloc();
    s.Num_order = request.last.value_or(kMostPasses);
    s.save_step = request.steps ? 1 : 0;
    s.drawing = request.drawing;
    s.flow_grid = request.flow_grid;
    if (request.result_grid) request.result_grid(s);
    if (!s.tab5) s.tab5 = ByteGrid(ucmatrice(s.nb_col, s.nb_lig), s.nb_lig);
    if (request.steps) s.tab2 = ByteGrid(ucmatrice(s.nb_col, s.nb_lig), s.nb_lig);
    if (!s.tab5 || (request.steps && !s.tab2)) {
        order.fault = s.nomim1 + ": not enough memory for the working images of " +
                      std::to_string(s.nb_lig) + " lines and " + std::to_string(s.nb_col) +
                      " columns";
        order.status = OrderStatus::no_memory;
        return;
    }

    const bool pixels = place.remeasure || request.keep_pixels || request.links;
    // With the two grids (a byte a pixel each) the run then stays within 4 bytes a pixel.
    s.core_budget = 2LL * s.nb_lig * s.nb_col;
    int shown_run = 0;
    auto on_progress = [&](int run, double share) {
        if (run != shown_run) {
            if (progress.start) progress.start(run == 1 ? "ordering" : "ordering again");
            shown_run = run;
        }
        if (progress.update) progress.update(share);
    };
    std::optional<PassRecorder> recorder;
    recorder.emplace(s, !request.last.has_value(), pixels);
    recorder->on_progress = on_progress;
    run_engine(s, *recorder);
    call(progress.finish);
    if (s.core_refused > 0) {
        order.fault = s.nomim1 + ": " + std::to_string(s.core_refused) + " of its " +
                      std::to_string(s.core_network) +
                      " network pixels lie on closed loops or between them (a raster that is all"
                      " network, a block or a grid of lines, not streams that end): no pass can"
                      " order them, and the run would take more than 4 bytes a pixel; the"
                      " network is refused";
        return;
    }
    if (s.flow_refused > 0) {
        order.fault = s.nomim1 + ": " + std::to_string(s.flow_refused) + " of its " +
                      std::to_string(static_cast<long long>(s.nb_lig) * s.nb_col) +
                      " pixels are network, more than a quarter of the image (a raster that is"
                      " all network, a block or a grid of lines, not the channels of a flow"
                      " grid): read as a flow grid, the run would take more than 4 bytes a"
                      " pixel; the network is refused";
        return;
    }
    // Pixels left between contacts after the passes; counted again below only when inflows were
    // cut and put back since.
    const long long left = place.gis && !ahead ? unordered_between_contacts(s) : -1;
    if (left > 0) {
        // None named: the plan cannot fail.
        if (!plan_inflows(contact_grids(s, true), {}, inflows, order.fault)) return;
        if (inflows.inflows > 0) {
            // The passes again, from the network as loaded less the inflows.
            WalkGrids g{s.tab1.rows, nullptr, s.tab5.rows, network_value(s.val_red),
                        s.nb_lig,    s.nb_col};
            g.outside = s.outside_value;
            restore_network(g, s.threads);
            cut_inflows(s.tab1.rows, s.nb_col, inflows);
            recorder.reset();
            recorder.emplace(s, !request.last.has_value(), pixels);
            recorder->on_progress = on_progress;
            shown_run = 0;
            run_engine(s, *recorder);
            call(progress.finish);
        }
    }
    order.record = std::move(recorder->record);
    recorder.reset();
    OrderRecord& record = order.record;
    // The network as the passes walked it, the inflows left out.
    const LoadedNetwork walked{s.tab1.rows, s.tab5.rows, network_value(s.val_red),
                               s.nb_lig,    s.nb_col,    s.outside_value};
    if (place.remeasure) s.red_length = remeasure_lengths(record, place.rule, walked);
    // Every line ends on the line it flows into, in every file that holds the lines.
    if (pixels) join_segments(record, walked);
    if (request.links) {
        LengthRule rule = place.rule;
        if (!place.remeasure) {
            rule.kind = LengthRule::Kind::user_size;
            rule.user_size_m = s.dpix_size;
        }
        order.links = stream_links(record, rule, walked, inflows.cut);
    }
    // Measured without them, as the passes walked; ordered with the streams they feed.
    restore_inflows(contact_grids(s, true), inflows);
    s.inflows = inflows.inflows;
    s.inflow_pixels = inflows.inflow_pixels;
    order.last_order = request.last.value_or(static_cast<int>(record.passes.size()));
    // Beyond the last order asked for, the network left is unordered by request.
    if (!request.last)
        s.between_contacts = left >= 0 && inflows.inflows == 0 && inflows.cut.empty()
                                 ? left
                                 : unordered_between_contacts(s);
    order.unsound = unsound_block(s.loop_pixels, s.borderless_parts, s.between_contacts, s.inflows,
                                  s.inflow_pixels);
    order.status = OrderStatus::ordered;
}

NetworkSummary network_summary(const NetworkOrder& order, bool image_written) {
    const NetworkRun& s = order.run;
    NetworkSummary summary;
    summary.network = s.nomim1;
    summary.order_image = s.nomim2;
    summary.order_image_written = image_written;
    summary.report = s.nominfo;
    summary.pixel_size = order.place.remeasure ? std::nan("") : s.dpix_size;
    if (order.place.remeasure)
        summary.lengths = order.place.georef.geographic ? "geodesic" : "planar";
    summary.figures = summarize_orders(order.record);
    summary.loop_pixels = s.loop_pixels;
    summary.borderless_parts = s.borderless_parts;
    summary.between_contacts = s.between_contacts;
    summary.inflows = s.inflows;
    summary.inflow_pixels = s.inflow_pixels;
    return summary;
}

bool write_network_files(NetworkOrder& order, const NetworkFileRequest& files,
                         NetworkSummary& summary, const OrderProgress& progress,
                         const std::function<void(const std::string&)>& fault) {
    NetworkRun& s = order.run;
    const NetworkPlace& place = order.place;
    const OrderRecord& record = order.record;
    auto say = [&](const std::string& text) {
        call(progress.cut);
        fault(text);
    };
    bool ok = true;
    for (const PassRecord& pass : record.passes) {
        if (!pass.steps) continue;
        if (!pass.points_saved) fault(pass.points_image + ": could not be saved");
        if (!pass.segments_saved) fault(pass.segments_image + ": could not be saved");
        ok = ok && pass.points_saved && pass.segments_saved;
    }
    order.reserve.give_back();
    const bool lines = !files.lines.empty();
    // The files in the order they are written: the step images' places, the order image, the
    // report, the table's rows, the lines, the plot.
    const int parts =
        4 + (lines ? 1 : 0) + (files.links.empty() ? 0 : 1) + (files.horton.empty() ? 0 : 1);
    int written = 0;
    if (progress.start) progress.start("writing");
    auto part_done = [&] {
        ++written;
        if (progress.update) progress.update(static_cast<double>(written) / parts);
    };
    std::vector<std::string> faults;
    if (place.gis) {
        // Passes after 5 share the pass-5 names: each image is placed once.
        std::set<std::string> placed;
        for (const PassRecord& pass : record.passes) {
            if (pass.points_saved && placed.insert(pass.points_image).second)
                write_step_image_places(pass.points_image, place, faults);
            if (pass.segments_saved && placed.insert(pass.segments_image).second)
                write_step_image_places(pass.segments_image, place, faults);
        }
    }
    const int highest = std::min(order.last_order, static_cast<int>(record.passes.size()));
    part_done();
    const bool image_written = write_order_image(s, place, highest, faults);
    part_done();
    if (!faults.empty()) call(progress.cut);
    for (const std::string& text : faults) fault(text);
    ok = ok && faults.empty();
    if (!write_report(s, record, order.last_order, image_written)) {
        say(s.nominfo + ": could not be written");
        ok = false;
    }
    part_done();
    ok = ok && image_written;

    if (files.csv != nullptr) write_segments_rows(files.csv, s, place, record);
    part_done();
    std::string error;
    if (lines &&
        !write_segments(files.lines, segment_lines(record, s.nb_col), place.georef, error)) {
        say(error);
        ok = false;
    }
    if (lines) part_done();
    if (!files.links.empty()) {
        if (!write_links(files.links, order.links.links, order.links.nodes, place.georef, error)) {
            say(error);
            ok = false;
        }
        part_done();
    }
    summary = network_summary(order, image_written);
    if (!files.horton.empty() &&
        !(png_name(files.horton) ? write_horton_png(files.horton, summary.figures.horton, error)
                                 : write_horton_svg(files.horton, summary.figures.horton, error))) {
        say(error);
        ok = false;
    }
    call(progress.finish);
    return ok;
}
