// Shapes that D8 stream rasters show and that a terrain surface can be made to give: terraces
// (flats crossed by channels), a pixel-scale washboard that makes flow zig-zag at 45 degrees,
// and tributary valleys carved beside the stem before they join. Each changes only the surface;
// filling and D8 flow then make the shape, so the truth stays that of the flow tree.
#pragma once

#include <cstdint>
#include <vector>

// Height of one unit of the surface's average slope: the relief over `size` pixels.
inline std::uint32_t slope_unit(int size) {
    return static_cast<std::uint32_t>((1u << 24) / size);
}

// Terraces: the surface is cut into height bands of 16 slope units, and the lowest `percent`
// of each band is flattened to the band's base, before filling: a tread whose filled flat
// drains across it by ties.
void flatten_terraces(std::vector<std::uint32_t>& h, int size, int percent);

// A checkerboard of `percent` of a slope unit added to the pixels whose line plus column is
// odd: where the surface falls by less than that a pixel, flow keeps to the other pixels, which
// touch only diagonally, and a channel runs in 45-degree steps.
void add_washboard(std::vector<std::uint32_t>& h, int lig, int col, int size, int percent);

// On a filled surface with its D8 directions: at `percent` of the confluences of channels
// (pixels draining `threshold` or more), chosen by a hash of the seed and the place, the
// smaller inflow's valley is carved down to just above the stem for 1 to 5 pixels beside the
// stem below the confluence, so that the tributary runs beside it before it joins. Only
// lowers pixels that are not channels.
void carve_beside(std::vector<std::uint32_t>& h, const std::vector<unsigned char>& dir, int lig,
                  int col, long long threshold, int percent, std::uint64_t seed);
