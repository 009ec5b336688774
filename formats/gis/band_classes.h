// Reads one band of a raster into a byte grid of value classes (network_values.h): the first
// 253 distinct valid values each a class byte 0..252 in the order they are met, later values
// kOtherClass, NoData (the band's NoData value, NaN, a cell its mask or alpha band marks
// invalid) kNoDataClass; and counts the cells of every class.
//
// Byte, Int16 and UInt16 cells go through a table of every value; real and wide integer cells
// through the class of the cell before (stream rasters are long runs of one value) and a hash
// map. Wide integers are compared as doubles (exact up to 2^53).
#pragma once

#include <gdal.h>

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "base/byte_grid.h"
#include "formats/gis/network_values.h"

// asked, when not null, gets class 0 whenever the band's type can hold it, so that it is never
// folded into kOtherClass. grid must have the band's lines and columns. False with fault when
// a block cannot be read. progress, when given, gets the share of the lines read after each
// piece.
// unclassed, when given, lets the Byte cells of a raster held in memory (GDAL's memory driver)
// be copied into the grid as they are and counted on every thread: it is then set to the class
// of every byte value, which the grid holds in place of the classes (left empty otherwise).
bool read_band_classes(GDALRasterBandH band, const double* asked, ByteGrid& grid,
                       ValueClasses& classes, std::string& fault,
                       const std::function<void(double)>* progress = nullptr,
                       std::optional<std::array<unsigned char, 256>>* unclassed = nullptr);

// Maps every class byte of the grid through remap, in bands of lines on up to `threads` threads.
void remap_classes(ByteGrid& grid, int lines, int columns,
                   const std::array<unsigned char, 256>& remap, int threads);
