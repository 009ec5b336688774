// A map from pixels to small numbers for a sparse set of pixels: the keys sorted in row-major
// order, found by a short search within their line.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "engine/pixel_index.h"

struct PixelMap {
    PixelDivider lines{1};             // the line of a pixel
    std::vector<PixelIndex> keys;      // row-major order, each once
    std::vector<int> values;           // values[n] belongs to keys[n]
    std::vector<std::size_t> line_at;  // keys of line i: [line_at[i], line_at[i + 1])

    // The value of pixel p, or -1 when p is not a key.
    int find(PixelIndex p) const;
    // The place of pixel p among the keys, or -1 when p is not a key.
    int place(PixelIndex p) const;
    bool empty() const { return keys.empty(); }
};

// Builds the map of nb_lig lines and nb_col columns from pixels given each once, in any order, by
// for_each_pair(visit), which calls visit(pixel, value) for every pixel and is called twice: the
// keys are counted by line, then put in their line, and a line's keys sorted where they came out of
// order. Nothing is kept beside the map.
// Where each line's pixels begin among pixels in row-major order (lines of nb_col pixels): line
// i's are [at[i], at[i + 1]), nb_lig + 1 places in all.
std::vector<std::size_t> line_starts(const std::vector<PixelIndex>& pixels, int nb_lig, int nb_col);

// The places among the sorted pixels `keys` (lines of nb_col pixels) of the eight neighbours of
// keys[here], in the neighbour order, -1 for one not among them. `above` and `below` are the
// first places whose pixels are the upper-left and the lower-left neighbour or after it, which
// only grow with `here`: found by a sweep, they spare a search for each pixel.
void neighbour_places(const std::vector<PixelIndex>& keys, std::size_t here, std::size_t above,
                      std::size_t below, int nb_col, int places[8]);

template <typename ForEachPair>
PixelMap pixel_map_of(ForEachPair for_each_pair, int nb_lig, int nb_col);

// The keys of pixels given in row-major order, each once, without values: for place().
PixelMap index_of_pixels(std::vector<PixelIndex> pixels, int nb_lig, int nb_col);

// Sorts the keys of each line, with their values, where they are out of order.
void sort_lines(PixelMap& m);

// The first place among the sorted pixels [first, last) of `keys` whose pixel is p or after it
// (last if none), searched outwards from `near` (in [first, last)) by steps that double, then by
// halves: few steps when the place lies near.
std::size_t lower_near(const std::vector<PixelIndex>& keys, std::size_t first, std::size_t last,
                       std::size_t near, PixelIndex p);

// The place of p among the sorted pixels [first, last) of `keys`, or -1, searched as lower_near.
int search_near(const std::vector<PixelIndex>& keys, std::size_t first, std::size_t last,
                std::size_t near, PixelIndex p);

template <typename ForEachPair>
PixelMap pixel_map_of(ForEachPair for_each_pair, int nb_lig, int nb_col) {
    PixelMap m;
    m.lines = PixelDivider(nb_col);
    m.line_at.assign(static_cast<std::size_t>(nb_lig) + 1, 0);
    for_each_pair(
        [&](PixelIndex p, int) { ++m.line_at[static_cast<std::size_t>(m.lines(p).line) + 1]; });
    for (std::size_t i = 1; i < m.line_at.size(); ++i) m.line_at[i] += m.line_at[i - 1];
    m.keys.resize(m.line_at.back());
    m.values.resize(m.line_at.back());
    std::vector<std::size_t> next(m.line_at.begin(), m.line_at.end() - 1);
    for_each_pair([&](PixelIndex p, int v) {
        std::size_t& at = next[static_cast<std::size_t>(m.lines(p).line)];
        m.keys[at] = p;
        m.values[at] = v;
        ++at;
    });
    sort_lines(m);
    return m;
}
