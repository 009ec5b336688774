// The files of a network ordered from Python, written by the command line's writers under the
// names the command line gives them, so that each is the command line's file byte for byte.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/image_type.h"
#include "run/network_order.h"

struct SaveRequest {
    std::string name;                 // every result name is name + "_strahler" + its ending
    std::optional<ImageType> format;  // none: the input's type (raw, BMP, ASCII grid), else .tif
    std::string segments;             // a .csv table or a file of lines; "" for none
    std::string summary;              // the JSON summary; "" for none
    std::string horton;               // the Horton plot, .png or .svg; "" for none
};

// "raw", "bmp", "asc", "tif" (or with their dot): false for any other.
bool image_type_named(const std::string& name, ImageType& type);

// Writes the order image, the report and the files asked for; returns the faults, each naming
// its file (none when every file was written). The segments need the pixels of every segment.
std::vector<std::string> save_results(NetworkOrder& order, ImageType input_type,
                                      const SaveRequest& request);
