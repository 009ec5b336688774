#include "run/segments_csv.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "run/network_run.h"

std::string csv_field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char ch : text) {
        if (ch == '"') quoted += '"';
        quoted += ch;
    }
    return quoted + "\"";
}

namespace {

struct MapXY {
    double x = 0.0;
    double y = 0.0;
};

// The map coordinates of the centre of pixel p.
MapXY map_xy(const NetworkRun& s, const NetworkPlace& place, PixelIndex p) {
    const long long row = p / s.nb_col;
    const long long column = p % s.nb_col;
    if (place.gis) {
        const MapPoint at =
            pixel_centre(place.georef, static_cast<int>(row), static_cast<int>(column));
        return {at.x, at.y};
    }
    return {s.X_min + (static_cast<double>(column) + 0.5) * s.dpix_size,
            s.Y_min + (static_cast<double>(s.nb_lig - row) - 0.5) * s.dpix_size};
}

const char* coordinate_format(const NetworkPlace& place) {
    return place.gis && place.georef.geographic ? "%.9f %.9f" : "%.6f %.6f";
}

std::string formatted(const char* format, double a, double b) {
    char text[128];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

// The row, column, x and y fields of a pixel, or four empty fields when it is not known.
void add_pixel(std::vector<std::string>& fields, const NetworkRun& s, const NetworkPlace& place,
               PixelIndex p) {
    if (p < 0) {
        fields.insert(fields.end(), 4, std::string());
        return;
    }
    const MapXY at = map_xy(s, place, p);
    const bool degrees = place.gis && place.georef.geographic;
    fields.push_back(std::to_string(p / s.nb_col));
    fields.push_back(std::to_string(p % s.nb_col));
    char text[64];
    std::snprintf(text, sizeof text, degrees ? "%.9f" : "%.6f", at.x);
    fields.emplace_back(text);
    std::snprintf(text, sizeof text, degrees ? "%.9f" : "%.6f", at.y);
    fields.emplace_back(text);
}

// "LINESTRING (x y, x y, ...)" through the pixel centres in walk order (a segment of one pixel
// gives its point twice), or "" when the pixels were not kept.
std::string line_text(const NetworkRun& s, const NetworkPlace& place,
                      const std::vector<PixelIndex>& path) {
    if (path.empty()) return "";
    std::string text = "LINESTRING (";
    const std::size_t n = path.size() == 1 ? 2 : path.size();
    for (std::size_t i = 0; i < n; ++i) {
        const MapXY at = map_xy(s, place, path[std::min(i, path.size() - 1)]);
        if (i > 0) text += ", ";
        text += formatted(coordinate_format(place), at.x, at.y);
    }
    return text + ")";
}

}  // namespace

const std::array<const char*, kSegmentColumns> kSegmentColumnNames = {
    "network",     "id",        "order",        "pass",       "segment", "pixels",
    "length_m",    "first_row", "first_column", "first_x",    "first_y", "last_row",
    "last_column", "last_x",    "last_y",       "flows_into", "geometry"};

std::vector<std::string> segment_fields(const NetworkRun& s, const NetworkPlace& place,
                                        const OrderRecord& record, std::size_t i) {
    const TracedSegment& seg = record.segments[i];
    std::vector<std::string> fields;
    fields.reserve(kSegmentColumns);
    fields.push_back(s.nomim1);
    fields.push_back(std::to_string(i + 1));
    fields.push_back(std::to_string(seg.pass));
    fields.push_back(std::to_string(seg.pass));
    fields.push_back(std::to_string(seg.number));
    fields.push_back(std::to_string(seg.points));
    char length[64];
    std::snprintf(length, sizeof length, "%.6f", seg.length);
    fields.emplace_back(length);
    add_pixel(fields, s, place, seg.first);
    add_pixel(fields, s, place, seg.last);
    fields.push_back(seg.flows_into >= 0 ? std::to_string(seg.flows_into + 1) : std::string());
    std::vector<PixelIndex> line = seg.path;
    line.insert(line.end(), seg.to_below.begin(), seg.to_below.end());
    fields.push_back(line_text(s, place, line));
    return fields;
}

void write_segments_header(std::FILE* f) {
    for (std::size_t c = 0; c < kSegmentColumns; ++c)
        std::fprintf(f, c == 0 ? "%s" : ",%s", kSegmentColumnNames[c]);
    std::fputs("\n", f);
}

void write_segments_rows(std::FILE* f, const NetworkRun& s, const NetworkPlace& place,
                         const OrderRecord& record) {
    for (std::size_t i = 0; i < record.segments.size(); ++i) {
        const std::vector<std::string> fields = segment_fields(s, place, record, i);
        for (std::size_t c = 0; c < fields.size(); ++c) {
            if (c > 0) std::fputc(',', f);
            std::fputs(csv_field(fields[c]).c_str(), f);
        }
        std::fputs("\n", f);
    }
}
