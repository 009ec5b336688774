#include "formats/gis/gdal_session.h"

#include <cpl_error.h>
#include <gdal.h>

GdalSession::GdalSession() {
    GDALAllRegister();
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
