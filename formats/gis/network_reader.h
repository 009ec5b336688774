// Reads a drainage network from any raster GDAL opens (GeoTIFF, PNG, BMP of every kind, ENVI,
// ASCII grid, ...) into a byte grid: network pixels carry a chosen value, all others 255.
//
// The network is chosen either by a value or by a colour:
// - value: cells of band `band` equal to `value` are network. Integer and real bands alike are
//   compared exactly; complex bands are refused.
// - colour: a band with a palette (band `band`) is looked up through its palette, never by
//   index: every index whose entry is red, green, blue (alpha ignored) is network, and the
//   colour must be in the palette. Without a palette, the red, green and blue bands (found by
//   their colour interpretation, else bands 1 to 3) are compared and must be 8-bit; a single
//   grey band without a palette takes a grey colour (red == green == blue) as its grey level,
//   scaled to the band's bit depth (white is 1 in a 1-bit image).
#pragma once

#include <functional>
#include <string>

#include "base/byte_grid.h"
#include "formats/gis/georef.h"

struct NetworkSelector {
    enum class Kind { value, colour };
    Kind kind = Kind::value;
    double value = 0.0;       // Kind::value
    bool value_given = true;  // false: the network is chosen by the rule of network_values.h
    unsigned char red = 0, green = 0, blue = 0;  // Kind::colour
    int band = 1;                                // band of the value or of the palette, from 1
};

struct NetworkRaster {
    ByteGrid grid;  // grid[line][column], line 0 the top line
    int lines = 0;
    int columns = 0;
    long long network_pixels = 0;  // pixels set to the network value; 0 is not an error here
    Georef georef;                 // geotransform and coordinate system of the file
    // Chosen by value (network_values.h): the byte of the network pixels in the grid, the byte
    // of the cells outside the image (NoData that clips the network) or -1, and what the
    // network is ("value 1", "values 3, 7, ..."). By colour: network_value, -1 and the colour.
    unsigned char network_byte = 0;
    int outside = -1;
    std::string network_text;
    // When the values give no network (none of the value asked; the background taken for the
    // network; NoData only): why, with the values found; the grid is then empty. Left to the
    // caller to report, after the faults of the georeference.
    std::string refusal;
};

// Reads `path` into `out` with network pixels set to network_value (0 to 254; by value, when
// the network is not one whole value from 0 to 254, else that value).
// By value, with selector.value_given false, the network is chosen by the rule of
// network_values.h; NoData cells that clip the network are set to out.outside.
// Returns false with `error` naming the file and the fault, and `out` unchanged, when: the
// network value is 255; the file cannot be opened as a raster; the band does not exist; the
// data type cannot be compared (complex values; a colour on bands that are not 8-bit; a value
// beyond 2^53 on 64-bit integers); the colour is not in the palette, or the image has neither a
// palette, nor red, green and blue bands, nor a grey band for a grey colour; the value is not
// finite; the file's coordinate system is not understood; a block cannot be read (truncated or
// corrupt file); storage runs out. No exception leaves the function.
// progress, when given, gets the share of the band's lines read after each piece.
bool read_network(const std::string& path, const NetworkSelector& selector,
                  unsigned char network_value, NetworkRaster& out, std::string& error,
                  const std::function<void(double)>* progress = nullptr);

// As read_network, from a dataset opened (or made) by the caller, named `name` in the faults:
// an array held in memory behind GDAL's memory driver reads as any raster does.
bool read_network_dataset(void* dataset, const std::string& name, const NetworkSelector& selector,
                          unsigned char network_value, NetworkRaster& out, std::string& error,
                          const std::function<void(double)>* progress = nullptr);
