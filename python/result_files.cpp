#include "python/result_files.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/output_file.h"
#include "formats/gis/order_geotiff.h"
#include "formats/gis/segment_writer.h"
#include "formats/gis/vector_file.h"
#include "formats/image.h"
#include "run/result_names.h"
#include "run/segments_csv.h"
#include "run/summary_json.h"

namespace {

std::string lower_extension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return ext;
}

}  // namespace

bool image_type_named(const std::string& name, ImageType& type) {
    const std::string n = !name.empty() && name[0] == '.' ? name.substr(1) : name;
    if (n == "raw")
        type = ImageType::raw;
    else if (n == "bmp")
        type = ImageType::bmp;
    else if (n == "asc")
        type = ImageType::ascii;
    else if (n == "tif")
        type = ImageType::geotiff;
    else
        return false;
    return true;
}

std::vector<std::string> save_results(NetworkOrder& order, ImageType input_type,
                                      const SaveRequest& request) {
    std::vector<std::string> faults;
    NetworkRun& s = order.run;
    const std::string base = result_base(request.name);
    s.image_type = request.format.value_or(input_type);
    s.nomim_step = base;
    s.nomim2 = image_name(base, s.image_type);
    s.nomdescr2 = s.image_type == ImageType::raw ? descriptor_name(base) : "";
    s.nominfo = report_name(base);
    if (s.image_type == ImageType::bmp && !fits_bmp(s.nb_col, s.nb_lig)) {
        faults.push_back(s.nomim2 + ": the image is too large for a bitmap file (4 GiB at most)");
        return faults;
    }
    if (s.image_type == ImageType::geotiff) {
        const std::string why = order_geotiff_refusal(s.nomim2);
        if (!why.empty()) return {why};
    }
    const bool table = !request.segments.empty() && lower_extension(request.segments) == ".csv";
    const bool lines = !request.segments.empty() && !table;
    if (!request.segments.empty()) {
        VectorFormat format;
        if (!vector_format_of(request.segments, format))
            return {request.segments +
                    ": unknown file type; expected .csv, .gpkg, .geojson, .json or .shp"};
        if (lines) {
            const std::string why = segments_refusal(request.segments);
            if (!why.empty()) return {why};
        }
    }
    PendingOutput csv_out;
    File csv;
    if (table) {
        csv = begin_output(csv_out, request.segments);
        if (!csv) return {request.segments + ": cannot be created (" + std::strerror(errno) + ")"};
        write_segments_header(csv.get());
    }
    NetworkFileRequest files;
    files.csv = csv.get();
    if (lines) files.lines = request.segments;
    files.horton = request.horton;
    NetworkSummary summary;
    write_network_files(order, files, summary, OrderProgress{},
                        [&](const std::string& text) { faults.push_back(text); });
    if (csv && !finish_output(csv_out, csv))
        faults.push_back(request.segments + ": could not be written");
    if (!request.summary.empty()) {
        PendingOutput out;
        File f = begin_output(out, request.summary);
        if (!(f && write_summary_json(f.get(), {summary}) && finish_output(out, f)))
            faults.push_back(request.summary + ": could not be written");
    }
    return faults;
}
