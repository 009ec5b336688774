// Georeference of a raster: where its pixels lie on the map and what its units are.
//
// Pixel (line, column) covers the square whose upper-left corner is at raster coordinates
// (column, line); its centre is at (column + 0.5, line + 0.5). The geotransform maps raster
// coordinates (P, L) to map coordinates:
//     x = g[0] + P * g[1] + L * g[2]
//     y = g[3] + P * g[4] + L * g[5]
// A raster without a geotransform uses {0, 1, 0, 0, 0, -1}: one unit per pixel, x to the right,
// y up, so that x = column + 0.5 and y = -(line + 0.5); every GIS shows the picture upright with
// its vectors on top in that system.
#pragma once

#include <string>

struct Georef {
    double geotransform[6] = {0.0, 1.0, 0.0, 0.0, 0.0, -1.0};
    std::string wkt;  // coordinate system as WKT; "" when there is none
    bool has_geotransform = false;
    bool has_crs = false;
    // Latitude and longitude: x is the longitude and y the latitude, in the angular unit.
    bool geographic = false;
    // Unit of the map coordinates of a projected or local system ("metre", "US survey foot", ...)
    // and its length in metres. With no coordinate system the unit is unknown: "" and 1.0 (the
    // map coordinates are taken as metres). With a geographic system: "" and 0.0.
    std::string linear_unit_name;
    double linear_unit_metres = 1.0;
    // Geographic systems only: radians per map coordinate unit (pi/180 for degrees) and the
    // ellipsoid (inverse flattening 0 for a sphere).
    double angular_unit_radians = 0.0;
    double semi_major_m = 0.0;
    double inverse_flattening = 0.0;
};

// Builds a georeference. geotransform: six values, or null for none. crs: WKT, "EPSG:n" or
// anything else GDAL's user input parser takes, or "" for none; it is stored as WKT.
// Fails, with `error` set and `out` unchanged, when a geotransform value is not finite or the
// geotransform does not map pixels to an area (g[1] * g[5] - g[2] * g[4] == 0), or when the
// coordinate system is not understood.
bool make_georef(const double* geotransform, const std::string& crs, Georef& out,
                 std::string& error);

struct MapPoint {
    double x = 0.0;
    double y = 0.0;
};

// Map coordinates of the centre of pixel (line, column); any line or column, even outside.
MapPoint pixel_centre(const Georef& g, int line, int column);

// The pixel whose square holds the map point p, as (line, column), either of which may lie
// outside the raster; false when p is not finite or lies beyond the range of an int.
bool pixel_of(const Georef& g, MapPoint p, long long& line, long long& column);

// Distance between the centres of neighbouring pixels along a line (x) and along a column (y),
// in map units (pixels when there is no geotransform); always positive.
struct PixelSize {
    double x = 1.0;
    double y = 1.0;
};
PixelSize pixel_size(const Georef& g);

// Whether the raster is north up: no rotation or shear terms (g[2] == g[4] == 0).
bool north_up(const Georef& g);

// Whether lengths must be measured on the ellipsoid: a geographic system with a geotransform.
bool lengths_are_geodesic(const Georef& g);

// The coordinate system as ESRI WKT, as .prj files and ENVI headers hold it; "" when there is
// none or it cannot be written so.
std::string esri_wkt(const Georef& g);
