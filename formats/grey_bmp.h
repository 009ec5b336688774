// BMP files as grey images: the step images and a BMP order image are written with the grey
// ramp (value v shows as grey v), and a 24-bit input is read as grey values.
#pragma once

#include <string>

#include "base/byte_grid.h"

// Writes the grid as an 8-bit BMP file with the grey ramp, replacing any file of that name.
// False when the file cannot be written.
bool save_grey_bmp(const std::string& path, const ByteGrid& grid, int nb_lig, int nb_col);

// Turns each line of blue, green, red triples (as ChargeBMP reads a 24-bit file) into one grey
// byte per pixel, in place: 0.299 R + 0.587 G + 0.114 B, rounded, with integer weights that keep
// a grey pixel (R = G = B) at exactly its value. The grid is then narrowed to nb_col bytes a line
// (narrow_ucmatrice), so the image holds one byte a pixel from then on.
void bgr_to_grey(ByteGrid& grid, int nb_lig, int nb_col);
