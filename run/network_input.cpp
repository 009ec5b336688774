// Nothing is asked: a raw image without its descriptor, or a raster with neither a
// georeference nor a pixel size, is refused with its reason.

#include "run/network_input.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "base/file.h"
#include "base/input_file.h"
#include "base/nrutil.h"
#include "base/pixel_size.h"
#include "formats/gis/network_values.h"
#include "formats/gis/safe_open.h"
#include "formats/raw_image.h"
#include "run/network_run.h"
#include "run/raw_network.h"

namespace {

std::string lower_extension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return ext;
}

// Only a regular file is read: a folder, a pipe or a device could block or never end.
File open_input(const std::string& path, std::string& fault) {
    InputFault why = InputFault::none;
    File f = open_input_file(path, why);
    if (f) return f;
    const std::string reason = why == InputFault::missing       ? "no such file"
                               : why == InputFault::not_regular ? "not a regular file"
                                                                : std::strerror(errno);
    fault = path + ": cannot be opened (" + reason + ")";
    return nullptr;
}

std::string sizes(const NetworkRun& s) {
    return std::to_string(s.nb_lig) + " lines x " + std::to_string(s.nb_col) + " columns";
}

bool load_raw(NetworkRun& s, std::string& fault) {
    s.nomdescr1 = descriptor_of(s.nomim1);
    File image = open_input(s.nomim1, fault);
    if (!image) return false;
    File descriptor = open_input(s.nomdescr1, fault);
    if (!descriptor) {
        fault += "; the descriptor of a raw image gives its lines, columns and pixel size";
        return false;
    }
    RawDescriptor d;
    if (!read_checked_descriptor(descriptor.get(), d)) {
        fault = s.nomdescr1 +
                ": expected six numbers, the lines and the columns positive (lines, columns, 1, 0,"
                " 255, pixel size)";
        return false;
    }
    keep_raw_descriptor(d, s);
    const RawImageRead read =
        read_raw_network(image.get(), s.nomim1, s.nb_lig, s.nb_col, s.threads, s.tab1);
    switch (read.fault) {
        case RawImageRead::Fault::none:
            return true;
        case RawImageRead::Fault::short_file:
            fault = s.nomim1 + ": holds " + std::to_string(read.bytes) + " bytes, fewer than " +
                    sizes(s);
            break;
        case RawImageRead::Fault::no_memory:
            fault = s.nomim1 + ": not enough memory for an image of " + sizes(s);
            break;
        case RawImageRead::Fault::unreadable:
            fault = s.nomim1 + ": could not be read at line " + std::to_string(read.failed_line);
            break;
    }
    return false;
}

// The pixel size and corner a GDAL raster gives, and how its lengths are measured.
bool place_raster(NetworkRun& s, std::optional<double> user_size, NetworkPlace& place,
                  std::string& fault) {
    Georef& g = place.georef;
    const double* t = g.geotransform;
    if (g.has_geotransform && north_up(g)) {
        s.X_min = std::min(t[0], t[0] + s.nb_col * t[1]);
        s.Y_min = std::min(t[3], t[3] + s.nb_lig * t[5]);
    }
    if (user_size) {
        s.dpix_size = *user_size;
        return true;
    }
    if (!g.has_geotransform) {
        fault = s.nomim1 +
                ": the image is not placed on a map and carries no pixel size; give"
                " --pixel-size";
        return false;
    }
    if (lengths_are_geodesic(g)) {
        place.remeasure = true;
        place.rule = make_length_rule(g, s.nb_lig, 0.0);
        // Only the raw result's descriptor holds it: one step along the middle line.
        const int middle = s.nb_lig / 2;
        s.dpix_size = path_length_m(place.rule, {{middle, 0}, {middle, 1}});
        return true;
    }
    const PixelSize px = pixel_size(g);
    const double unit = g.has_crs ? g.linear_unit_metres : 1.0;
    if (north_up(g) && px.x == px.y) {
        s.dpix_size = px.x * unit;
    } else {
        place.remeasure = true;
        place.rule = make_length_rule(g, s.nb_lig, 0.0);
        s.dpix_size = std::sqrt(px.x * px.y) * unit;
    }
    return true;
}

// A raster read through GDAL into the run.
bool keep_raster(NetworkRun& s, NetworkRaster& raster, std::optional<double> user_size,
                 NetworkPlace& place, std::string& fault) {
    s.nb_lig = raster.lines;
    s.nb_col = raster.columns;
    s.tab1 = std::move(raster.grid);
    s.val_red = raster.network_byte;
    s.outside_value = raster.outside;
    place.gis = true;
    place.georef = std::move(raster.georef);
    if (!place_raster(s, user_size, place, fault)) return false;
    if (!raster.refusal.empty()) {
        fault = s.nomim1 + ": " + raster.refusal;
        return false;
    }
    return true;
}

bool load_gis(NetworkRun& s, const NetworkSelector& selector, std::optional<double> user_size,
              NetworkPlace& place, std::string& fault,
              const std::function<void(double)>* progress) {
    // GDAL would block on a pipe, read a device without end, or fetch from a server.
    fault = gis_input_refusal(s.nomim1);
    if (!fault.empty()) return false;
    NetworkRaster raster;
    if (!read_network(s.nomim1, selector, static_cast<unsigned char>(s.val_red), raster, fault,
                      progress))
        return false;
    return keep_raster(s, raster, user_size, place, fault);
}

