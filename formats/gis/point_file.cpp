#include "formats/gis/point_file.h"

#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <memory>
#include <type_traits>
#include <utility>

#include "formats/gis/gdal_session.h"
#include "formats/gis/safe_open.h"

namespace {

struct SrsCloser {
    void operator()(OGRSpatialReferenceH h) const { OSRDestroySpatialReference(h); }
};
using Srs = std::unique_ptr<std::remove_pointer_t<OGRSpatialReferenceH>, SrsCloser>;

struct TransformCloser {
    void operator()(OGRCoordinateTransformationH h) const { OCTDestroyCoordinateTransformation(h); }
};
using Transform =
    std::unique_ptr<std::remove_pointer_t<OGRCoordinateTransformationH>, TransformCloser>;

struct FeatureCloser {
    void operator()(OGRFeatureH h) const { OGR_F_Destroy(h); }
};
using Feature = std::unique_ptr<std::remove_pointer_t<OGRFeatureH>, FeatureCloser>;

// x, y as the geotransform reads them: easting then northing, longitude then latitude.
Srs target_srs(const Georef& g) {
    if (!g.has_crs) return nullptr;
    Srs srs(OSRNewSpatialReference(nullptr));
    char* wkt = const_cast<char*>(g.wkt.c_str());
    if (OSRImportFromWkt(srs.get(), &wkt) != OGRERR_NONE) return nullptr;
    OSRSetAxisMappingStrategy(srs.get(), OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

bool add_points(OGRGeometryH geom, OGRCoordinateTransformationH to, std::vector<MapPoint>& out) {
    const OGRwkbGeometryType type = wkbFlatten(OGR_G_GetGeometryType(geom));
    if (type == wkbMultiPoint || type == wkbGeometryCollection) {
        for (int k = 0; k < OGR_G_GetGeometryCount(geom); ++k) {
            if (!add_points(OGR_G_GetGeometryRef(geom, k), to, out)) return false;
        }
        return true;
    }
    if (type != wkbPoint) return false;
    double x = OGR_G_GetX(geom, 0);
    double y = OGR_G_GetY(geom, 0);
    if (to != nullptr && !OCTTransform(to, 1, &x, &y, nullptr)) return false;
    out.push_back({x, y});
    return true;
}

}  // namespace

bool read_points(const std::string& path, const Georef& target, std::vector<MapPoint>& out,
                 std::string& fault) {
    GdalSession session;
    const std::string refusal = gis_input_refusal(path);
    if (!refusal.empty()) {
        fault = refusal;
        return false;
    }
    GdalDataset ds = open_local_vectors(path);
    if (!ds) {
        fault = path + ": cannot be opened as a file of points" + gdal_detail();
        return false;
    }
    const Srs to_srs = target_srs(target);
    std::vector<MapPoint> points;
    for (int l = 0; l < GDALDatasetGetLayerCount(ds.get()); ++l) {
        OGRLayerH layer = GDALDatasetGetLayer(ds.get(), l);
        Transform to;
        if (OGRSpatialReferenceH from = OGR_L_GetSpatialRef(layer); from && to_srs) {
            Srs source(OSRClone(from));
            OSRSetAxisMappingStrategy(source.get(), OAMS_TRADITIONAL_GIS_ORDER);
            if (!OSRIsSame(source.get(), to_srs.get())) {
                to.reset(OCTNewCoordinateTransformation(source.get(), to_srs.get()));
                if (!to) {
                    fault = path +
                            ": its points cannot be brought into the network's coordinate"
                            " system" +
                            gdal_detail();
                    return false;
                }
            }
        }
        OGR_L_ResetReading(layer);
        while (Feature f{OGR_L_GetNextFeature(layer)}) {
            OGRGeometryH geom = OGR_F_GetGeometryRef(f.get());
            if (geom == nullptr) continue;
            if (!add_points(geom, to.get(), points)) {
                fault = path + ": feature " + std::to_string(OGR_F_GetFID(f.get())) + " of layer " +
                        OGR_L_GetName(layer) +
                        " is not a point (or cannot be transformed); outlets are points";
                return false;
            }
        }
    }
    if (points.empty()) {
        fault = path + ": holds no point";
        return false;
    }
    out = std::move(points);
    return true;
}
