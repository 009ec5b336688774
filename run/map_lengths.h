// Segment lengths measured on the map, for rasters whose pixels have no single size in metres:
// a geographic system (geodesic metres) or pixels that are not square or not north up (planar).
// The rule is the engine's: every pixel of a segment but its last adds half the step towards
// each network pixel linked to it in the network as loaded, and the last link adds its other
// half; only each half-step is measured on the map (on the ellipsoid) instead of as half of one
// pixel size. So a network measures the same on any grid of the same ground, and the report,
// the table, the summary and the segment lines agree.
#pragma once

#include <vector>

#include "formats/gis/path_length.h"
#include "run/pass_records.h"

// The (line, column) of every pixel of a path of pixel indices.
PixelPath pixel_path(const std::vector<PixelIndex>& path, int nb_col);

// The network as loaded, after the passes: a pixel is in it where tab1 still holds the network
// value or tab5 an order.
struct LoadedNetwork {
    unsigned char* const* tab1 = nullptr;
    unsigned char* const* tab5 = nullptr;
    int net = -1;
    int nb_lig = 0;
    int nb_col = 0;
    int outside = -1;  // tab1's value of a pixel outside the image (NoData), or -1 for none
};

// What pixel (i, j) of a segment adds to its length, unless it is the segment's last: half the
// step towards each network pixel linked to it in the network as loaded.
double half_steps_m(const LengthRule& rule, const LoadedNetwork& network, int i, int j);

// Replaces every segment's length and every pass total (summed in report order) of a record
// whose paths were kept whole; returns the network total.
double remeasure_lengths(OrderRecord& record, const LengthRule& rule, const LoadedNetwork& network);