std::string selector_text(const NetworkSelector& sel) {
    if (sel.kind == NetworkSelector::Kind::value) return "value " + value_text(sel.value);
    return "colour " + std::to_string(sel.red) + "," + std::to_string(sel.green) + "," +
           std::to_string(sel.blue);
}

bool has_network_pixel(const NetworkRun& s) {
    const auto net = static_cast<unsigned char>(s.val_red);
    for (int i = 0; i < s.nb_lig; ++i) {
        const unsigned char* row = s.tab1[i];
        for (int j = 0; j < s.nb_col; ++j) {
            if (row[j] == net) return true;
        }
    }
    return false;
}

// A raw image's corner and pixel size as a georeference with no coordinate system, for the
// GeoTIFF result and the segment lines.
void place_raw(const NetworkRun& s, NetworkPlace& place) {
    const double d = s.dpix_size;
    const double gt[6] = {s.X_min, d, 0.0, s.Y_min + s.nb_lig * d, 0.0, -d};
    std::string unused;
    make_georef(gt, "", place.georef, unused);
}

// The checks of a network once loaded, and the corner given.
bool check_loaded(NetworkRun& s, const std::string& path, ImageType type,
                  const NetworkSelector& selector, std::optional<double> user_size,
                  const double* corner, NetworkPlace& place, std::string& fault) {
    if (!valid_pixel_size(s.dpix_size)) {
        fault = path +
                ": the pixel size the georeference gives is not a positive number; give"
                " --pixel-size";
        s.tab1.reset();
        return false;
    }
    if (!pixel_size_in_range(s.dpix_size)) {
        fault = path + ": the pixel size the georeference gives is not a number of metres " +
                kPixelSizeRange + "; give --pixel-size";
        s.tab1.reset();
        return false;
    }
    // An empty network would give a report of no segment that looks like a result.
    if (!has_network_pixel(s)) {
        fault = path + ": no pixel has " + selector_text(selector) +
                (type == ImageType::raw ? ""
                                        : " (choose the network with --value N or --colour R,G,B)");
        s.tab1.reset();
        return false;
    }
    if (corner != nullptr) {
        s.X_min = corner[0];
        s.Y_min = corner[1];
        Georef& g = place.georef;
        if (type != ImageType::raw && north_up(g) && (g.has_geotransform || user_size)) {
            // The corner moves the picture; without a geotransform it is placed with the pixel
            // size given.
            const PixelSize px =
                g.has_geotransform ? pixel_size(g) : PixelSize{*user_size, *user_size};
            const double gt[6] = {s.X_min, px.x, 0.0, s.Y_min + s.nb_lig * px.y, 0.0, -px.y};
            std::string unused;
            make_georef(gt, g.wkt, g, unused);
        }
    }
    if (type == ImageType::raw) place_raw(s, place);
    return true;
}

}  // namespace

ImageType image_type_of(const std::string& path) {
    const std::string ext = lower_extension(path);
    if (ext == ".raw") return ImageType::raw;
    if (ext == ".bmp") return ImageType::bmp;
    if (ext == ".asc") return ImageType::ascii;
    return ImageType::geotiff;
}

std::string descriptor_of(const std::string& path) {
    return std::filesystem::path(path).replace_extension(".txt").string();
}

bool load_network(NetworkRun& s, const std::string& path, ImageType type,
                  const NetworkSelector& selector, std::optional<double> user_size,
                  const double* corner, NetworkPlace& place, std::string& fault,
                  const std::function<void(double)>* progress) {
    s.nomim1 = path;
    if (type == ImageType::raw) {
        if (!load_raw(s, fault)) return false;
        if (user_size) s.dpix_size = *user_size;
        // Lengths are counted in pixel sizes: without a positive one every figure would be
        // wrong.
        if (!valid_pixel_size(s.dpix_size)) {
            fault = path +
                    ": the pixel size of the file is not a positive number; give"
                    " --pixel-size";
            s.tab1.reset();
            return false;
        }
        if (!pixel_size_in_range(s.dpix_size)) {
            fault = path + ": the pixel size of the file is not a number of metres " +
                    kPixelSizeRange + "; give --pixel-size";
            s.tab1.reset();
            return false;
        }
    } else if (!load_gis(s, selector, user_size, place, fault, progress)) {
        s.tab1.reset();
        return false;
    }
    return check_loaded(s, path, type, selector, user_size, corner, place, fault);
}

bool load_network_dataset(NetworkRun& s, void* dataset, const std::string& name,
                          const NetworkSelector& selector, std::optional<double> user_size,
                          NetworkPlace& place, std::string& fault) {
    s.nomim1 = name;
    NetworkRaster raster;
    if (!read_network_dataset(dataset, name, selector, static_cast<unsigned char>(s.val_red),
                              raster, fault) ||
        !keep_raster(s, raster, user_size, place, fault)) {
        s.tab1.reset();
        return false;
    }
    return check_loaded(s, name, ImageType::geotiff, selector, user_size, nullptr, place, fault);
}
