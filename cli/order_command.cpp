#include "cli/order_command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/file.h"
#include "base/nrutil.h"
#include "base/output_file.h"
#include "base/run_state.h"
#include "cli/network_input.h"
#include "cli/order_image.h"
#include "cli/order_summary.h"
#include "cli/pass_records.h"
#include "cli/report_file.h"
#include "cli/result_names.h"
#include "cli/segments_csv.h"
#include "cli/summary_json.h"
#include "engine/treatment.h"
#include "formats/image.h"
#include "formats/report_lines.h"

namespace {

// With the last order left open, the passes run to the most the counts hold; those that find
// nothing to walk are dropped from the results.
constexpr int kMostPasses = 63;

const char* const kResultEndings[] = {".raw", ".bmp", ".asc"};

struct Job {
    std::string network;
    int type = 0;  // 0 raw, 1 BMP, 2 ASCII grid
    std::string prefix;
};

void fault(const std::string& text) {
    std::fprintf(stderr, "branchranker: %s\n", text.c_str());
}

// Whether the output path can be made: its temporary is made and removed again.
bool can_create(const std::string& path) {
    PendingOutput out;
    if (begin_output(out, path)) return true;
    fault(path + ": cannot be created (" + std::strerror(errno) + ")");
    return false;
}

// The jobs of the batch, or the usage error that refuses it.
std::optional<std::vector<Job>> plan(const OrderOptions& o) {
    std::error_code ec;
    const bool folder = !o.output.empty() &&
                        (o.output.back() == '/' || std::filesystem::is_directory(o.output, ec));
    if (!o.output.empty() && !folder && o.networks.size() > 1) {
        fault("--output " + o.output +
              ": with several networks --output names a folder (existing, or ending in /)");
        return std::nullopt;
    }
    std::vector<Job> jobs;
    FileSet inputs;
    for (const std::string& network : o.networks) {
        const std::optional<int> type = image_type_of(network);
        if (!type) {
            fault(network + ": unknown image type; expected .raw (with its .txt), .bmp or .asc");
            return std::nullopt;
        }
        if (*type == 1 && !o.pixel_size) {
            fault(network + ": a BMP image carries no pixel size; give --pixel-size");
            return std::nullopt;
        }
        jobs.push_back({network, *type, result_prefix(network, o.output, folder)});
        inputs.add(network);
        if (*type == 0) inputs.add(descriptor_of(network));
    }
    // No result may replace a network, its descriptor, or the results of another network.
    FileSet prefixes;
    for (const Job& job : jobs) {
        if (prefixes.holds(job.prefix)) {
            fault(job.network + ": its results " + job.prefix +
                  "... would replace those of another network; use --output with a folder");
            return std::nullopt;
        }
        prefixes.add(job.prefix);
        for (const std::string& result : result_files(job.prefix)) {
            if (inputs.holds(result)) {
                fault(job.network + ": its result " + result +
                      " would replace a network image or descriptor of this run");
                return std::nullopt;
            }
        }
    }
    for (const std::string* table : {&o.segments, &o.summary}) {
        if (!table->empty() && inputs.holds(*table)) {
            fault(*table + ": would replace a network image or descriptor of this run");
            return std::nullopt;
        }
    }
    return jobs;
}

int result_type(const OrderOptions& o, int input_type) {
    if (o.format == "raw") return 0;
    if (o.format == "bmp") return 1;
    if (o.format == "asc") return 2;
    return input_type;
}

void print_done(const RunState& s, const OrderSummary& sum) {
    std::printf("%s: highest order %d, %lld segments, total length %.6f m -> %s, %s\n",
                s.nomim1.c_str(), sum.highest_order, sum.segments, s.red_length, s.nomim2.c_str(),
                s.nominfo.c_str());
}

// Orders one network and writes its results; false when anything failed (said on standard
// error). The figures of a network whose passes ran go to the segments table and the summary.
bool order_network(const OrderOptions& o, const Job& job, std::FILE* csv,
                   std::vector<NetworkSummary>& summaries) {
    RunState s;
    std::string why;
    if (!load_network(s, job.network, job.type, o.pixel_size, why)) {
        fault(why);
        return false;
    }
    s.image_type = result_type(o, job.type);
    s.nomim_step = job.prefix;
    s.nomim2 = job.prefix + kResultEndings[s.image_type];
    if (s.image_type == 0) s.nomdescr2 = job.prefix + ".txt";
    s.nominfo = job.prefix + "_info.txt";
    if (o.corner_given) {
        s.X_min = o.corner_x;
        s.Y_min = o.corner_y;
    }
    if (s.image_type == 1 && !fits_bmp(s.nb_col, s.nb_lig)) {
        fault(s.nomim2 + ": the image is too large for a bitmap file (4 GiB at most)");
        return false;
    }
    // Found now rather than after the passes, when the work would be lost.
    if (!can_create(s.nominfo)) return false;
    s.val_red = o.value;
    s.Num_order = o.last.value_or(kMostPasses);
    s.save_step = o.steps ? 1 : 0;
    s.tab5 = ByteGrid(ucmatrice(s.nb_col, s.nb_lig), s.nb_lig);
    if (o.steps) s.tab2 = ByteGrid(ucmatrice(s.nb_col, s.nb_lig), s.nb_lig);
    if (!s.tab5 || (o.steps && !s.tab2)) {
        fault(s.nomim1 + ": not enough memory for the working images of " +
              std::to_string(s.nb_lig) + " lines and " + std::to_string(s.nb_col) + " columns");
        return false;
    }

    PassRecorder recorder(s, !o.last.has_value(), csv != nullptr);
    treatment(s, recorder);
    const OrderRecord& record = recorder.record;
    const int last_order = o.last.value_or(static_cast<int>(record.passes.size()));

    bool ok = true;
    const std::string unsound = unsound_block(s.loop_pixels, s.borderless_parts);
    if (!unsound.empty() && !o.quiet) {
        std::fprintf(stderr, "branchranker: warning: %s:%s\n", s.nomim1.c_str(), unsound.c_str());
    }
    for (const PassRecord& pass : record.passes) {
        if (!pass.steps) continue;
        if (!pass.points_saved) fault(pass.points_image + ": could not be saved");
        if (!pass.segments_saved) fault(pass.segments_image + ": could not be saved");
        ok = ok && pass.points_saved && pass.segments_saved;
    }
    std::string failed;
    const bool image_written = write_order_image(s, failed);
    if (!image_written) fault(failed + ": could not be written");
    if (!write_report(s, record, last_order, image_written)) {
        fault(s.nominfo + ": could not be written");
        ok = false;
    }
    ok = ok && image_written;

    if (csv != nullptr) write_segments_rows(csv, s, record);
    NetworkSummary summary;
    summary.network = s.nomim1;
    summary.order_image = s.nomim2;
    summary.order_image_written = image_written;
    summary.report = s.nominfo;
    summary.pixel_size = s.dpix_size;
    summary.figures = summarize_orders(record);
    summary.loop_pixels = s.loop_pixels;
    summary.borderless_parts = s.borderless_parts;
    if (ok && !o.quiet) print_done(s, summary.figures);
    summaries.push_back(std::move(summary));
    return ok;
}

}  // namespace

