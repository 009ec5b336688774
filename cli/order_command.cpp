#include "cli/order_command.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/file.h"
#include "base/output_file.h"
#include "base/threads.h"
#include "cli/progress_line.h"
#include "cli/result_names.h"
#include "formats/gis/gdal_session.h"
#include "formats/gis/link_writer.h"
#include "formats/gis/order_geotiff.h"
#include "formats/gis/point_file.h"
#include "formats/gis/segment_writer.h"
#include "formats/gis/vector_file.h"
#include "formats/image.h"
#include "formats/raw_image.h"
#include "run/file_clash.h"
#include "run/inflows.h"
#include "run/network_input.h"
#include "run/network_order.h"
#include "run/network_run.h"
#include "run/order_summary.h"
#include "run/result_clashes.h"
#include "run/result_names.h"
#include "run/segments_csv.h"
#include "run/summary_json.h"

namespace {

// What the writers through GDAL may need beyond what they are given: the block cache of the
// order GeoTIFF (GDAL_CACHEMAX, set by the GDAL session), a GeoPackage's page cache, the
// coordinate system database.
constexpr std::size_t kWritersReserve = std::size_t{96} << 20;

struct Job {
    std::string network;
    ImageType type = ImageType::raw;  // geotiff: any other raster GDAL reads
    std::string prefix;
};

std::string lower_extension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return ext;
}

// A --segments file other than a CSV table: lines on the map through segment_writer.h.
bool vector_segments(const OrderOptions& o) {
    return !o.segments.empty() && lower_extension(o.segments) != ".csv";
}

// Whether a world file (or GDAL's auxiliary file) beside a BMP may place it.
bool bmp_may_be_placed(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p(path);
    for (const char* ext : {".bpw", ".bmpw", ".wld", ".BPW", ".BMPW", ".WLD"}) {
        if (std::filesystem::exists(std::filesystem::path(p).replace_extension(ext), ec))
            return true;
    }
    return std::filesystem::exists(path + ".aux.xml", ec);
}

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

ImageType result_type(const OrderOptions& o, ImageType input_type);

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
    VectorFormat format;
    if (!o.segments.empty()) {
        if (!vector_format_of(o.segments, format)) {
            fault("--segments " + o.segments +
                  ": unknown file type; expected .csv, .gpkg, .geojson, .json or .shp");
            return std::nullopt;
        }
    }
    if (!o.links.empty()) {
        if (!vector_format_of(o.links, format)) {
            fault("--links " + o.links +
                  ": unknown file type; expected .gpkg, .geojson, .json, .shp or .csv");
            return std::nullopt;
        }
        if (o.networks.size() > 1) {
            fault("--links " + o.links + ": a file of links holds one network; give one network");
            return std::nullopt;
        }
    }
    // Each network has its own coordinate system and its own figures.
    if (o.networks.size() > 1 && vector_segments(o)) {
        fault("--segments " + o.segments +
              ": a file of lines holds one network; with several networks give a .csv table");
        return std::nullopt;
    }
    const bool outlets = !o.outlets.empty() || !o.outlet_file.empty();
    if (outlets && o.networks.size() > 1) {
        fault(std::string(o.outlets.empty() ? "--outlet-file" : "--outlet") +
              ": outlets are those of one network; give one network");
        return std::nullopt;
    }
    if (o.networks.size() > 1 && !o.horton.empty()) {
        fault("--horton " + o.horton + ": the plot shows one network; give one network");
        return std::nullopt;
    }
    std::vector<Job> jobs;
    FileSet inputs;
    for (const std::string& network : o.networks) {
        const ImageType type = image_type_of(network);
        if (type == ImageType::raw && o.value &&
            !(*o.value >= 0 && *o.value <= 254 && *o.value == std::floor(*o.value))) {
            fault(network + ": --value of a raw image is a grey value from 0 to 254");
            return std::nullopt;
        }
        if (type == ImageType::raw && outlets) {
            fault(network +
                  ": a raw image is ordered as the dialogue orders it; --outlet and"
                  " --outlet-file are for rasters read through GDAL");
            return std::nullopt;
        }
        if (type == ImageType::raw && (o.colour || o.band != 1)) {
            fault(network +
                  ": a raw image holds one band of grey values; choose the network"
                  " with --value");
            return std::nullopt;
        }
        if (type == ImageType::bmp && !o.pixel_size && !bmp_may_be_placed(network)) {
            fault(network +
                  ": a BMP image without a world file carries no pixel size; give"
                  " --pixel-size");
            return std::nullopt;
        }
        jobs.push_back({network, type, result_prefix(network, o.output, folder)});
        inputs.add(network);
        if (type == ImageType::raw) inputs.add(descriptor_of(network));
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
        for (const std::string& result : result_files(job.prefix, true)) {
            if (inputs.holds(result)) {
                fault(job.network + ": its result " + result +
                      " would replace a network image or descriptor of this run");
                return std::nullopt;
            }
        }
    }
    for (const std::string* table : {&o.segments, &o.links, &o.summary, &o.horton}) {
        if (!table->empty() && inputs.holds(*table)) {
            fault(*table + ": would replace a network image or descriptor of this run");
            return std::nullopt;
        }
    }
    std::vector<NetworkFiles> files;
    for (const Job& job : jobs) {
        const ImageType type = result_type(o, job.type);
        files.push_back({job.network, job.type == ImageType::raw, type, job.prefix,
                         image_name(job.prefix, type)});
    }
    const RunOutputs outputs{o.steps, o.segments, o.links, o.summary, o.horton};
    const std::string clash = result_clash(run_results(files, outputs), run_inputs(files));
    if (!clash.empty()) {
        fault(clash);
        return std::nullopt;
    }
    return jobs;
}

