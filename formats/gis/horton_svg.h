// Horton plot as SVG: log10(count) (blue circles) and log10(mean length in metres) (red squares)
// against the order, each with its fitted line, axes with ticks, and the bifurcation and length
// ratios written out (or "no line" when a series has fewer than two orders).
#pragma once

#include <string>

#include "formats/gis/horton.h"

// The whole SVG document.
std::string horton_svg_text(const HortonFigures& figures);

// Writes the document to `path` through a temporary file; fails, naming the file, when it
// cannot be written.
bool write_horton_svg(const std::string& path, const HortonFigures& figures, std::string& error);
