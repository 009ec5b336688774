#include "formats/gis/envi_header.h"

#include <cmath>
#include <cstdio>
#include <numbers>

#include "formats/gis/pending_dataset.h"

namespace {

std::string number(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

}  // namespace

std::string envi_header_text(int lines, int samples, const Georef& g, std::string& error) {
    std::string text = "ENVI\ndescription = {Strahler order image}\n";
    text += "samples = " + std::to_string(samples) + "\n";
    text += "lines = " + std::to_string(lines) + "\n";
    text +=
        "bands = 1\nheader offset = 0\nfile type = ENVI Standard\ndata type = 1\n"
        "interleave = bsq\nbyte order = 0\ndata ignore value = 255\n";
    if (g.has_geotransform) {
        if (!north_up(g)) {
            error = "a rotated geotransform cannot be written as ENVI map info";
            return "";
        }
        const double* t = g.geotransform;
        const bool degrees =
            g.geographic && std::fabs(g.angular_unit_radians - std::numbers::pi / 180.0) < 1e-15;
        // ENVI names few units; others are left to the coordinate system string.
        std::string units;
        if (degrees)
            units = ", units=Degrees";
        else if (g.linear_unit_metres == 1.0)
            units = ", units=Meters";
        else if (g.linear_unit_metres == 0.3048)
            units = ", units=Feet";
        text += std::string("map info = {") + (degrees ? "Geographic Lat/Lon" : "Arbitrary") +
                ", 1, 1, " + number(t[0]) + ", " + number(t[3]) + ", " + number(t[1]) + ", " +
                number(-t[5]) + units + "}\n";
    }
    if (g.has_crs) {
        const std::string wkt = esri_wkt(g);
        if (wkt.empty()) {
            error = "the coordinate system has no ESRI WKT form";
            return "";
        }
        text += "coordinate system string = {" + wkt + "}\n";
    }
    return text;
}

bool write_envi_header(const std::string& hdr_path, int lines, int samples, const Georef& georef,
                       std::string& error) {
    std::string why;
    const std::string text = envi_header_text(lines, samples, georef, why);
    if (text.empty()) {
        error = hdr_path + ": " + why;
        return false;
    }
    return write_text_file(hdr_path, text, error);
}