// By default the result takes the input's type when it is one of the three the program writes
// itself (raw, BMP, ASCII grid), and is a GeoTIFF otherwise.
ImageType result_type(const OrderOptions& o, ImageType input_type) {
    if (o.format == "raw") return ImageType::raw;
    if (o.format == "bmp") return ImageType::bmp;
    if (o.format == "asc") return ImageType::ascii;
    if (o.format == "tif") return ImageType::geotiff;
    return input_type;
}

NetworkSelector selector_of(const OrderOptions& o) {
    NetworkSelector sel;
    sel.band = o.band;
    if (o.colour) {
        sel.kind = NetworkSelector::Kind::colour;
        sel.red = (*o.colour)[0];
        sel.green = (*o.colour)[1];
        sel.blue = (*o.colour)[2];
    } else {
        sel.value = o.value.value_or(0.0);
        sel.value_given = o.value.has_value();
    }
    return sel;
}

void print_done(const NetworkRun& s, const OrderSummary& sum) {
    std::printf("%s: highest order %d, %lld segments, total length %.6f m -> %s, %s\n",
                s.nomim1.c_str(), sum.highest_order, sum.segments, s.red_length, s.nomim2.c_str(),
                s.nominfo.c_str());
}

// The outlets named by --outlet and --outlet-file as pixels of the network; false with `why` when
// the file cannot be read (an input fault, status 1).
bool named_outlets(const OrderOptions& o, const Georef& georef, std::vector<NamedOutlet>& out,
                   std::string& why) {
    auto add = [&](const std::string& name, MapPoint p) {
        NamedOutlet n;
        n.name = name;
        // A point beyond the range of a line or column lies outside every image.
        if (!pixel_of(georef, p, n.line, n.column)) n.line = n.column = -2;
        out.push_back(std::move(n));
    };
    for (const std::string& text : o.outlets) {
        const std::size_t comma = text.find(',');
        add("--outlet " + text, {std::strtod(text.substr(0, comma).c_str(), nullptr),
                                 std::strtod(text.substr(comma + 1).c_str(), nullptr)});
    }
    if (o.outlet_file.empty()) return true;
    std::vector<MapPoint> points;
    if (!read_points(o.outlet_file, georef, points, why)) return false;
    for (std::size_t k = 0; k < points.size(); ++k) {
        char name[96];
        std::snprintf(name, sizeof name, " point %zu (%.17g,%.17g)", k + 1, points[k].x,
                      points[k].y);
        add("--outlet-file " + o.outlet_file + name, points[k]);
    }
    return true;
}

