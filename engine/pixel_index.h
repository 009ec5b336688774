// A pixel as one number, line * nb_col + column: sorting gives the row-major order.
#pragma once

#include <cstdint>

using PixelIndex = std::int64_t;
