// The side of a pixel, in metres: every length of the report is a count of its steps.
#pragma once

#include <cmath>

// A finite number above 0: 0, a negative size, infinity or NaN would make every length
// meaningless (or infinite) without any other sign of a fault.
inline bool valid_pixel_size(double metres) {
    return std::isfinite(metres) && metres > 0.0;
}

// The sizes a run accepts, from every source (typed, option, descriptor, ASCII header,
// georeference). A length is a sum of at most 2^62 steps (lines and columns are ints) of at most
// 1.5 pixel sides, so below the largest it stays finite, with room for the sums of a summary;
// above the smallest it stays a normal number, with its full precision.
inline constexpr double kSmallestPixelSize = 1e-300;
inline constexpr double kLargestPixelSize = 1e280;
inline constexpr char kPixelSizeRange[] = "from 1e-300 to 1e+280";

// A valid size that lengths can be counted in without overflow or loss of precision.
inline bool pixel_size_in_range(double metres) {
    return valid_pixel_size(metres) && metres >= kSmallestPixelSize && metres <= kLargestPixelSize;
}
