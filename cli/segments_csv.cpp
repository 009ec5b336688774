#include "cli/segments_csv.h"

#include <string>

#include "base/run_state.h"

void write_segments_header(std::FILE* f) {
    std::fputs(
        "network,id,order,pass,segment,pixels,length_m,first_row,first_column,first_x,first_y,"
        "last_row,last_column,last_x,last_y,flows_into\n",
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

// ",row,column,x,y" of a pixel, or four empty fields when it is not known.
void write_pixel(std::FILE* f, const RunState& s, const NetworkPlace& place, PixelIndex p) {
    if (p < 0) {
        std::fputs(",,,,", f);
        return;
    }
    const long long row = p / s.nb_col;
    const long long column = p % s.nb_col;
    if (place.gis) {
        const MapPoint at =
            pixel_centre(place.georef, static_cast<int>(row), static_cast<int>(column));
        std::fprintf(f, place.georef.geographic ? ",%lld,%lld,%.9f,%.9f" : ",%lld,%lld,%.6f,%.6f",
                     row, column, at.x, at.y);
        return;
    }
    const double x = s.X_min + (static_cast<double>(column) + 0.5) * s.dpix_size;
    const double y = s.Y_min + (static_cast<double>(s.nb_lig - row) - 0.5) * s.dpix_size;
    std::fprintf(f, ",%lld,%lld,%.6f,%.6f", row, column, x, y);
}

}  // namespace

void write_segments_rows(std::FILE* f, const RunState& s, const NetworkPlace& place,
                         const OrderRecord& record) {
    const std::string network = csv_field(s.nomim1);
    for (std::size_t i = 0; i < record.segments.size(); ++i) {
        const TracedSegment& seg = record.segments[i];
        std::fprintf(f, "%s,%zu,%d,%d,%d,%d,%.6f", network.c_str(), i + 1, seg.pass, seg.pass,
                     seg.number, seg.points, seg.length);
        write_pixel(f, s, place, seg.first);
        write_pixel(f, s, place, seg.last);
        if (seg.flows_into >= 0) {
            std::fprintf(f, ",%lld\n", seg.flows_into + 1);
        } else {
            std::fputs(",\n", f);
        }
    }
}
