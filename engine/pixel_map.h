// A map from pixels to small numbers for a sparse set of pixels: the keys sorted in row-major
// order, found by a short search within their line.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "engine/pixel_index.h"

struct PixelMap {
    int nb_col = 1;
    std::vector<PixelIndex> keys;      // row-major order, each once
    std::vector<int> values;           // values[n] belongs to keys[n]
    std::vector<std::size_t> line_at;  // keys of line i: [line_at[i], line_at[i + 1])

    // The value of pixel p, or -1 when p is not a key.
    int find(PixelIndex p) const;
    // The place of pixel p among the keys, or -1 when p is not a key.
    int place(PixelIndex p) const;
    bool empty() const { return keys.empty(); }
};

// Builds the map of nb_lig lines and nb_col columns from (pixel, value) pairs in any order; a
// pixel given twice keeps its first value.
PixelMap make_pixel_map(std::vector<std::pair<PixelIndex, int>> pairs, int nb_lig, int nb_col);

// The keys of pixels given in row-major order, each once, without values: for place().
PixelMap index_of_pixels(std::vector<PixelIndex> pixels, int nb_lig, int nb_col);
