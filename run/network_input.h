// A network image named on the command line, loaded into the run state: a raw image (with its
// .txt descriptor) through the raw reader, any other raster (GeoTIFF, PNG, BMP of every kind,
// ASCII grid, ENVI, ...) through GDAL, with its georeference.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "base/image_type.h"
#include "formats/gis/georef.h"
#include "formats/gis/network_reader.h"
#include "formats/gis/path_length.h"

struct NetworkRun;

// By the file's extension: raw, BMP, ASCII grid, or geotiff for any other raster GDAL reads.
ImageType image_type_of(const std::string& path);

// The descriptor of a raw image: the path with .txt in place of its extension.
std::string descriptor_of(const std::string& path);

// Where a network lies on the map and how its lengths are measured.
struct NetworkPlace {
    bool gis = false;  // read through GDAL: its results carry its georeference
    // A GDAL input's own (with --corner applied); a raw input's made of its corner and pixel
    // size, with no coordinate system.
    Georef georef;
    // Each half-step of the lengths is measured on the map instead of as half of one pixel
    // size: on a geographic system (geodesic metres), and on pixels that are not square or not
    // north up (planar). Never with --pixel-size.
    bool remeasure = false;
    LengthRule rule;  // when remeasure
};

// Loads the image at path (of type `type`) into s.tab1 with network pixels of value s.val_red
// (the --value, or 0 for a colour), and sets nomim1 (and nomdescr1 for a raw image), the sizes,
// the pixel size in metres and the lower-left corner (from an ASCII header or a north-up
// georeference). user_size, when given, replaces the one of the file; corner, when given, the
// file's corner. False when the network cannot be had, or has no network pixel: fault then
// names the file and what is wrong with it, and nothing is created.
// progress, when given, gets the share of a GIS raster's lines read after each piece (a raw
// image or a grid the dialogue's readers read says nothing until it is read).
bool load_network(NetworkRun& s, const std::string& path, ImageType type,
                  const NetworkSelector& selector, std::optional<double> user_size,
                  const double* corner, NetworkPlace& place, std::string& fault,
                  const std::function<void(double)>* progress = nullptr);

// As load_network, from a dataset the caller opened or made (formats/gis/network_reader.h:
// read_network_dataset), named `name` in the run and its faults.
bool load_network_dataset(NetworkRun& s, void* dataset, const std::string& name,
                          const NetworkSelector& selector, std::optional<double> user_size,
                          NetworkPlace& place, std::string& fault);
