// World file of a picture written without georeference of its own (a BMP result): six lines,
// the x size of a pixel, the two rotation terms, the y size of a pixel (negative when north is
// up), then x and y of the CENTRE of the upper-left pixel, each with 17 significant digits so
// that no cell size or corner is rounded. A GIS reads it from NAME.wld or NAME.bpw beside
// NAME.bmp; the coordinate system, which a world file cannot hold, goes to the files of
// crs_sidecars.h.
#pragma once

#include <string>

#include "formats/gis/georef.h"

// Text of the world file for the georeference.
std::string world_file_text(const Georef& georef);

// Writes world_path through a temporary file. Fails, naming the file, when the georeference has
// no geotransform (there is nothing to place) or the file cannot be written.
bool write_world_file(const std::string& world_path, const Georef& georef, std::string& error);
