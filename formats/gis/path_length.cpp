#include "formats/gis/path_length.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

// Metres between the centres of two pixels on the rule's ellipsoid.
double on_ellipsoid(const LengthRule& rule, int l0, int c0, int l1, int c1) {
    const MapPoint a = pixel_centre(rule.georef, l0, c0);
    const MapPoint b = pixel_centre(rule.georef, l1, c1);
    const double k = rule.to_degrees;
    double s12 = 0.0;
    geod_inverse(&rule.ellipsoid, a.y * k, a.x * k, b.y * k, b.x * k, &s12, nullptr, nullptr);
    return s12;
}

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
    rule.to_degrees = georef.angular_unit_radians * 180.0 / std::numbers::pi;
    geod_init(&rule.ellipsoid, georef.semi_major_m,
              georef.inverse_flattening != 0.0 ? 1.0 / georef.inverse_flattening : 0.0);
    if (north_up(georef) && lines > 0) {
        rule.along.assign(lines, 0.0);
        rule.down.assign(lines, 0.0);
        rule.diagonal.assign(lines, 0.0);
        for (int l = 0; l < lines; ++l) {
            rule.along[l] = on_ellipsoid(rule, l, 0, l, 1);
            if (l + 1 < lines) {
                rule.down[l] = on_ellipsoid(rule, l, 0, l + 1, 0);
                rule.diagonal[l] = on_ellipsoid(rule, l, 0, l + 1, 1);
            }
        }
    }
    return rule;
}

double step_length_m(const LengthRule& rule, int l0, int c0, int l1, int c1) {
    switch (rule.kind) {
        case LengthRule::Kind::user_size:
            return std::hypot(l1 - l0, c1 - c0) * rule.user_size_m;
        case LengthRule::Kind::planar:
            return planar_step(rule, l1 - l0, c1 - c0);
        case LengthRule::Kind::geodesic:
            break;
    }
    // On a north-up grid a step of one pixel depends only on its lines: from the tables, where
    // both lines are in the raster.
    const int top = std::min(l0, l1);
    const int dl = std::abs(l1 - l0);
    const int dc = std::abs(c1 - c0);
    if (dl <= 1 && dc <= 1 && top >= 0 && top + dl < static_cast<int>(rule.along.size())) {
        if (dl == 0) return dc ? rule.along[top] : 0.0;
        return dc ? rule.diagonal[top] : rule.down[top];
    }
    return on_ellipsoid(rule, l0, c0, l1, c1);
}

double path_length_m(const LengthRule& rule, const PixelPath& path) {
    double sum = 0.0;
    for (std::size_t i = 1; i < path.size(); ++i) {
        sum += step_length_m(rule, path[i - 1].first, path[i - 1].second, path[i].first,
                             path[i].second);
    }
    return sum;
}