// Orders one network and writes its results. Returns 0, 1 when anything failed (said on
// standard error), or 2 for a named outlet that is no outlet (nothing is written then). The
// figures of a network whose passes ran go to the segments table and the summary.
int order_network(const OrderOptions& o, const Job& job, std::FILE* csv,
                  std::vector<NetworkSummary>& summaries) {
    NetworkOrder order;
    NetworkRun& s = order.run;
    NetworkPlace& place = order.place;
    std::string why;
    s.threads = engine_threads();
    // A GIS raster's network byte is the reader's (network_values.h); this is its wish.
    const double v = o.value.value_or(0.0);
    s.val_red = !o.colour && v >= 0 && v <= 254 && v == std::floor(v) ? static_cast<int>(v) : 0;
    const double corner[2] = {o.corner_x, o.corner_y};
    // On a terminal: reading, ordering and writing, each a line that fills as the work goes.
    ProgressLine line{progress_stream(o.quiet)};
    line.start(job.network + ": reading");
    const std::function<void(double)> lines_read = [&line](double share) { line.update(share); };
    const bool loaded = load_network(s, job.network, job.type, selector_of(o), o.pixel_size,
                                     o.corner_given ? corner : nullptr, place, why, &lines_read);
    line.finish();
    if (!loaded) {
        fault(why);
        return 1;
    }
    NetworkOrderRequest request;
    if (!named_outlets(o, place.georef, request.outlets, why)) {
        fault(why);
        return 1;
    }
    request.last = o.last;
    request.steps = o.steps;
    request.drawing = o.drawing;
    request.flow_grid = o.flow_grid;
    const bool lines = vector_segments(o);
    // The segments table holds every line too.
    request.keep_pixels = lines || csv != nullptr;
    request.links = !o.links.empty();
    request.writers_reserve = kWritersReserve;
    request.prepare = [&](NetworkRun& run, std::string& refusal) {
        run.image_type = result_type(o, job.type);
        run.nomim_step = job.prefix;
        run.nomim2 = image_name(job.prefix, run.image_type);
        if (run.image_type == ImageType::raw) run.nomdescr2 = descriptor_name(job.prefix);
        run.nominfo = report_name(job.prefix);
        if (run.image_type == ImageType::bmp && !fits_bmp(run.nb_col, run.nb_lig)) {
            refusal = run.nomim2 + ": the image is too large for a bitmap file (4 GiB at most)";
            return false;
        }
        // Found now rather than after the passes, when the work would be lost.
        if (!can_create(run.nominfo)) return false;
        if (run.image_type == ImageType::geotiff) refusal = order_geotiff_refusal(run.nomim2);
        return refusal.empty();
    };
    request.result_grid = [](NetworkRun& run) {
        if (run.image_type != ImageType::raw) return;
        // A raw result is the result grid itself, mapped from its temporary: the passes leave
        // their labels in the image, which is never copied. Otherwise it is written after them.
        run.f2 = begin_output(run.result_out, run.nomim2);
        if (run.f2) run.tab5 = map_raw_image(run.f2, run.nb_lig, run.nb_col);
        if (!run.tab5) {
            run.f2.reset();
            abandon(run.result_out);
        }
    };
    OrderProgress progress;
    progress.start = [&](const std::string& stage) { line.start(job.network + ": " + stage); };
    progress.update = [&](double share) { line.update(share); };
    progress.finish = [&] { line.finish(); };
    progress.cut = [&] { line.cut(); };
    order_loaded_network(order, request, progress);
    switch (order.status) {
        case OrderStatus::ordered:
            break;
        case OrderStatus::bad_outlet:
            fault(order.fault);
            return 2;
        case OrderStatus::failed:
        case OrderStatus::no_memory:
            if (!order.fault.empty()) fault(order.fault);
            return 1;
    }
    if (!order.unsound.empty() && !o.quiet) {
        std::fprintf(stderr, "branchranker: warning: %s:%s\n", s.nomim1.c_str(),
                     order.unsound.c_str());
    }
    NetworkFileRequest files;
    files.csv = csv;
    if (lines) files.lines = o.segments;
    files.links = o.links;
    files.horton = o.horton;
    NetworkSummary summary;
    const bool ok = write_network_files(order, files, summary, progress, fault);
    if (ok && !o.quiet) print_done(s, summary.figures);
    summaries.push_back(std::move(summary));
    return ok ? 0 : 1;
}

}  // namespace

// Frees what GDAL keeps for the whole process once the batch is done, so that nothing it
// allocated is left behind at exit.
struct GdalRelease {
    GdalRelease() = default;
    GdalRelease(const GdalRelease&) = delete;
    GdalRelease& operator=(const GdalRelease&) = delete;
    ~GdalRelease() { release_gdal(); }
};

int run_order(const OrderOptions& o) {
    const GdalRelease gdal;
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
    if (!o.segments.empty() && !vector_segments(o)) {
        csv = begin_output(csv_out, o.segments);
        if (!csv) {
            fault(o.segments + ": cannot be created (" + std::strerror(errno) + ")");
            return 1;
        }
        write_segments_header(csv.get());
    }
    for (const std::string* file : {&o.summary, &o.horton}) {
        if (!file->empty() && !can_create(*file)) return 1;
    }
    if (!o.links.empty()) {
        const std::string why = links_refusal(o.links);
        if (!why.empty()) {
            fault(why);
            return 1;
        }
        if (!can_create(o.links)) return 1;
    }
    if (vector_segments(o)) {
        // GDAL's drivers write a dataset by name: never through a device or a pipe.
        const std::string why = segments_refusal(o.segments);
        if (!why.empty()) {
            fault(why);
            return 1;
        }
        if (!can_create(o.segments)) return 1;
    }

    int status = 0;
    std::vector<NetworkSummary> summaries;
    for (const Job& job : *jobs) {
        const int done = order_network(o, job, csv.get(), summaries);
        // A named outlet that is no outlet: nothing is written (there is one network).
        if (done == 2) return 2;
        if (done != 0) status = 1;
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
