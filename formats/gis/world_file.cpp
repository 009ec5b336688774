#include "formats/gis/world_file.h"

#include <cstdio>

#include "formats/gis/pending_dataset.h"

std::string world_file_text(const Georef& g) {
    const double* t = g.geotransform;
    const double values[6] = {
        t[1], t[4], t[2], t[5], t[0] + 0.5 * t[1] + 0.5 * t[2], t[3] + 0.5 * t[4] + 0.5 * t[5]};
    std::string text;
    char line[64];
    for (double v : values) {
        std::snprintf(line, sizeof line, "%.17g\n", v);
        text += line;
    }
    return text;
}

bool write_world_file(const std::string& world_path, const Georef& georef, std::string& error) {
    if (!georef.has_geotransform) {
        error = world_path + ": the image has no georeference to write";
        return false;
    }
    return write_text_file(world_path, world_file_text(georef), error);
}
