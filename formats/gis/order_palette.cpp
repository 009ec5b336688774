#include "formats/gis/order_palette.h"

#include <cmath>

namespace {

constexpr int kHues = 12;
// Brightness of each run of twelve orders; the first stays dark enough to read yellow on white.
constexpr double kTierValue[] = {0.9, 0.7, 0.52, 0.38, 0.27, 0.19};

unsigned char channel(double v) {
    return static_cast<unsigned char>(std::lround(v * 255.0));
}

// Hue in degrees (0 red, 240 blue), full saturation, brightness v.
OrderColour hsv(double hue, double v) {
    const double h = hue / 60.0;
    const double x = 1.0 - std::fabs(std::fmod(h, 2.0) - 1.0);
    double r = 0, g = 0, b = 0;
    if (h < 1)
        r = 1, g = x;
    else if (h < 2)
        r = x, g = 1;
    else if (h < 3)
        g = 1, b = x;
    else if (h < 4)
        g = x, b = 1;
    else if (h < 5)
        r = x, b = 1;
    else
        r = 1, b = x;
    return {channel(r * v), channel(g * v), channel(b * v), 255};
}

}  // namespace

OrderColour order_colour(int value) {
    if (value == 255) return {255, 255, 255, 0};
    if (value <= 0) return {0, 0, 0, 255};
    if (value > kPaletteOrders) return {128, 128, 128, 255};
    const int k = value - 1;
    const double hue = 240.0 - 240.0 * (k % kHues) / (kHues - 1);
    return hsv(hue, kTierValue[k / kHues]);
}
