// Coordinate system of an image written without one of its own (BMP, ASCII grid), in the two
// companion files GIS readers look for: NAME.prj (ESRI WKT, read with world files and ASCII
// grids) and NAME.EXT.aux.xml (GDAL's auxiliary file, the only place GDAL takes a BMP's system
// from).
#pragma once

#include <string>

#include "formats/gis/georef.h"

// Writes both files beside image_path, each through a temporary file; writes nothing when the
// georeference has no coordinate system. Fails, naming the file, when the system has no ESRI
// form or a file cannot be written.
bool write_crs_sidecars(const std::string& image_path, const Georef& georef, std::string& error);
