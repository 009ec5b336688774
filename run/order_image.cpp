#include "run/order_image.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "base/file.h"
#include "formats/ascii_image.h"
#include "formats/gis/crs_sidecars.h"
#include "formats/gis/envi_header.h"
#include "formats/gis/order_geotiff.h"
#include "formats/gis/world_file.h"
#include "run/network_run.h"
#include "run/order_grid.h"

namespace {

std::string with_extension(const std::string& path, const char* extension) {
    return std::filesystem::path(path).replace_extension(extension).string();
}

// The ASCII grid of a GDAL input: its own corner and square cell, in map units (degrees on a
// geographic system). An ASCII grid has one cell size and no rotation.
bool write_placed_ascii(const NetworkRun& s, const NetworkPlace& place,
                        std::vector<std::string>& faults) {
    const Georef& g = place.georef;
    double cell = s.dpix_size;
    if (g.has_geotransform) {
        const PixelSize px = pixel_size(g);
        if (!north_up(g) || std::fabs(px.x - px.y) > 1e-12 * px.x) {
            faults.push_back(s.nomim2 +
                             ": an ASCII grid holds square, north-up cells only; choose --format"
                             " tif");
            return false;
        }
        cell = px.x;
    }
    const bool image = write_whole(s.nomim2, [&](File& f) {
        return write_ascii_image_exact(f, s.tab5, s.nb_lig, s.nb_col, s.X_min, s.Y_min, cell,
                                       s.threads);
    });
    if (!image) faults.push_back(s.nomim2 + ": could not be written");
    return image;
}

// The files that place a BMP or ASCII result of a GDAL input.
void write_placing_files(const NetworkRun& s, const NetworkPlace& place,
                         std::vector<std::string>& faults) {
    const Georef& g = place.georef;
    std::string error;
    bool ok = true;
    // A raw result's ENVI header goes in with the image (write_raw_pair).
    if (s.image_type == ImageType::bmp && g.has_geotransform)
        ok = write_world_file(with_extension(s.nomim2, ".bpw"), g, error);
    if (ok) ok = write_crs_sidecars(s.nomim2, g, error);
    if (!ok) faults.push_back(error);
}

}  // namespace

void write_step_image_places(const std::string& image, const NetworkPlace& place,
                             std::vector<std::string>& faults) {
    const Georef& g = place.georef;
    std::string error;
    bool ok = !g.has_geotransform || write_world_file(with_extension(image, ".bpw"), g, error);
    ok = ok && write_crs_sidecars(image, g, error);
    if (!ok) faults.push_back(error);
}

bool write_order_image(NetworkRun& s, const NetworkPlace& place, int highest,
                       std::vector<std::string>& faults) {
    if (s.image_type == ImageType::geotiff) {
        std::string error;
        const bool written =
            write_order_geotiff(s.nomim2, s.tab5, s.nb_lig, s.nb_col, highest, place.georef, error);
        if (!written) faults.push_back(error);
        return written;
    }
    if (s.image_type == ImageType::raw) {
        // The ENVI header of a GIS input goes in with the pair; one whose georeference it cannot
        // hold (a rotation) is said, and the pair goes in without it.
        std::string hdr_text, error;
        if (place.gis) {
            hdr_text = envi_header_text(s.nb_lig, s.nb_col, place.georef, error);
            if (hdr_text.empty()) faults.push_back(with_extension(s.nomim2, ".hdr") + ": " + error);
        }
        const std::string failed = write_raw_pair(s, hdr_text);
        if (!failed.empty()) {
            faults.push_back(failed + ": could not be written");
            return false;
        }
        return true;
    }
    if (s.image_type == ImageType::ascii && place.gis) {
        const bool image = write_placed_ascii(s, place, faults);
        if (image) write_placing_files(s, place, faults);
        return image;
    }
    const std::string failed = write_order_grid(s);
    if (!failed.empty()) {
        faults.push_back(failed + ": could not be written");
        return false;
    }
    if (place.gis) write_placing_files(s, place, faults);
    return true;
}
