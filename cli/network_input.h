// A network image named on the command line, loaded into the run state: raw (with its .txt
// descriptor), BMP or ASCII grid, chosen by the file's extension.
#pragma once

#include <optional>
#include <string>

struct RunState;

// Type codes of the run state: 0 raw, 1 BMP, 2 ASCII grid; none for another extension.
std::optional<int> image_type_of(const std::string& path);

// The descriptor of a raw image: the path with .txt in place of its extension.
std::string descriptor_of(const std::string& path);

// Loads the image at path (of type `type`) into s.tab1 and sets nomim1 (and nomdescr1 for a raw
// image), the sizes, the pixel size and, from an ASCII header, the lower-left corner. pixel_size,
// when given, replaces the one of the file. False when the network cannot be had: fault then
// names the file and what is wrong with it, and nothing is created.
bool load_network(RunState& s, const std::string& path, int type, std::optional<double> pixel_size,
                  std::string& fault);
