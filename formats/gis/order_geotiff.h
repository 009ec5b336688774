// Order image as a GeoTIFF: one Byte band holding the order of every network pixel (255 where
// there is no network), NoData 255, the order colour table spread over the orders present
// (order_palette.h), the names "order 1" ... for a GIS legend (in the .tif.aux.xml beside it,
// where GeoTIFF keeps category names), tiled 256 x 256 and DEFLATE compressed at level 3
// (BigTIFF when the size needs it), with internal overviews down to one tile, and with the
// geotransform and coordinate system of the georeference when it has them (a raster without a
// geotransform is written without one, so a GIS places it as it placed the input).
#pragma once

#include <string>

#include "base/byte_grid.h"
#include "formats/gis/georef.h"

// Writes grid (lines x columns, grid[line][column], line 0 the top line), whose highest order
// is `highest`, to `path` through a
// temporary file renamed over it when complete. Returns false with `error` naming the file and
// the fault, and no file left under `path` or any previous one untouched, when the size is not
// positive, the folder cannot be written, the coordinate system is refused, a write fails (full
// disk) or storage runs out. No exception leaves the function.
bool write_order_geotiff(const std::string& path, const ByteGrid& grid, int lines, int columns,
                         int highest, const Georef& georef, std::string& error);

// "" when write_order_geotiff may replace `path` (and its auxiliary file), else why not: to be
// asked before the run.
std::string order_geotiff_refusal(const std::string& path);
