// Horton plot as PNG: the SVG document of horton_svg.h rendered by librsvg onto a cairo image of
// the document's size (640 x 420 pixels, white, 8-bit RGBA), so that the two files show the same
// plot.
#pragma once

#include <string>

#include "formats/gis/horton.h"

// The PNG file's bytes, or empty when the plot could not be rendered (error says why).
std::string horton_png_bytes(const HortonFigures& figures, std::string& error);

// Writes the PNG to `path` through a temporary file; fails, naming the file, when it cannot be
// rendered or written.
bool write_horton_png(const std::string& path, const HortonFigures& figures, std::string& error);
