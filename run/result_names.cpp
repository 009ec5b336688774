#include "run/result_names.h"

#include <algorithm>

const char* image_ending(ImageType type) {
    switch (type) {
        case ImageType::raw:
            return ".raw";
        case ImageType::bmp:
            return ".bmp";
        case ImageType::ascii:
            return ".asc";
        case ImageType::geotiff:
            return ".tif";
    }
    return "";
}

std::string result_base(const std::string& name) {
    return name + "_strahler";
}

std::string image_name(const std::string& base, ImageType type) {
    return base + image_ending(type);
}

std::string descriptor_name(const std::string& base) {
    return base + ".txt";
}

std::string report_name(const std::string& base) {
    return base + "_info.txt";
}

std::string step_image_name(const std::string& base, const char* kind, int k) {
    return base + "_" + kind + "_step" + std::to_string(std::clamp(k, 1, 5)) + ".bmp";
}

std::vector<std::string> result_files(const std::string& base, bool gis) {
    std::vector<std::string> files = {image_name(base, ImageType::raw), descriptor_name(base),
                                      image_name(base, ImageType::bmp),
                                      image_name(base, ImageType::ascii), report_name(base)};
    if (gis) {
        for (const char* side : {".tif", ".hdr", ".bpw", ".prj", ".bmp.aux.xml", ".asc.aux.xml"})
            files.push_back(base + side);
    }
    for (int k = 1; k <= 5; ++k) {
        files.push_back(step_image_name(base, "points", k));
        files.push_back(step_image_name(base, "segments", k));
    }
    return files;
}
