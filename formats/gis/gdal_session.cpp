#include "formats/gis/gdal_session.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>

namespace {

// GDAL's block cache, unless the user's GDAL_CACHEMAX says otherwise: the order GeoTIFF is written
// one row of tiles at a time and the network read once, so a larger cache (GDAL's default is a
// twentieth of the machine's memory) would only hold a second copy of the image.
constexpr GIntBig kCacheBytes = GIntBig{64} << 20;

}  // namespace

GdalSession::GdalSession() {
    GDALAllRegister();
    if (CPLGetConfigOption("GDAL_CACHEMAX", nullptr) == nullptr &&
        GDALGetCacheMax64() > kCacheBytes)
        GDALSetCacheMax64(kCacheBytes);
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
}

GdalSession::~GdalSession() {
    CPLPopErrorHandler();
}

void release_gdal() {
    GDALDestroy();
}

std::string gdal_detail() {
    const char* msg = CPLGetLastErrorMsg();
    if (msg == nullptr || *msg == '\0') return "";
    return std::string(" (GDAL: ") + msg + ")";
}

bool close_dataset(GdalDataset& ds) {
    if (!ds) return true;
    CPLErrorReset();
    GDALClose(ds.release());
    return CPLGetLastErrorType() != CE_Failure && CPLGetLastErrorType() != CE_Fatal;
}
