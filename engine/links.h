// Which neighbours of a network pixel are linked to it, as the engine reads a drawing.
//
// Two network pixels that touch along a side are linked. Two that touch only at a corner are
// linked unless a network pixel fills either of the two cells between them: then the corner is
// cut by a four-connected step, and the line runs through that third pixel instead. So an L of
// three pixels is a piece of line, not a triangle of junctions, a stair-step line is one line,
// and a tributary drawn square onto a trunk meets it at a single pixel.
//
// The links are those of the network as loaded: a pixel is in it when tab1 still holds the
// network value or when a walk has labelled it in tab5 (every erased pixel was labelled first).
// A drawing whose pixels form no triangle has exactly its eight-neighbour links.
//
// Masks have one bit per neighbour, bit n for position n of the neighbour order
// (kNeighbours: upper left, up, upper right, right, lower right, down, lower left, left).
#pragma once

#include <array>
#include <cstdint>

#include "engine/byte_reads.h"
#include "engine/walk_grids.h"

namespace links_detail {

constexpr std::array<std::uint8_t, 256> make_link_table() {
    std::array<std::uint8_t, 256> t{};
    for (unsigned m = 0; m < 256; ++m) {
        const unsigned up = (m >> 1) & 1u;
        const unsigned right = (m >> 3) & 1u;
        const unsigned down = (m >> 5) & 1u;
        const unsigned left = (m >> 7) & 1u;
        unsigned cut = 0;
        if (up | left) cut |= 1u << 0;
        if (up | right) cut |= 1u << 2;
        if (right | down) cut |= 1u << 4;
        if (down | left) cut |= 1u << 6;
        t[m] = static_cast<std::uint8_t>(m & ~cut);
    }
    return t;
}

inline constexpr std::array<std::uint8_t, 256> kLinkTable = make_link_table();

constexpr std::array<std::uint8_t, 256> make_count_table() {
    std::array<std::uint8_t, 256> t{};
    for (unsigned m = 1; m < 256; ++m) t[m] = static_cast<std::uint8_t>(t[m >> 1] + (m & 1u));
    return t;
}

inline constexpr std::array<std::uint8_t, 256> kCountTable = make_count_table();

}  // namespace links_detail

// The linked neighbours among the loaded ones.
inline unsigned linked(unsigned loaded_mask) {
    return links_detail::kLinkTable[loaded_mask & 0xFFu];
}

// The number of neighbours in a mask: a table, as the build targets machines without a
// population-count instruction, where the library's count is a call.
inline int link_count(unsigned mask) {
    return links_detail::kCountTable[mask & 0xFFu];
}

// Mask of the neighbours of the interior pixel (i, j) that are in the loaded network. net is
// the network value (or -1, which matches nothing). kShared: read as walks on several threads
// read (see byte_reads.h).
template <bool kShared = false>
unsigned loaded_mask(unsigned char* const* tab1, unsigned char* const* tab5, int net, int i,
                     int j) {
    const unsigned char* u1 = tab1[i - 1] + j;
    const unsigned char* m1 = tab1[i] + j;
    const unsigned char* d1 = tab1[i + 1] + j;
    const unsigned char* u5 = tab5[i - 1] + j;
    const unsigned char* m5 = tab5[i] + j;
    const unsigned char* d5 = tab5[i + 1] + j;
    auto in = [net](const unsigned char* l1, const unsigned char* l5, int dj) -> unsigned {
        // Both bytes are read, without a branch.
        return unsigned{read_byte<kShared>(l1 + dj) == net} |
               unsigned{read_byte<kShared>(l5 + dj) != 255};
    };
    return in(u1, u5, -1) | in(u1, u5, 0) << 1 | in(u1, u5, 1) << 2 | in(m1, m5, 1) << 3 |
           in(d1, d5, 1) << 4 | in(d1, d5, 0) << 5 | in(d1, d5, -1) << 6 | in(m1, m5, -1) << 7;
}

// loaded_mask for any pixel of a grid of nb_lig lines and nb_col columns, border included:
// neighbours outside the grid are not loaded.
template <bool kShared = false>
unsigned loaded_mask_anywhere(unsigned char* const* tab1, unsigned char* const* tab5, int net,
                              int nb_lig, int nb_col, int i, int j) {
    static constexpr int kDi[8] = {-1, -1, -1, 0, 1, 1, 1, 0};
    static constexpr int kDj[8] = {-1, 0, 1, 1, 1, 0, -1, -1};
    unsigned m = 0;
    for (int n = 0; n < 8; ++n) {
        const int a = i + kDi[n];
        const int b = j + kDj[n];
        if (a < 0 || b < 0 || a >= nb_lig || b >= nb_col) continue;
        if (read_byte<kShared>(&tab1[a][b]) == net || read_byte<kShared>(&tab5[a][b]) != 255)
            m |= 1u << n;
    }
    return m;
}

// The linked neighbours of any pixel (i, j) of the grids, on the image border too. Cells outside
// the image (NoData) are never loaded, so a pixel beside them is read as an interior one.
template <bool kShared = false>
unsigned links_of(const WalkGrids& g, int i, int j) {
    const bool edge = i == 0 || j == 0 || i == g.nb_lig - 1 || j == g.nb_col - 1;
    return linked(
        edge ? loaded_mask_anywhere<kShared>(g.tab1, g.tab5, g.net, g.nb_lig, g.nb_col, i, j)
             : loaded_mask<kShared>(g.tab1, g.tab5, g.net, i, j));
}

// Mask of the neighbours of the interior pixel (i, j) still holding the network value in tab1.
inline unsigned present_mask(unsigned char* const* tab1, int net, int i, int j) {
    const unsigned char* u = tab1[i - 1] + j;
    const unsigned char* m = tab1[i] + j;
    const unsigned char* d = tab1[i + 1] + j;
    return unsigned(u[-1] == net) | unsigned(u[0] == net) << 1 | unsigned(u[1] == net) << 2 |
           unsigned(m[1] == net) << 3 | unsigned(d[1] == net) << 4 | unsigned(d[0] == net) << 5 |
           unsigned(d[-1] == net) << 6 | unsigned(m[-1] == net) << 7;
}

// The points code of the interior pixel (i, j) in the network left in tab1: 2 for one linked
// neighbour left (an end point), 3 for more than two (a junction), 255 otherwise.
inline unsigned char linked_point_code(unsigned char* const* tab1, unsigned char* const* tab5,
                                       int net, int i, int j) {
    if (tab1[i][j] != net) return 255;
    const unsigned present = present_mask(tab1, net, i, j);
    unsigned left = present;
    if (present != 0xFFu) {
        // Only a loaded pixel can cut a corner: look at tab5 where tab1 holds no network.
        const unsigned loaded = present | (loaded_mask(tab1, tab5, net, i, j) & ~present);
        left = linked(loaded) & present;
    }
    const int count = link_count(left);
    if (count == 1) return 2;
    if (count > 2) return 3;
    return 255;
}
