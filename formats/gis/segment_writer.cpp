#include "formats/gis/segment_writer.h"

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

struct Format {
    const char* driver = nullptr;
    bool csv = false;
    std::vector<std::string> companions;
    std::vector<std::string> stale;  // files that describe only an old set: its spatial indexes
};

bool format_of(const std::string& path, Format& f) {
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".gpkg")
        f = {"GPKG", false, {}, {}};
    else if (ext == ".geojson" || ext == ".json")
        f = {"GeoJSON", false, {}, {}};
    else if (ext == ".shp")
        f = {"ESRI Shapefile", false, {".shx", ".dbf", ".prj", ".cpg"}, {".qix", ".sbn", ".sbx"}};
    else if (ext == ".csv")
        f = {"CSV", true, {}, {}};
    else
        return false;
    return true;
}

struct FeatureDeleter {
    void operator()(OGRFeature* f) const { OGRFeature::DestroyFeature(f); }
};

struct Field {
    const char* name;
    OGRFieldType type;
};

constexpr Field kCommon[] = {{"id", OFTInteger},
                             {"order", OFTInteger},
                             {"pass", OFTInteger},
                             {"pixels", OFTInteger},
                             {"length_m", OFTReal}};
constexpr Field kCsvEnds[] = {{"first_line", OFTInteger}, {"first_column", OFTInteger},
                              {"first_x", OFTReal},       {"first_y", OFTReal},
                              {"last_line", OFTInteger},  {"last_column", OFTInteger},
                              {"last_x", OFTReal},        {"last_y", OFTReal}};

bool create_fields(OGRLayer* layer, bool csv) {
    std::vector<Field> fields(std::begin(kCommon), std::end(kCommon));
    if (csv) fields.insert(fields.end(), std::begin(kCsvEnds), std::end(kCsvEnds));
    fields.push_back({"flows_into", OFTInteger});
    for (const Field& f : fields) {
        OGRFieldDefn defn(f.name, f.type);
        if (layer->CreateField(&defn) != OGRERR_NONE) return false;
    }
    return true;
}

bool write_feature(OGRLayer* layer, const SegmentRecord& r, const Georef& g, bool csv,
                   bool geometry) {
    std::unique_ptr<OGRFeature, FeatureDeleter> f(OGRFeature::CreateFeature(layer->GetLayerDefn()));
    f->SetField("id", r.id);
    f->SetField("order", r.order);
    f->SetField("pass", r.pass);
    f->SetField("pixels", r.pixels);
    f->SetField("length_m", r.length_m);
    // The outlet, and a stream whose downstream no pass reached, flow into nothing: null, as
    // the table's empty cell, not a number that a join would take for an id.
    if (r.flows_into >= 0)
        f->SetField("flows_into", r.flows_into);
    else
        f->SetFieldNull(f->GetFieldIndex("flows_into"));
    const auto [fl, fc] = r.path.front();
    const auto [ll, lc] = r.path.back();
    if (csv) {
        const MapPoint a = pixel_centre(g, fl, fc);
        const MapPoint b = pixel_centre(g, ll, lc);
        f->SetField("first_line", fl);
        f->SetField("first_column", fc);
        f->SetField("first_x", a.x);
        f->SetField("first_y", a.y);
        f->SetField("last_line", ll);
        f->SetField("last_column", lc);
        f->SetField("last_x", b.x);
        f->SetField("last_y", b.y);
    }
    if (geometry) {
        auto line = std::make_unique<OGRLineString>();
        const int n = static_cast<int>(r.path.size());
        line->setNumPoints(std::max(n, 2), FALSE);
        for (int i = 0; i < n; ++i) {
            const MapPoint p = pixel_centre(g, r.path[i].first, r.path[i].second);
            line->setPoint(i, p.x, p.y);
        }
        if (n == 1) line->setPoint(1, line->getX(0), line->getY(0));
        f->SetGeometryDirectly(line.release());
    }
    return layer->CreateFeature(f.get()) == OGRERR_NONE;
}

// Whether the finished file at `path` opens with `driver` and holds `count` features, each read
// whole. Some drivers (GeoJSON) report no error when a write falls short on a full disk and
// leave a file cut mid-coordinate; reading it back is what finds that.
bool reads_back(const std::string& path, const char* driver, std::size_t count) {
    const char* const drivers[] = {driver, nullptr};
    GdalDataset ds(
        GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, drivers, nullptr, nullptr));
    if (!ds) return false;
    auto* dataset = static_cast<GDALDataset*>(ds.get());
    if (dataset->GetLayerCount() != 1) return false;
    OGRLayer* layer = dataset->GetLayer(0);
    CPLErrorReset();
    std::size_t n = 0;
    for (;;) {
        std::unique_ptr<OGRFeature, FeatureDeleter> f(layer->GetNextFeature());
        if (!f) break;
        ++n;
    }
    return n == count && CPLGetLastErrorType() != CE_Failure;
}

bool write_inner(const std::string& path, const std::vector<SegmentRecord>& records,
                 const Georef& georef, std::string& error, bool csv_geometry) {
    auto fail = [&](const std::string& fault) {
        error = path + ": " + fault;
        return false;
    };
    Format format;
    if (!format_of(path, format))
        return fail("unknown segment file kind (use .gpkg, .geojson, .json, .shp or .csv)");
    for (const SegmentRecord& r : records)
        if (r.path.empty()) return fail("segment " + std::to_string(r.id) + " has no pixel");

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
    const bool geometry = !format.csv || csv_geometry;
    std::vector<const char*> options;
    if (format.csv && csv_geometry) options.push_back("GEOMETRY=AS_WKT");
    if (format.csv) options.push_back("STRING_QUOTING=IF_NEEDED");  // numbers stay unquoted
    options.push_back(nullptr);
    OGRLayer* layer = dataset->CreateLayer(fs::path(path).stem().string().c_str(), srs.get(),
                                           geometry ? wkbLineString : wkbNone,
                                           const_cast<char**>(options.data()));
    if (!layer) return fail("the layer cannot be created" + gdal_detail());
    if (!create_fields(layer, format.csv))
        return fail("the attribute fields cannot be created" + gdal_detail());

    // One transaction for all features: a GeoPackage otherwise commits every feature alone.
    const bool transaction = dataset->StartTransaction(FALSE) == OGRERR_NONE;
    for (const SegmentRecord& r : records)
        if (!write_feature(layer, r, georef, format.csv, geometry))
            return fail("segment " + std::to_string(r.id) + " cannot be written" + gdal_detail());
    if (transaction && dataset->CommitTransaction() != OGRERR_NONE)
        return fail("cannot be written" + gdal_detail());
    if (!close_dataset(ds)) return fail("cannot be completed" + gdal_detail());
    if (!reads_back(pending.temp, format.driver, records.size()))
        return fail("could not be written completely (the disk may be full)" + gdal_detail());
    return commit_dataset(pending, error);
}

}  // namespace

std::string segments_refusal(const std::string& path) {
    Format format;
    if (!format_of(path, format)) return "";  // write_segments says what is wrong
    return dataset_refusal(path, format.companions, format.stale);
}

bool write_segments(const std::string& path, const std::vector<SegmentRecord>& records,
                    const Georef& georef, std::string& error, bool csv_geometry) {
    try {
        return write_inner(path, records, georef, error, csv_geometry);
    } catch (const std::bad_alloc&) {
        error = path + ": not enough memory to write the segments";
    } catch (const std::exception& e) {
        error = path + ": " + e.what();
    }
    return false;
}
