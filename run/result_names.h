// The names of a run's results, for every front end: the only place that spells them. Every
// name begins with the run's base, the network's (or the chosen) name + "_strahler", with its
// folder.
#pragma once

#include <string>
#include <vector>

#include "base/image_type.h"

// ".raw", ".bmp", ".asc" or ".tif".
const char* image_ending(ImageType type);

// name + "_strahler": the base of every result name of a run named `name` (with its folder).
std::string result_base(const std::string& name);

std::string image_name(const std::string& base, ImageType type);  // base + its ending
std::string descriptor_name(const std::string& base);             // of a raw order image
std::string report_name(const std::string& base);                 // base + "_info.txt"

// A step image of pass k, kind "points" or "segments": passes after 5 reuse the pass-5 names.
std::string step_image_name(const std::string& base, const char* kind, int k);

// Every file a run could write under base: the order image in the dialogue's three types, the
// raw image's descriptor, the report and the step images of passes 1 to 5; with gis, also the
// GeoTIFF order image and the files that place an order image on the map.
std::vector<std::string> result_files(const std::string& base, bool gis);
