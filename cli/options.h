// The options of `branchranker order`, as parsed from the command line.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

struct OrderOptions {
    // Image paths: .raw (with its .txt) through the raw reader, anything else (GeoTIFF, PNG,
    // BMP, ASCII grid, ENVI, ...) through GDAL.
    std::vector<std::string> networks;
    // Value of a network cell: a .raw's grey value (0..254, default 0), or any value of a GIS
    // band's type; none: a GIS raster's network is chosen by the rule of network_values.h.
    std::optional<double> value;
    // Red, green, blue of a network pixel, looked up through the palette or compared on the
    // colour bands; replaces value (GDAL inputs only).
    std::optional<std::array<unsigned char, 3>> colour;
    int band = 1;                      // band of the value or of the palette, from 1
    std::optional<double> pixel_size;  // metres; replaces the descriptor's, header's or file's
    std::optional<int> last;           // passes to run, 0..63; none: until the network is used up
    std::string output;                // result prefix, or a folder; empty: beside each network
    // "raw", "bmp", "asc" or "tif"; empty: that of a .raw, .bmp or .asc input, else tif.
    std::string format;
    double corner_x = 0.0;  // lower-left corner of an ASCII result, map units
    double corner_y = 0.0;
    bool corner_given = false;  // replaces the corner of the input's header or georeference
    bool steps = false;         // save the step images of every pass
    // The network is a drawing (strokes, not cells of a flow-direction grid): the apex of a
    // sharp bend is read as part of its line.
    bool drawing = false;
    // The network is the channel cells of a flow grid: where channels touch, every pixel is read
    // as draining to one neighbour, and no pixel is left without an order.
    bool flow_grid = false;
    // Every segment: .csv (the table of every network), or .gpkg, .geojson, .json, .shp (one
    // LineString per segment, one network); empty: none.
    std::string segments;
    // The network split at every confluence: links as lines and nodes as points (links.h),
    // .gpkg (both layers), or .geojson, .json, .shp, .csv (the nodes beside it); one network.
    std::string links;
    std::string summary;  // JSON file of the figures per order; empty: none
    std::string horton;   // SVG plot of the Horton figures (one network); empty: none
    bool quiet = false;   // nothing on standard output, no warnings
    // Outlets of the parts that touch the border in several places (inflows.h): "X,Y" in the
    // network's map coordinates, as given, and a vector file of points (one network).
    std::vector<std::string> outlets;
    std::string outlet_file;
};

// Parses the arguments. Returns the exit status when the program ends here: 0 after --help or
// --version (printed on standard output), 2 after a usage error (printed on standard error);
// nothing when options holds a command to run.
std::optional<int> parse_order_options(int argc, char** argv, OrderOptions& options);
