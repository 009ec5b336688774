// Sets every cell of a working grid of nb_lig lines and nb_col columns to one value.
#pragma once

#include <cstring>

#include "base/bands.h"

// With several threads, bands of lines are set at once: the first touch of a new grid's pages is
// most of the work, and the system takes page faults on several cores side by side.
inline void fill_grid(unsigned char* const* grid, int nb_lig, int nb_col, unsigned char value,
                      int threads = 1) {
    for_bands(band_count(threads, nb_lig, nb_col), 0, nb_lig, [&](int, int first, int last) {
        for (int i = first; i < last; ++i) {
            std::memset(grid[i], value, static_cast<std::size_t>(nb_col));
        }
    });
}
