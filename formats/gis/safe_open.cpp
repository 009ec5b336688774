#include "formats/gis/safe_open.h"

#include <cpl_conv.h>
#include <cpl_minixml.h>
#include <gdal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "base/input_file.h"

namespace fs = std::filesystem;

namespace {

constexpr int kDeepestVrt = 8;

// Drivers that read from a server named in a local file or a connection string.
constexpr const char* kServerDrivers[] = {
    "WMS", "WMTS",   "WCS",    "HTTP",   "DAAS",          "EEDAI",    "EEDA",       "PLMOSAIC",
    "NGW", "OGCAPI", "STACTA", "STACIT", "PostGISRaster", "PLSCENES", "Rasterlite2"};

// Vector drivers that read from a server or a database a file names, or (OGR_VRT) from other
// sources a file names: a file of points is read by none of them.
constexpr const char* kVectorServerDrivers[] = {
    "WFS",        "OAPIF", "CSW",          "Elasticsearch", "CouchDB", "Carto",     "AmigoCloud",
    "PostgreSQL", "MySQL", "MSSQLSpatial", "ODBC",          "HANA",    "MongoDBv3", "OGR_VRT"};

// Local archives GDAL reads from a file on the disk.
constexpr const char* kArchives[] = {"/vsizip/", "/vsigzip/", "/vsitar/"};

bool starts_with(const std::string& text, const char* head) {
    return text.rfind(head, 0) == 0;
}

bool server_driver(GDALDriverH driver) {
    if (driver == nullptr) return false;
    const char* name = GDALGetDriverShortName(driver);
    for (const char* d : kServerDrivers)
        if (std::strcmp(name, d) == 0) return true;
    return false;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A regular local file, said as every input says it.
std::string regular_refusal(const std::string& path) {
    InputFault fault = InputFault::none;
    if (open_input_file(path, fault)) return "";
    const std::string reason = fault == InputFault::missing       ? "no such file"
                               : fault == InputFault::not_regular ? "not a regular file"
                                                                  : std::strerror(errno);
    return path + ": cannot be opened (" + reason + ")";
}

// Files beside `file` that GDAL may look for: those whose name is its name without extension
// followed by '.' or '_' (NAME.tif.aux.xml, NAME.tfw, NAME.ovr, NAME_rpc.txt), in any case. None
// may be a pipe, a device or a socket.
std::string side_file_refusal(const std::string& file) {
    const fs::path p(file);
    const std::string stem = lower(p.stem().string());
    std::error_code ec;
    const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = lower(it->path().filename().string());
        if (name.size() <= stem.size() || name.rfind(stem, 0) != 0 ||
            (name[stem.size()] != '.' && name[stem.size()] != '_'))
            continue;
        struct stat st {};
        if (::stat(it->path().c_str(), &st) != 0) continue;  // a dangling link is not opened
        if (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) continue;
        const std::string side =
            p.has_parent_path() ? it->path().string() : it->path().filename().string();
        return side + ": a file beside " + file +
               " that GDAL may read is not a regular file (a pipe, a device or a socket)";
    }
    return "";
}

std::string refusal(const std::string& path, int depth);

// Every file a VRT names, each through the same checks. Sources are relative to the VRT's
// folder when relativeToVRT says so.
std::string vrt_refusal(const std::string& vrt, int depth) {
    if (depth > kDeepestVrt) return vrt + ": VRT files nested more than 8 deep";
    CPLXMLNode* root = CPLParseXMLFile(vrt.c_str());
    if (root == nullptr) return "";  // not XML: GDAL will say what it is
    std::string why;
    std::vector<CPLXMLNode*> stack = {root};
    while (!stack.empty() && why.empty()) {
        CPLXMLNode* node = stack.back();
        stack.pop_back();
        for (; node != nullptr && why.empty(); node = node->psNext) {
            if (node->eType != CXT_Element) continue;
            if (EQUAL(node->pszValue, "VRTRasterBand")) {
                const char* sub = CPLGetXMLValue(node, "subClass", "");
                if (EQUAL(sub, "VRTRawRasterBand")) {
                    why = vrt + ": a VRT raw band (which reads any file as pixels) is not read";
                    break;
                }
            }
            if (EQUAL(node->pszValue, "SourceFilename") || EQUAL(node->pszValue, "SourceDataset")) {
                const char* name = CPLGetXMLValue(node, nullptr, "");
                const bool relative = std::atoi(CPLGetXMLValue(node, "relativeToVRT", "0")) != 0;
                std::string source = name;
                if (relative && !source.empty() && source[0] != '/')
                    source = (fs::path(vrt).parent_path() / source).string();
                const std::string inner = refusal(source, depth + 1);
                if (!inner.empty()) why = vrt + ": a source: " + inner;
            }
            if (node->psChild != nullptr) stack.push_back(node->psChild);
        }
    }
    CPLDestroyXMLNode(root);
    return why;
}

std::string refusal(const std::string& path, int depth) {
    if (path.find("://") != std::string::npos)
        return path + ": a network location is not read; give a local file";
    std::string local = path;  // the file on the disk
    if (starts_with(path, "/vsi")) {
        const char* const* archive =
            std::find_if(std::begin(kArchives), std::end(kArchives),
                         [&](const char* a) { return starts_with(path, a); });
        if (archive == std::end(kArchives))
            return path +
                   ": only /vsizip/, /vsigzip/ and /vsitar/ paths on a local archive are read";
        const std::string rest = path.substr(std::strlen(*archive));
        if (starts_with(rest, "/vsi"))
            return path + ": an archive is read only from a file on the disk";
        // The archive is the longest leading part of the path that is a file on the disk.
        local.clear();
        for (fs::path p(rest); !p.empty() && p != p.root_path(); p = p.parent_path()) {
            struct stat st {};
            if (::stat(p.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
                local = p.string();
                break;
            }
        }
        if (local.empty()) return path + ": cannot be opened (no such file)";
    }
    if (std::string why = regular_refusal(local); !why.empty()) return why;
    if (std::string why = side_file_refusal(local); !why.empty()) return why;
    GdalSession session;
    if (server_driver(GDALIdentifyDriverEx(path.c_str(), GDAL_OF_RASTER, nullptr, nullptr)))
        return path + ": a file that makes GDAL read from a server is not read";
    if (local == path && lower(fs::path(path).extension().string()) == ".vrt")
        return vrt_refusal(path, depth);
    // A VRT under another name is still a VRT to GDAL.
    char header[64] = {};
    InputFault unused = InputFault::none;
    if (File f = open_input_file(local, unused)) {
        const std::size_t n = std::fread(header, 1, sizeof header - 1, f.get());
        header[n] = '\0';
    }
    if (local == path && std::strstr(header, "<VRTDataset") != nullptr)
        return vrt_refusal(path, depth);
    return "";
}

}  // namespace

std::string gis_input_refusal(const std::string& path) {
    return refusal(path, 0);
}

GdalDataset open_local_vectors(const std::string& path) {
    std::vector<std::string> names;
    for (int i = 0; i < GDALGetDriverCount(); ++i) {
        GDALDriverH d = GDALGetDriver(i);
        const char* name = GDALGetDriverShortName(d);
        bool refused = server_driver(d);
        for (const char* v : kVectorServerDrivers) refused = refused || std::strcmp(name, v) == 0;
        if (!refused) names.emplace_back(name);
    }
    std::vector<const char*> allowed;
    for (const std::string& n : names) allowed.push_back(n.c_str());
    allowed.push_back(nullptr);
    return GdalDataset(GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, allowed.data(),
                                  nullptr, nullptr));
}

GdalDataset open_network_raster(const std::string& path) {
    // Also checked in the XML, but a raw band may come from a source GDAL itself makes.
    CPLSetThreadLocalConfigOption("GDAL_VRT_ENABLE_RAWRASTERBAND", "NO");
    CPLSetThreadLocalConfigOption("GDAL_VRT_ENABLE_PYTHON", "NO");
    std::vector<std::string> names;
    for (int i = 0; i < GDALGetDriverCount(); ++i) {
        GDALDriverH d = GDALGetDriver(i);
        if (!server_driver(d)) names.emplace_back(GDALGetDriverShortName(d));
    }
    std::vector<const char*> allowed;
    for (const std::string& n : names) allowed.push_back(n.c_str());
    allowed.push_back(nullptr);
    GdalDataset ds(GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, allowed.data(),
                              nullptr, nullptr));
    return ds;
}
