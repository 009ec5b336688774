// The order image in the three types the program writes without GDAL, for every front end:
// s.tab5 as a raw image with its descriptor, a grey BMP, or an ASCII grid with the lower-left
// corner X_min, Y_min and the cell size dpix_size. Each file is written completely or not at
// all, under its temporary name first (base/output_file.h).
#pragma once

#include <functional>
#include <string>

#include "base/file.h"

struct NetworkRun;

// The raw image s.nomim2 and its descriptor s.nomdescr2 (and the ENVI header `hdr_text` beside
// the image when not empty), put in place together: a descriptor never describes another image
// than the one beside it, also when the disk fills while the image is written. A result grid
// mapped from its temporary (s.f2, s.result_out: formats/raw_image.h map_raw_image) is closed
// and put in place. "" when all are in place, else the name of the one that could not be
// written.
std::string write_raw_pair(NetworkRun& s, const std::string& hdr_text);

// The file of a writer that is given the open temporary and closes it, put in place once whole.
bool write_whole(const std::string& path, const std::function<bool(File&)>& write);

// s.nomim2 in the type s.image_type (raw, BMP or ASCII). line_done, when given, is told of every
// line of an ASCII grid written. "" when written, else the name of the file that could not be.
std::string write_order_grid(NetworkRun& s, const std::function<void(int)>& line_done = nullptr);
