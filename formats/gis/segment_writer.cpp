#include "formats/gis/segment_writer.h"

#include <filesystem>

#include "formats/gis/vector_file.h"

namespace {

using Type = VectorField::Type;

constexpr VectorField kCommon[] = {{"id", Type::integer},
                                   {"order", Type::integer},
                                   {"pass", Type::integer},
                                   {"pixels", Type::integer},
                                   {"length_m", Type::real}};
constexpr VectorField kCsvEnds[] = {{"first_line", Type::integer}, {"first_column", Type::integer},
                                    {"first_x", Type::real},       {"first_y", Type::real},
                                    {"last_line", Type::integer},  {"last_column", Type::integer},
                                    {"last_x", Type::real},        {"last_y", Type::real}};

// The line through the walked pixels, and on through those that join it to the line below.
void line_of(const SegmentRecord& r, std::vector<std::pair<int, int>>& pixels) {
    pixels = r.path;
    pixels.insert(pixels.end(), r.to_below.begin(), r.to_below.end());
}

}  // namespace

std::string segments_refusal(const std::string& path) {
    return vector_file_refusal(path);
}

bool write_segments(const std::string& path, const std::vector<SegmentRecord>& records,
                    const Georef& georef, std::string& error, bool csv_geometry) {
    VectorFormat format;
    if (!vector_format_of(path, format)) {
        error = path + ": unknown segment file kind (use .gpkg, .geojson, .json, .shp or .csv)";
        return false;
    }
    for (const SegmentRecord& r : records) {
        if (r.path.empty()) {
            error = path + ": segment " + std::to_string(r.id) + " has no pixel";
            return false;
        }
    }
    VectorLayer layer;
    layer.name = std::filesystem::path(path).stem().string();
    layer.csv_geometry = csv_geometry;
    layer.fields.assign(std::begin(kCommon), std::end(kCommon));
    if (format.csv)
        layer.fields.insert(layer.fields.end(), std::begin(kCsvEnds), std::end(kCsvEnds));
    layer.fields.push_back({"flows_into", Type::integer});
    layer.count = records.size();
    const bool csv = format.csv;
    layer.feature = [&](std::size_t n, std::vector<VectorValue>& v,
                        std::vector<std::pair<int, int>>& pixels) {
        const SegmentRecord& r = records[n];
        std::size_t f = 0;
        v[f++] = static_cast<long long>(r.id);
        v[f++] = static_cast<long long>(r.order);
        v[f++] = static_cast<long long>(r.pass);
        v[f++] = static_cast<long long>(r.pixels);
        v[f++] = r.length_m;
        if (csv) {
            const auto [fl, fc] = r.path.front();
            const auto [ll, lc] = r.path.back();
            const MapPoint a = pixel_centre(georef, fl, fc);
            const MapPoint b = pixel_centre(georef, ll, lc);
            for (const VectorValue& x :
                 {VectorValue{static_cast<long long>(fl)}, VectorValue{static_cast<long long>(fc)},
                  VectorValue{a.x}, VectorValue{a.y}, VectorValue{static_cast<long long>(ll)},
                  VectorValue{static_cast<long long>(lc)}, VectorValue{b.x}, VectorValue{b.y}})
                v[f++] = x;
        }
        // The outlet, and a stream whose downstream no pass reached, flow into nothing: null,
        // as the table's empty cell, not a number that a join would take for an id.
        if (r.flows_into >= 0) v[f] = static_cast<long long>(r.flows_into);
        line_of(r, pixels);
    };
    return write_vector_file(path, {layer}, georef, error);
}
