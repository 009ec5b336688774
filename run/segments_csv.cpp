#include "run/segments_csv.h"

#include <algorithm>
#include <string>
#include <vector>

#include "run/network_run.h"

void write_segments_header(std::FILE* f) {
    std::fputs(
        "network,id,order,pass,segment,pixels,length_m,first_row,first_column,first_x,first_y,"
        "last_row,last_column,last_x,last_y,flows_into,geometry\n",
        f);
}

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

// ",row,column,x,y" of a pixel, or four empty fields when it is not known.
void write_pixel(std::FILE* f, const NetworkRun& s, const NetworkPlace& place, PixelIndex p) {
    if (p < 0) {
        std::fputs(",,,,", f);
        return;
    }
    const MapXY at = map_xy(s, place, p);
    const bool degrees = place.gis && place.georef.geographic;
    const auto row = static_cast<long long>(p / s.nb_col);
    const auto column = static_cast<long long>(p % s.nb_col);
    std::fprintf(f, degrees ? ",%lld,%lld,%.9f,%.9f" : ",%lld,%lld,%.6f,%.6f", row, column, at.x,
                 at.y);
}

// ",\"LINESTRING (x y, x y, ...)\"" through the pixel centres in walk order (a segment of one pixel
// gives its point twice), or an empty field when the pixels were not kept.
void write_line(std::FILE* f, const NetworkRun& s, const NetworkPlace& place,
                const std::vector<PixelIndex>& path) {
    if (path.empty()) {
        std::fputs(",", f);
        return;
    }
    std::fputs(",\"LINESTRING (", f);
    const std::size_t n = path.size() == 1 ? 2 : path.size();
    for (std::size_t i = 0; i < n; ++i) {
        const MapXY at = map_xy(s, place, path[std::min(i, path.size() - 1)]);
        if (i > 0) std::fputs(", ", f);
        std::fprintf(f, coordinate_format(place), at.x, at.y);
    }
    std::fputs(")\"", f);
}

}  // namespace

void write_segments_rows(std::FILE* f, const NetworkRun& s, const NetworkPlace& place,
                         const OrderRecord& record) {
    const std::string network = csv_field(s.nomim1);
    for (std::size_t i = 0; i < record.segments.size(); ++i) {
        const TracedSegment& seg = record.segments[i];
        std::fprintf(f, "%s,%zu,%d,%d,%d,%d,%.6f", network.c_str(), i + 1, seg.pass, seg.pass,
                     seg.number, seg.points, seg.length);
        write_pixel(f, s, place, seg.first);
        write_pixel(f, s, place, seg.last);
        if (seg.flows_into >= 0) {
            std::fprintf(f, ",%lld", seg.flows_into + 1);
        } else {
            std::fputs(",", f);
        }
        std::vector<PixelIndex> line = seg.path;
        line.insert(line.end(), seg.to_below.begin(), seg.to_below.end());
        write_line(f, s, place, line);
        std::fputs("\n", f);
    }
}
