// Segment lengths measured on the map along each segment's pixel path (path_length.h), for
// rasters whose pixels have no single size in metres: a geographic system (geodesic metres) or
// pixels that are not square or not north up (planar). There the engine's half-steps of one
// pixel size are replaced by the length of the path through the pixel centres, the first pixel
// to the last, so that the report, the table, the summary and the segment lines agree.
#pragma once

#include <vector>

#include "cli/pass_records.h"
#include "formats/gis/path_length.h"

// The (line, column) of every pixel of a path of pixel indices.
PixelPath pixel_path(const std::vector<PixelIndex>& path, int nb_col);

// Replaces every segment's length and every pass total (summed in report order) of a record
// whose paths were kept whole; returns the network total.
double remeasure_lengths(OrderRecord& record, const LengthRule& rule, int nb_col);
