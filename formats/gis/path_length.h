// Length in metres of a step between pixel centres, and of a path through them.
//
// Three rules, chosen once per raster:
// - a pixel size the user gives (metres): every step is its length in pixels (1 along a line or
//   column, sqrt(2) diagonally) times that size, whatever the georeference says;
// - a geographic system with a geotransform: every step is the geodesic distance between the two
//   pixel centres on the system's ellipsoid (PROJ's geod_inverse); on a north-up grid the steps
//   of each line are worked out once, as they depend only on the latitude;
// - otherwise the planar distance between the two pixel centres in map units times the unit's
//   length in metres (1 when the system, or the unit, is unknown; pixels when there is no
//   geotransform).
#pragma once

#include <geodesic.h>

#include <utility>
#include <vector>

#include "formats/gis/georef.h"

using PixelPath = std::vector<std::pair<int, int>>;  // (line, column) of each pixel, walk order

struct LengthRule {
    enum class Kind { user_size, planar, geodesic };
    Kind kind = Kind::planar;
    double user_size_m = 0.0;  // user_size
    double unit_m = 1.0;       // planar: metres per map unit
    Georef georef;
    geod_geodesic ellipsoid{};  // geodesic: the system's ellipsoid
    double to_degrees = 1.0;    // geodesic: degrees per angular unit of the map
    // geodesic on a north-up grid, for lines 0 .. lines-1: metres from (l, c) to (l, c + 1), and
    // from (l, c) to (l + 1, c) and to (l + 1, c + 1) (last line: 0, unused).
    std::vector<double> along, down, diagonal;
};

// user_pixel_size_m: the pixel size the user gave, or 0 (or less) for none. lines: the raster's
// line count, for the per-line tables (0 works too: every step is then computed on its own).
LengthRule make_length_rule(const Georef& georef, int lines, double user_pixel_size_m);

// Metres between the centres of pixels (l0, c0) and (l1, c1) under the rule.
double step_length_m(const LengthRule& rule, int l0, int c0, int l1, int c1);

// Sum of the step lengths between consecutive pixels of the path; 0 for fewer than two pixels.
// Steps may be of any size; pixels need not be inside the raster.
double path_length_m(const LengthRule& rule, const PixelPath& path);
