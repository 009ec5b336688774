#include "formats/gis/path_length.h"

#include <geodesic.h>

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

struct Geodesic {
    geod_geodesic g;
    double to_degrees;
    explicit Geodesic(const Georef& r)
        : to_degrees(r.angular_unit_radians * 180.0 / std::numbers::pi) {
        geod_init(&g, r.semi_major_m,
                  r.inverse_flattening != 0.0 ? 1.0 / r.inverse_flattening : 0.0);
    }
    // Metres between the centres of two pixels.
    double between(const Georef& r, int l0, int c0, int l1, int c1) const {
        const MapPoint a = pixel_centre(r, l0, c0);
        const MapPoint b = pixel_centre(r, l1, c1);
        double s12 = 0.0;
        geod_inverse(&g, a.y * to_degrees, a.x * to_degrees, b.y * to_degrees, b.x * to_degrees,
                     &s12, nullptr, nullptr);
        return s12;
    }
};

double planar_step(const LengthRule& rule, int dl, int dc) {
    const double* t = rule.georef.geotransform;
    return std::hypot(dc * t[1] + dl * t[2], dc * t[4] + dl * t[5]) * rule.unit_m;
}

}  // namespace

LengthRule make_length_rule(const Georef& georef, int lines, double user_pixel_size_m) {
    LengthRule rule;
    rule.georef = georef;
    if (user_pixel_size_m > 0.0) {
        rule.kind = LengthRule::Kind::user_size;
        rule.user_size_m = user_pixel_size_m;
        return rule;
    }
    if (!lengths_are_geodesic(georef)) {
        rule.kind = LengthRule::Kind::planar;
        rule.unit_m = georef.has_crs && !georef.geographic ? georef.linear_unit_metres : 1.0;
        return rule;
    }
    rule.kind = LengthRule::Kind::geodesic;
    if (north_up(georef) && lines > 0) {
        const Geodesic geo(georef);
        rule.along.assign(lines, 0.0);
        rule.down.assign(lines, 0.0);
        rule.diagonal.assign(lines, 0.0);
        for (int l = 0; l < lines; ++l) {
            rule.along[l] = geo.between(georef, l, 0, l, 1);
            if (l + 1 < lines) {
                rule.down[l] = geo.between(georef, l, 0, l + 1, 0);
                rule.diagonal[l] = geo.between(georef, l, 0, l + 1, 1);
            }
        }
    }
    return rule;
}

double path_length_m(const LengthRule& rule, const PixelPath& path) {
    if (path.size() < 2) return 0.0;
    double sum = 0.0;
    switch (rule.kind) {
        case LengthRule::Kind::user_size:
            for (std::size_t i = 1; i < path.size(); ++i)
                sum += std::hypot(path[i].first - path[i - 1].first,
                                  path[i].second - path[i - 1].second);
            return sum * rule.user_size_m;
        case LengthRule::Kind::planar:
            for (std::size_t i = 1; i < path.size(); ++i)
                sum += planar_step(rule, path[i].first - path[i - 1].first,
                                   path[i].second - path[i - 1].second);
            return sum;
        case LengthRule::Kind::geodesic:
            break;
    }
    const Geodesic geo(rule.georef);
    const int table_lines = static_cast<int>(rule.along.size());
    for (std::size_t i = 1; i < path.size(); ++i) {
        const auto [l0, c0] = path[i - 1];
        const auto [l1, c1] = path[i];
        const int top = std::min(l0, l1);
        const int dl = std::abs(l1 - l0);
        const int dc = std::abs(c1 - c0);
        // The tables hold the steps of one pixel, between lines that are both in the raster.
        if (dl <= 1 && dc <= 1 && top >= 0 && top + dl < table_lines) {
            if (dl == 0)
                sum += dc ? rule.along[top] : 0.0;
            else
                sum += dc ? rule.diagonal[top] : rule.down[top];
        } else {
            sum += geo.between(rule.georef, l0, c0, l1, c1);
        }
    }
    return sum;
}
