#include "python/array_dataset.h"

#include <cpl_string.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <cstdio>

GdalDataset array_dataset(const ArrayCells& cells, std::string& fault) {
    const GdalSession session;
    GDALDriverH mem = GDALGetDriverByName("MEM");
    if (mem == nullptr) {
        fault = "GDAL's memory driver is missing";
        return nullptr;
    }
    GdalDataset ds(GDALCreate(mem, "", cells.columns, cells.lines, 0, GDT_Byte, nullptr));
    if (!ds) {
        fault = "GDAL cannot hold an array of " + std::to_string(cells.lines) + " lines and " +
                std::to_string(cells.columns) + " columns" + gdal_detail();
        return nullptr;
    }
    char pointer[64], pixel[64], line[64];
    std::snprintf(pointer, sizeof pointer, "DATAPOINTER=%p", cells.data);
    std::snprintf(pixel, sizeof pixel, "PIXELOFFSET=%lld", cells.pixel_step);
    std::snprintf(line, sizeof line, "LINEOFFSET=%lld", cells.line_step);
    char* options[] = {pointer, pixel, line, nullptr};
    if (GDALAddBand(ds.get(), static_cast<GDALDataType>(cells.gdal_type), options) != CE_None) {
        fault = "GDAL cannot read the array's cells" + gdal_detail();
        return nullptr;
    }
    GDALRasterBandH band = GDALGetRasterBand(ds.get(), 1);
    if (cells.nodata) GDALSetRasterNoDataValue(band, *cells.nodata);
    if (cells.geotransform) {
        double gt[6];
        for (int k = 0; k < 6; ++k) gt[k] = (*cells.geotransform)[static_cast<std::size_t>(k)];
        GDALSetGeoTransform(ds.get(), gt);
    }
    if (!cells.crs.empty()) {
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        const bool read = OSRSetFromUserInput(srs, cells.crs.c_str()) == OGRERR_NONE;
        if (read) GDALSetSpatialRef(ds.get(), srs);
        OSRDestroySpatialReference(srs);
        if (!read) {
            fault = "the coordinate system is not understood: " + cells.crs;
            return nullptr;
        }
    }
    return ds;
}
