// Sets every cell of a working grid of nb_lig lines and nb_col columns to one value.
#pragma once

#include <cstring>

#include "base/byte_grid.h"

inline void fill_grid(ByteGrid& grid, int nb_lig, int nb_col, unsigned char value) {
    for (int i = 0; i < nb_lig; ++i) std::memset(grid[i], value, static_cast<std::size_t>(nb_col));
}
