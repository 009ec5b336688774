// An array of cells held in memory, seen by GDAL as a raster of one band through its memory
// driver, without a copy: the network reader (formats/gis/network_reader.h) then reads it as it
// reads any file, with the same rule for the network, NoData and the georeference.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "formats/gis/gdal_session.h"

struct ArrayCells {
    const void* data = nullptr;
    int lines = 0;
    int columns = 0;
    long long pixel_step = 0;  // bytes from a cell to the next on its line, positive
    long long line_step = 0;   // bytes from a line to the next, positive
    int gdal_type = 0;         // GDALDataType of a cell
    std::optional<double> nodata;
    std::optional<std::array<double, 6>> geotransform;
    std::string crs;  // WKT, "EPSG:n" or anything GDAL's SetFromUserInput reads; "" for none
};

// The dataset over the cells, which must outlive it; null with `fault` when GDAL refuses it (a
// coordinate system it does not read).
GdalDataset array_dataset(const ArrayCells& cells, std::string& fault);
