#include "tests/gdal_checks.h"

#include <gdal.h>
#include <ogr_srs_api.h>

void GdalCloser::operator()(void* dataset) const {
    GDALClose(dataset);
}

Dataset open_raster(const std::string& path) {
    GDALAllRegister();
    return Dataset(GDALOpenEx(path.c_str(), GDAL_OF_RASTER, nullptr, nullptr, nullptr));
}

Dataset open_vector(const std::string& path) {
    GDALAllRegister();
    return Dataset(GDALOpenEx(path.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr));
}

bool same_crs(const char* wkt, int epsg) {
    OGRSpatialReferenceH a = OSRNewSpatialReference(wkt);
    OGRSpatialReferenceH b = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(b, epsg);
    const bool same = a && OSRIsSame(a, b);
    OSRDestroySpatialReference(a);
    OSRDestroySpatialReference(b);
    return same;
}