int run_order(const OrderOptions& o) {
    const std::optional<std::vector<Job>> jobs = plan(o);
    if (!jobs) return 2;

    // A results folder named with its final / is made when missing.
    if (!o.output.empty() && o.output.back() == '/') {
        std::error_code ec;
        std::filesystem::create_directories(o.output, ec);
        if (ec) {
            fault(o.output + ": cannot be created (" + ec.message() + ")");
            return 1;
        }
    }

    // The table is written as the networks are done, under its temporary name, and takes its
    // own name once complete; it is begun first so that a batch never runs for nothing.
    PendingOutput csv_out;
    File csv;
    if (!o.segments.empty()) {
        csv = begin_output(csv_out, o.segments);
        if (!csv) {
            fault(o.segments + ": cannot be created (" + std::strerror(errno) + ")");
            return 1;
        }
        write_segments_header(csv.get());
    }
    if (!o.summary.empty() && !can_create(o.summary)) return 1;

    int status = 0;
    std::vector<NetworkSummary> summaries;
    for (const Job& job : *jobs) {
        if (!order_network(o, job, csv.get(), summaries)) status = 1;
    }

    if (csv && !finish_output(csv_out, csv)) {
        fault(o.segments + ": could not be written");
        status = 1;
    }
    if (!o.summary.empty()) {
        PendingOutput out;
        File f = begin_output(out, o.summary);
        if (!(f && write_summary_json(f.get(), summaries) && finish_output(out, f))) {
            fault(o.summary + ": could not be written");
            status = 1;
        }
    }
    return status;
}
