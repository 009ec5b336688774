#include "formats/gis/crs_sidecars.h"

#include <cpl_conv.h>
#include <cpl_minixml.h>
#include <ogr_spatialref.h>

#include <filesystem>

#include "formats/gis/gdal_session.h"
#include "formats/gis/pending_dataset.h"

namespace {

// <PAMDataset><SRS>wkt</SRS></PAMDataset>, escaped by GDAL's own serializer.
std::string pam_text(const Georef& g) {
    GdalSession session;
    CPLXMLNode* root = CPLCreateXMLNode(nullptr, CXT_Element, "PAMDataset");
    CPLXMLNode* srs = CPLCreateXMLElementAndValue(root, "SRS", g.wkt.c_str());
    // Map x is east or longitude whatever order the system declares its axes in.
    OGRSpatialReference ref;
    ref.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    std::string mapping;
    if (ref.importFromWkt(g.wkt.c_str()) == OGRERR_NONE)
        for (int axis : ref.GetDataAxisToSRSAxisMapping()) {
            if (!mapping.empty()) mapping += ',';
            mapping += std::to_string(axis);
        }
    if (!mapping.empty())
        CPLCreateXMLNode(CPLCreateXMLNode(srs, CXT_Attribute, "dataAxisToSRSAxisMapping"), CXT_Text,
                         mapping.c_str());
    char* text = CPLSerializeXMLTree(root);
    CPLDestroyXMLNode(root);
    std::string out = text ? text : "";
    CPLFree(text);
    return out;
}

}  // namespace

bool write_crs_sidecars(const std::string& image_path, const Georef& georef, std::string& error) {
    if (!georef.has_crs) return true;
    const std::string prj = std::filesystem::path(image_path).replace_extension(".prj").string();
    const std::string wkt = esri_wkt(georef);
    if (wkt.empty()) {
        error = prj + ": the coordinate system has no ESRI form";
        return false;
    }
    return write_text_file(prj, wkt, error) &&
           write_text_file(image_path + ".aux.xml", pam_text(georef), error);
}
