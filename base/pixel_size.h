// The side of a pixel, in metres: every length of the report is a count of its steps.
#pragma once

#include <cmath>

// A finite number above 0: 0, a negative size, infinity or NaN would make every length
// meaningless (or infinite) without any other sign of a fault.
inline bool valid_pixel_size(double metres) {
    return std::isfinite(metres) && metres > 0.0;
}
