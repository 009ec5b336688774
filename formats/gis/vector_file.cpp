#include "formats/gis/vector_file.h"

#include <gdal_priv.h>
#include <ogr_feature.h>
#include <ogr_geometry.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <new>

#include "formats/gis/gdal_session.h"
#include "formats/gis/pending_dataset.h"

namespace fs = std::filesystem;

namespace {

struct FeatureDeleter {
    void operator()(OGRFeature* f) const { OGRFeature::DestroyFeature(f); }
};

OGRFieldType ogr_type(VectorField::Type t) {
    switch (t) {
        case VectorField::Type::integer:
            return OFTInteger;
        case VectorField::Type::integer64:
            return OFTInteger64;
        case VectorField::Type::real:
            return OFTReal;
        case VectorField::Type::text:
            return OFTString;
    }
    return OFTString;
}

OGRwkbGeometryType ogr_geometry(VectorLayer::Geometry g) {
    switch (g) {
        case VectorLayer::Geometry::none:
            return wkbNone;
        case VectorLayer::Geometry::point:
            return wkbPoint;
        case VectorLayer::Geometry::line:
            return wkbLineString;
    }
    return wkbNone;
}

void set_field(OGRFeature& f, int index, const VectorValue& v) {
    if (const auto* n = std::get_if<long long>(&v)) {
        f.SetField(index, static_cast<GIntBig>(*n));
    } else if (const auto* x = std::get_if<double>(&v)) {
        f.SetField(index, *x);
    } else if (const auto* s = std::get_if<std::string>(&v)) {
        f.SetField(index, s->c_str());
    } else {
        f.SetFieldNull(index);
    }
}

std::unique_ptr<OGRGeometry> geometry_of(VectorLayer::Geometry kind,
                                         const std::vector<std::pair<int, int>>& pixels,
                                         const Georef& g) {
    if (kind == VectorLayer::Geometry::point) {
        const MapPoint p = pixel_centre(g, pixels.front().first, pixels.front().second);
        return std::make_unique<OGRPoint>(p.x, p.y);
    }
    auto line = std::make_unique<OGRLineString>();
    const int n = static_cast<int>(pixels.size());
    line->setNumPoints(std::max(n, 2), FALSE);
    for (int i = 0; i < n; ++i) {
        const MapPoint p = pixel_centre(g, pixels[i].first, pixels[i].second);
        line->setPoint(i, p.x, p.y);
    }
    if (n == 1) line->setPoint(1, line->getX(0), line->getY(0));
    return line;
}

// Whether the finished file at `path` opens with `driver` and holds every layer with its
// feature count, each feature read whole. Some drivers (GeoJSON) report no error when a write
// falls short on a full disk and leave a file cut mid-coordinate; reading it back finds that.
bool reads_back(const std::string& path, const char* driver,
                const std::vector<VectorLayer>& layers) {
    const char* const drivers[] = {driver, nullptr};
    GdalDataset ds(
        GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, drivers, nullptr, nullptr));
    if (!ds) return false;
    auto* dataset = static_cast<GDALDataset*>(ds.get());
    if (dataset->GetLayerCount() != static_cast<int>(layers.size())) return false;
    for (const VectorLayer& wanted : layers) {
        OGRLayer* layer = layers.size() == 1 ? dataset->GetLayer(0)
                                             : dataset->GetLayerByName(wanted.name.c_str());
        if (!layer) return false;
        CPLErrorReset();
        std::size_t n = 0;
        for (;;) {
            std::unique_ptr<OGRFeature, FeatureDeleter> f(layer->GetNextFeature());
            if (!f) break;
            ++n;
        }
        if (n != wanted.count || CPLGetLastErrorType() == CE_Failure) return false;
    }
    return true;
}

