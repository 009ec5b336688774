#include "formats/gis/georef.h"

#include <cpl_conv.h>
#include <ogr_spatialref.h>

#include <cmath>

#include "formats/gis/gdal_session.h"

namespace {

bool fill_crs(const std::string& crs, Georef& g, std::string& error) {
    OGRSpatialReference srs;
    srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    if (srs.SetFromUserInput(crs.c_str()) != OGRERR_NONE) {
        error = "coordinate system not understood: " + crs.substr(0, 200) + gdal_detail();
        return false;
    }
    char* text = nullptr;
    OGRErr err = srs.exportToWkt(&text);
    if (err != OGRERR_NONE) {
        CPLFree(text);
        text = nullptr;
        const char* const wkt2[] = {"FORMAT=WKT2_2019", nullptr};
        err = srs.exportToWkt(&text, wkt2);
    }
    if (err != OGRERR_NONE || text == nullptr) {
        CPLFree(text);
        error = "coordinate system cannot be written as WKT: " + crs.substr(0, 200);
        return false;
    }
    g.wkt = text;
    CPLFree(text);
    g.has_crs = true;
    g.geographic = srs.IsGeographic() != 0;
    if (g.geographic) {
        g.linear_unit_name.clear();
        g.linear_unit_metres = 0.0;
        g.angular_unit_radians = srs.GetAngularUnits(nullptr);
        OGRErr e1 = OGRERR_NONE, e2 = OGRERR_NONE;
        g.semi_major_m = srs.GetSemiMajor(&e1);
        g.inverse_flattening = srs.GetInvFlattening(&e2);
        if (e1 != OGRERR_NONE || e2 != OGRERR_NONE || !(g.semi_major_m > 0.0) ||
            !(g.angular_unit_radians > 0.0)) {
            error = "geographic coordinate system without a usable ellipsoid or angular unit";
            return false;
        }
    } else {
        const char* name = nullptr;
        g.linear_unit_metres = srs.GetLinearUnits(&name);
        g.linear_unit_name = name ? name : "";
        if (!(g.linear_unit_metres > 0.0)) {
            error = "coordinate system without a usable linear unit";
            return false;
        }
    }
    return true;
}

}  // namespace

bool make_georef(const double* geotransform, const std::string& crs, Georef& out,
                 std::string& error) {
    GdalSession session;
    Georef g;
    if (geotransform != nullptr) {
        for (int i = 0; i < 6; ++i) {
            if (!std::isfinite(geotransform[i])) {
                error = "geotransform value not finite";
                return false;
            }
            g.geotransform[i] = geotransform[i];
        }
        if (g.geotransform[1] * g.geotransform[5] - g.geotransform[2] * g.geotransform[4] == 0.0) {
            error = "geotransform gives pixels no area";
            return false;
        }
        g.has_geotransform = true;
    }
    if (!crs.empty() && !fill_crs(crs, g, error)) return false;
    out = std::move(g);
    return true;
}

MapPoint pixel_centre(const Georef& g, int line, int column) {
    const double* t = g.geotransform;
    const double p = column + 0.5;
    const double l = line + 0.5;
    return {t[0] + p * t[1] + l * t[2], t[3] + p * t[4] + l * t[5]};
}

bool pixel_of(const Georef& g, MapPoint p, long long& line, long long& column) {
    const double* t = g.geotransform;
    // The inverse of the geotransform, whose determinant make_georef keeps from 0.
    const double det = t[1] * t[5] - t[2] * t[4];
    const double dx = p.x - t[0];
    const double dy = p.y - t[3];
    const double col = std::floor((dx * t[5] - dy * t[2]) / det);
    const double lin = std::floor((dy * t[1] - dx * t[4]) / det);
    constexpr double kLimit = 2147483647.0;
    if (!std::isfinite(col) || !std::isfinite(lin) || std::fabs(col) > kLimit ||
        std::fabs(lin) > kLimit)
        return false;
    line = static_cast<long long>(lin);
    column = static_cast<long long>(col);
    return true;
}

PixelSize pixel_size(const Georef& g) {
    const double* t = g.geotransform;
    return {std::hypot(t[1], t[4]), std::hypot(t[2], t[5])};
}

bool north_up(const Georef& g) {
    return g.geotransform[2] == 0.0 && g.geotransform[4] == 0.0;
}

bool lengths_are_geodesic(const Georef& g) {
    return g.geographic && g.has_geotransform;
}

std::string esri_wkt(const Georef& g) {
    if (!g.has_crs) return "";
    GdalSession session;
    OGRSpatialReference srs;
    if (srs.importFromWkt(g.wkt.c_str()) != OGRERR_NONE) return "";
    char* text = nullptr;
    const char* const options[] = {"FORMAT=WKT1_ESRI", nullptr};
    std::string out;
    if (srs.exportToWkt(&text, options) == OGRERR_NONE && text) out = text;
    CPLFree(text);
    return out;
}
