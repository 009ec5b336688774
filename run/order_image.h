// The order image of one network: s.tab5 in the result type s.image_type (raw with its
// descriptor, BMP, ASCII grid with the lower-left corner X_min, Y_min, or GeoTIFF).
//
// The result of a GDAL input carries the input's georeference in every type: the GeoTIFF holds
// it, a raw image gets an ENVI header (NAME.hdr), a BMP a world file (NAME.bpw) and an ASCII grid
// its corner and cell size to 17 digits; the coordinate system goes to NAME.prj and
// NAME.EXT.aux.xml beside a BMP or an ASCII grid. The results of a raw input are the dialogue's
// (and a GeoTIFF placed by its corner and pixel size).
#pragma once

#include <string>
#include <vector>

#include "run/network_input.h"

struct NetworkRun;

// Writes s.nomim2 (and the descriptor s.nomdescr2 of a raw image, and the files that place it),
// each completely or not at all. Returns whether the order image (with its descriptor) was
// written; every file that could not be written adds a fault naming it. A raw result grid
// mapped from its temporary (s.f2, s.result_out: map_raw_image) is closed and put in place.
// highest: the highest order the image holds, over which a GeoTIFF's colours are spread.
bool write_order_image(NetworkRun& s, const NetworkPlace& place, int highest,
                       std::vector<std::string>& faults);

// The files that place a step image (a BMP the network's size) of a GDAL input on the map, as
// those of a BMP order image: its world file (NAME.bpw, when the input has a geotransform) and
// its coordinate system (NAME.prj, NAME.bmp.aux.xml). Every file that could not be written adds
// a fault naming it.
void write_step_image_places(const std::string& image, const NetworkPlace& place,
                             std::vector<std::string>& faults);
