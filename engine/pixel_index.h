// A pixel as one number, line * nb_col + column: sorting gives the row-major order.
#pragma once

#include <cstdint>

using PixelIndex = std::int64_t;

// The line and column of a pixel index, without a division: a product by the inverse of the
// line length, made exact by one step either way. Indexes stay below 2^53, where a double
// holds them exactly (images are at most 65536 x 65536).
struct PixelSplit {
    int line;
    int column;
};

struct PixelDivider {
    PixelIndex nb_col;
    double inverse;

    explicit PixelDivider(int columns) : nb_col(columns), inverse(1.0 / columns) {}
    PixelSplit operator()(PixelIndex p) const {
        auto line = static_cast<PixelIndex>(static_cast<double>(p) * inverse);
        PixelIndex column = p - line * nb_col;
        if (column < 0) {
            --line;
            column += nb_col;
        } else if (column >= nb_col) {
            ++line;
            column -= nb_col;
        }
        return {static_cast<int>(line), static_cast<int>(column)};
    }
};