bool write_layer(GDALDataset& dataset, const VectorLayer& def, const VectorFormat& format,
                 OGRSpatialReference* srs, const Georef& georef, std::string& fault) {
    const bool geometry =
        def.geometry != VectorLayer::Geometry::none && (!format.csv || def.csv_geometry);
    std::vector<const char*> options;
    if (format.csv && geometry) {
        options.push_back(def.geometry == VectorLayer::Geometry::point ? "GEOMETRY=AS_XY"
                                                                       : "GEOMETRY=AS_WKT");
    }
    if (format.csv) options.push_back("STRING_QUOTING=IF_NEEDED");  // numbers stay unquoted
    options.push_back(nullptr);
    OGRLayer* layer = dataset.CreateLayer(def.name.c_str(), geometry ? srs : nullptr,
                                          geometry ? ogr_geometry(def.geometry) : wkbNone,
                                          const_cast<char**>(options.data()));
    if (!layer) {
        fault = "the layer " + def.name + " cannot be created" + gdal_detail();
        return false;
    }
    for (const VectorField& field : def.fields) {
        OGRFieldDefn defn(field.name, ogr_type(field.type));
        if (layer->CreateField(&defn) != OGRERR_NONE) {
            fault = "the attribute fields cannot be created" + gdal_detail();
            return false;
        }
    }
    std::vector<VectorValue> values;
    std::vector<std::pair<int, int>> pixels;
    for (std::size_t n = 0; n < def.count; ++n) {
        values.assign(def.fields.size(), std::monostate{});
        pixels.clear();
        def.feature(n, values, pixels);
        if (def.geometry != VectorLayer::Geometry::none && pixels.empty()) {
            fault = def.name + " feature " + std::to_string(n + 1) + " has no pixel";
            return false;
        }
        std::unique_ptr<OGRFeature, FeatureDeleter> f(
            OGRFeature::CreateFeature(layer->GetLayerDefn()));
        for (std::size_t i = 0; i < def.fields.size(); ++i)
            set_field(*f, static_cast<int>(i), values[i]);
        if (geometry) f->SetGeometryDirectly(geometry_of(def.geometry, pixels, georef).release());
        if (layer->CreateFeature(f.get()) != OGRERR_NONE) {
            fault = def.name + " feature " + std::to_string(n + 1) + " cannot be written" +
                    gdal_detail();
            return false;
        }
    }
    return true;
}

bool write_inner(const std::string& path, const std::vector<VectorLayer>& layers,
                 const Georef& georef, std::string& error) {
    auto fail = [&](const std::string& fault) {
        error = path + ": " + fault;
        return false;
    };
    VectorFormat format;
    if (!vector_format_of(path, format))
        return fail("unknown vector file kind (use .gpkg, .geojson, .json, .shp or .csv)");
    if (layers.size() != 1 && !format.layers) return fail("this kind of file holds one layer");

    GdalSession session;
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(format.driver);
    if (!driver) return fail(std::string("GDAL has no ") + format.driver + " driver");
    PendingDataset pending;
    pending.companions = format.companions;
    pending.stale = format.stale;
    if (!begin_dataset(path, pending, error)) return false;

    GdalDataset ds(driver->Create(pending.temp.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!ds) return fail("cannot be created" + gdal_detail());
    auto* dataset = static_cast<GDALDataset*>(ds.get());

    std::unique_ptr<OGRSpatialReference> srs;
    if (georef.has_crs) {
        srs = std::make_unique<OGRSpatialReference>();
        srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        if (srs->importFromWkt(georef.wkt.c_str()) != OGRERR_NONE)
            return fail("the coordinate system cannot be read back");
    }
    // One transaction for all features: a GeoPackage otherwise commits every feature alone.
    for (const VectorLayer& layer : layers) {
        const bool transaction = dataset->StartTransaction(FALSE) == OGRERR_NONE;
        std::string fault;
        if (!write_layer(*dataset, layer, format, srs.get(), georef, fault)) return fail(fault);
        if (transaction && dataset->CommitTransaction() != OGRERR_NONE)
            return fail("cannot be written" + gdal_detail());
    }
    if (!close_dataset(ds)) return fail("cannot be completed" + gdal_detail());
    if (!reads_back(pending.temp, format.driver, layers))
        return fail("could not be written completely (the disk may be full)" + gdal_detail());
    return commit_dataset(pending, error);
}

}  // namespace

bool vector_format_of(const std::string& path, VectorFormat& f) {
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".gpkg")
        f = {"GPKG", false, true, {}, {}};
    else if (ext == ".geojson" || ext == ".json")
        f = {"GeoJSON", false, false, {}, {}};
    else if (ext == ".shp")
        f = {"ESRI Shapefile",
             false,
             false,
             {".shx", ".dbf", ".prj", ".cpg"},
             {".qix", ".sbn", ".sbx"}};
    else if (ext == ".csv")
        f = {"CSV", true, false, {}, {}};
    else
        return false;
    return true;
}

std::string vector_file_refusal(const std::string& path) {
    VectorFormat format;
    if (!vector_format_of(path, format)) return "";  // write_vector_file says what is wrong
    return dataset_refusal(path, format.companions, format.stale);
}

bool write_vector_file(const std::string& path, const std::vector<VectorLayer>& layers,
                       const Georef& georef, std::string& error) {
    try {
        return write_inner(path, layers, georef, error);
    } catch (const std::bad_alloc&) {
        error = path + ": not enough memory to write the features";
    } catch (const std::exception& e) {
        error = path + ": " + e.what();
    }
    return false;
}
