// What the GIS tests read back with GDAL/OGR itself: datasets opened by name, and whether a
// coordinate system is a given EPSG one.
#pragma once

#include <memory>
#include <string>

struct GdalCloser {
    void operator()(void* dataset) const;
};
using Dataset = std::unique_ptr<void, GdalCloser>;  // a GDALDatasetH, closed when it goes

// Null when GDAL cannot open the file as a raster (or as vectors).
Dataset open_raster(const std::string& path);
Dataset open_vector(const std::string& path);

// Whether the WKT text describes the same coordinate system as the EPSG code.
bool same_crs(const char* wkt, int epsg);
