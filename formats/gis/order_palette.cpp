#include "formats/gis/order_palette.h"

#include <algorithm>
#include <cmath>

namespace {

// The viridis ramp at 0, 0.1, ..., 1 (dark violet to yellow), linearly between.
constexpr unsigned char kViridis[11][3] = {
    {0x44, 0x01, 0x54}, {0x48, 0x24, 0x75}, {0x41, 0x44, 0x87}, {0x35, 0x5f, 0x8d},
    {0x2a, 0x78, 0x8e}, {0x21, 0x91, 0x8c}, {0x22, 0xa8, 0x84}, {0x44, 0xbf, 0x70},
    {0x7a, 0xd1, 0x51}, {0xbd, 0xdf, 0x26}, {0xfd, 0xe7, 0x25}};
// Where order 1 sits on the ramp: its yellows are too light for thin lines on white.
constexpr double kFirstOrderAt = 0.8;

OrderColour ramp(double t) {
    const double x = std::clamp(t, 0.0, 1.0) * 10.0;
    const int i = std::min(static_cast<int>(x), 9);
    const double f = x - i;
    OrderColour c;
    unsigned char* out[3] = {&c.red, &c.green, &c.blue};
    for (int k = 0; k < 3; ++k) {
        *out[k] = static_cast<unsigned char>(
            std::lround(kViridis[i][k] + f * (kViridis[i + 1][k] - kViridis[i][k])));
    }
    return c;
}

}  // namespace

OrderColour order_colour(int value, int highest) {
    highest = std::clamp(highest, 1, kPaletteOrders);
    if (value == 255) return {255, 255, 255, 0};
    if (value <= 0) return {0, 0, 0, 255};
    if (value > highest) return {128, 128, 128, 255};
    // A single order takes the middle of the stretch.
    const double t =
        highest == 1 ? kFirstOrderAt / 2 : kFirstOrderAt * (highest - value) / (highest - 1.0);
    return ramp(t);
}
