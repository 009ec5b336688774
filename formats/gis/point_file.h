// Points read from a vector file of any format OGR reads (GeoPackage, shapefile, GeoJSON, CSV
// with a geometry, ...): the outlets a user names in a file rather than on the command line.
#pragma once

#include <string>
#include <vector>

#include "formats/gis/georef.h"

// Reads every point of every layer of `path` (points and multipoints; features without a
// geometry are passed over), in the row order of each layer, into `out` in the map coordinates
// of `target`: a layer whose coordinate system differs from target's is transformed to it. A
// layer without a coordinate system, or a target without one, is taken as it is. Returns false
// with `fault` saying why ("PATH: ...") when the file may not or cannot be opened as vectors,
// holds a geometry that is not a point, holds no point at all, or cannot be transformed.
bool read_points(const std::string& path, const Georef& target, std::vector<MapPoint>& out,
                 std::string& fault);
