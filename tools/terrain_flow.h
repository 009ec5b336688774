// D8 flow on an integer height grid: filling so that every pixel drains to the image border,
// steepest-descent directions, and the pixels in flow order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Directions 0..7: N, NE, E, SE, S, SW, W, NW (odd ones diagonal); kFlowOut: out of the image.
constexpr int kFlowDl[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
constexpr int kFlowDc[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr unsigned char kFlowOut = 8;

// Priority flood from the border: afterwards every inner pixel has a strictly lower neighbour.
// Pixels of equal height leave the queue in the order they entered it, so a filled flat rises
// outwards from where it spills, like rings round its outlet, and drains towards it.
void fill_depressions(std::vector<std::uint32_t>& h, int lig, int col);

// Steepest descent of every inner pixel (a diagonal drop divided by sqrt 2; the first of N, NE,
// E, SE, S, SW, W, NW wins a tie); border pixels flow out of the image. On a filled grid every
// inner pixel has a direction.
std::vector<unsigned char> d8_directions(const std::vector<std::uint32_t>& h, int lig, int col);

// The pixel into which p flows (dir[p] != kFlowOut).
inline std::size_t flow_receiver(const std::vector<unsigned char>& dir, std::size_t p, int col) {
    const int d = dir[p];
    return static_cast<std::size_t>(static_cast<long long>(p) +
                                    kFlowDl[d] * static_cast<long long>(col) + kFlowDc[d]);
}

// Every pixel after all the pixels that flow into it (sources peeled first).
std::vector<std::uint32_t> flow_order(const std::vector<unsigned char>& dir, int col);
