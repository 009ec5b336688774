// A vector file of one or more layers, written through OGR and put in place whole: the format
// is chosen by the extension of the file name:
//   .gpkg GeoPackage (every layer in the one file), .geojson or .json GeoJSON, .shp ESRI
//   Shapefile (with .shx, .dbf, .prj, .cpg), .csv CSV (one layer a file).
// Geometries are given as pixels, (line, column), and written through their centres in map
// coordinates (georef.h), in the raster's coordinate system.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "formats/gis/georef.h"

struct VectorField {
    enum class Type { integer, integer64, real, text };
    const char* name = "";
    Type type = Type::integer;
};

// A field's value; std::monostate writes a null.
using VectorValue = std::variant<std::monostate, long long, double, std::string>;

struct VectorLayer {
    enum class Geometry { none, point, line };
    std::string name;
    Geometry geometry = Geometry::line;
    // A CSV file holds the geometry too: a line as a WKT column first, a point as X and Y
    // columns first. Other formats always hold it.
    bool csv_geometry = false;
    std::vector<VectorField> fields;
    std::size_t count = 0;  // features
    // Feature n: one value per field, in their order, and its pixels (a point: the first; a
    // line: all, in order; a line of one pixel is written as that point twice). Each feature
    // is asked for once, when it is written, so that no copy of a large network is made.
    std::function<void(std::size_t n, std::vector<VectorValue>& values,
                       std::vector<std::pair<int, int>>& pixels)>
        feature;
};

// The formats by extension; false for any other.
struct VectorFormat {
    const char* driver = nullptr;
    bool csv = false;
    bool layers = false;  // holds several layers in one file
    std::vector<std::string> companions;
    std::vector<std::string> stale;  // files that describe only an old set: spatial indexes
};
bool vector_format_of(const std::string& path, VectorFormat& format);

// Writes the layers to `path` through a temporary file (every companion file of a Shapefile
// included) renamed over it when complete and read back whole. Fails, with `error` naming the
// file and the fault and nothing left under `path` (any previous file untouched), when the
// extension is none of the above, the format holds one layer and more are given, a line has no
// pixel, the coordinate system is refused by the driver, a feature cannot be written, or
// storage runs out. No exception leaves the function.
bool write_vector_file(const std::string& path, const std::vector<VectorLayer>& layers,
                       const Georef& georef, std::string& error);

// "" when write_vector_file may replace `path` and every companion file of its kind, else why
// not (a device, a pipe or a folder under one of the names): to be asked before the run.
std::string vector_file_refusal(const std::string& path);
