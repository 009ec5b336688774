// Overviews of an order image, so that a GIS draws a large one quickly at every scale: halving
// levels until the image fits in one tile, each pixel of a level the highest order among the
// network pixels it covers (255 where it covers none). So a line stays whole at every scale and
// the trunk, not a tributary, shows where they meet; a resampling by mode or by average would
// break thin lines or invent orders.
#pragma once

#include <gdal.h>

#include <vector>

#include "base/byte_grid.h"

// The overview levels (2, 4, ...) of an image of that many lines and columns: down to the first
// level that fits in a tile of `tile` pixels a side; none for an image within one tile.
std::vector<int> overview_levels(int lines, int columns, int tile);

// Computes the overviews of `grid` (lines x columns) into the overview bands of `band`, made
// with those levels, writing `tile` lines at a time. False when a write fails.
bool write_order_overviews(GDALRasterBandH band, const ByteGrid& grid, int lines, int columns,
                           const std::vector<int>& levels, int tile);
