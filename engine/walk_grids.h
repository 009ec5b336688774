// The grids the passes work on, as the walks see them.
#pragma once

#include <cstddef>
#include <span>

#include "engine/byte_reads.h"
#include "engine/pixel_index.h"

struct WalkGrids {
    unsigned char** tab1;  // network left; 255 where erased
    unsigned char** tab2;  // points of the pass, or null; kept only for the step images
    unsigned char** tab5;  // orders so far; 255 where no walk has been
    int net;               // network value, or -1 (matches no byte)
    int nb_lig;
    int nb_col;
    bool cut_corners = false;  // an interior network pixel has a cut corner (see links.h)
    // Byte of tab1 that marks cells outside the image (NoData of a GIS raster), or -1 when every
    // cell is inside. A network pixel with an outside cell among its eight neighbours ends walks
    // as a pixel on the image border does, so that a raster clipped to its basin orders as the
    // network unclipped. Outside cells are never network, never erased and never labelled.
    int outside = -1;

    bool on_border(int i, int j) const {
        return i == 0 || j == 0 || i == nb_lig - 1 || j == nb_col - 1 ||
               (outside >= 0 && touches_outside(i, j));
    }
    // Asks for the lines of tab1 and tab5 around the interior pixel (i, j), so that they come
    // while other work goes on.
    void prefetch_interior(int i, int j) const {
        for (int a = i - 1; a <= i + 1; ++a) {
            __builtin_prefetch(tab1[a] + j);
            __builtin_prefetch(tab5[a] + j);
        }
    }
    // The same for any pixel; nothing for one on the first or last line.
    void prefetch_around(int i, int j) const {
        if (i > 0 && i < nb_lig - 1) prefetch_interior(i, j);
    }
    // For work on pixels[at] of a list of pixels that lie far apart: asks for the lines around
    // the pixel kPixelsAhead places further on, if there is one, so that they come while this
    // one is worked on.
    static constexpr std::size_t kPixelsAhead = 8;
    void prefetch_ahead(std::span<const PixelIndex> pixels, std::size_t at,
                        const PixelDivider& split) const {
        if (at + kPixelsAhead >= pixels.size()) return;
        const PixelSplit ahead = split(pixels[at + kPixelsAhead]);
        prefetch_around(ahead.line, ahead.column);
    }
    // For an interior pixel (i, j). The neighbours may be erased by walks on other threads
    // meanwhile (never to or from the outside byte), so they are read as shared bytes.
    bool touches_outside(int i, int j) const {
        const auto o = static_cast<unsigned char>(outside);
        for (int di = -1; di <= 1; ++di) {
            const unsigned char* row = tab1[i + di];
            for (int dj = -1; dj <= 1; ++dj) {
                if ((di != 0 || dj != 0) && read_byte<true>(row + j + dj) == o) return true;
            }
        }
        return false;
    }
};
