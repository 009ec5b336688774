// ENVI header (.hdr) of a raw order image written elsewhere: one byte per pixel, one band,
// lines top first (bsq), no header bytes, 255 ignored. With a geotransform it holds the map
// info (upper-left corner of the upper-left pixel and the pixel size; "Geographic Lat/Lon" in
// degrees for a geographic system, else "Arbitrary" in the map unit) and, with a coordinate
// system, the coordinate system string as ESRI WKT, which GIS readers take before the map info.
// A GIS opens NAME.raw placed when NAME.hdr lies beside it.
#pragma once

#include <string>

#include "formats/gis/georef.h"

// Text of the header; "" with `error` set when the georeference cannot be written: a rotated
// geotransform (map info has no shear terms) or a coordinate system without an ESRI form.
std::string envi_header_text(int lines, int samples, const Georef& georef, std::string& error);

// Writes the header to hdr_path through a temporary file; fails, naming the file, when the text
// cannot be made or the file cannot be written.
bool write_envi_header(const std::string& hdr_path, int lines, int samples, const Georef& georef,
                       std::string& error);
