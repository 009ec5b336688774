// Segments of the ordered network as a vector file, one feature per segment, the format chosen
// by the extension of the file name:
//   .gpkg GeoPackage, .geojson or .json GeoJSON, .shp ESRI Shapefile (with .shx, .dbf, .prj,
//   .cpg), .csv CSV.
// Every format but CSV holds one LineString per segment through its pixel centres in walk order,
// then on through the pixels that join it to the line it flows into (to_below), in map
// coordinates (georef.h: pixel units with y up when the raster has no geotransform), in
// the raster's coordinate system, with the attributes id, order, pass, pixels, length_m and
// flows_into (null for the outlet and for a stream whose downstream no pass reached). A segment
// of one pixel is a LineString of that point twice.
// CSV holds one row per segment: id, order, pass, pixels, length_m, first_line, first_column,
// first_x, first_y, last_line, last_column, last_x, last_y, flows_into, and, when asked, a
// first column WKT with the LineString.
// The layer is named after the file (its stem).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "formats/gis/georef.h"

struct SegmentRecord {
    int id = 0;
    int order = 0;
    int pass = 0;
    int pixels = 0;
    double length_m = 0.0;
    std::vector<std::pair<int, int>> path;  // (line, column) of each pixel in walk order
    int flows_into = -1;                    // id of the downstream segment, or -1
    // Where the segment below took the junction group that holds this one's last pixel without
    // walking through that pixel: the pixels from there to the line below, the last one on it.
    std::vector<std::pair<int, int>> to_below;
};

// Writes `records` to `path` as vector_file.h writes a layer, named after the file. csv_geometry:
// add the WKT column to a CSV file. Fails, with `error` naming the file and the fault and nothing
// left under `path` (any previous file untouched), when the extension is none of the above, a
// record has no pixel, the coordinate system is refused by the driver, a feature cannot be written,
// or storage runs out. No exception leaves the function.
bool write_segments(const std::string& path, const std::vector<SegmentRecord>& records,
                    const Georef& georef, std::string& error, bool csv_geometry = false);

// "" when write_segments may replace `path` and every companion file of its kind, else why
// not (a device, a pipe or a folder under one of the names): to be asked before the run.
std::string segments_refusal(const std::string& path);
