// The neighbour order shared by the classification, the walks and the lengths: the eight
// neighbours of pixel (i, j), line numbers growing downwards, clockwise from the upper left.
// The walks take the first network neighbour in this order and the lengths add their half-steps
// in this order, so it fixes both the traced pixels and the last digit of every length.
#pragma once

struct Neighbour {
    int di;         // line offset
    int dj;         // column offset
    bool diagonal;  // a diagonal step is sqrt(2) pixel sizes long, a line or column step one
};

inline constexpr Neighbour kNeighbours[8] = {
    {-1, -1, true},  // upper left
    {-1, 0, false},  // up
    {-1, 1, true},   // upper right
    {0, 1, false},   // right
    {1, 1, true},    // lower right
    {1, 0, false},   // down
    {1, -1, true},   // lower left
    {0, -1, false},  // left
};

// The grey value the engine looks for in tab1, or -1 (matches no byte) when val_red cannot mark
// a network pixel: 255 is the erasure mark, and a walk over it would never end.
inline int network_value(int val_red) {
    return val_red >= 0 && val_red <= 254 ? val_red : -1;
}
