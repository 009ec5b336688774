// A numpy array as the cells of a network: its checks, and the copy made only when GDAL cannot
// read its cells where they are.
//
// Read where they are: every integer type from 8-bit unsigned to 64-bit, float32 and float64,
// and bool (read as bytes 0 and 1), in either memory order, sliced or strided, read-only or not.
// Copied first: int8 (to int16) and float16 (to float32), which this GDAL does not read;
// long double (to float64); cells in the other byte order; and arrays with a negative or zero
// step (flipped or broadcast views). Refused: anything but two dimensions, an empty array, and
// complex, object, text, time and structured cells.
#pragma once

#include <pybind11/numpy.h>

#include "python/array_dataset.h"

struct HeldCells {
    pybind11::array array;  // the array read, the caller's or its copy; keeps the cells alive
    bool copied = false;
    ArrayCells cells;
};

// Throws ValueError for the shape, TypeError for the type of the cells.
HeldCells cells_of(const pybind11::handle& object);
