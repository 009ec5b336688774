// A scan of a line of flags, one byte a pixel, for the pixels flagged.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// Calls visit(j) for every column j of [1, nb_col - 1) whose flag is not 0, in order, jumping
// over words of eight unflagged pixels: flagged pixels are a small part of a line.
template <typename Visit>
void for_each_flagged(const unsigned char* flags, int nb_col, Visit visit) {
    const int end = nb_col - 1;
    int j = 1;
    while (j + 8 <= end) {
        std::uint64_t word;
        std::memcpy(&word, flags + j, sizeof word);
        if (word == 0) {
            j += 8;
            continue;
        }
        // The first flagged byte.
        j += (std::endian::native == std::endian::little ? std::countr_zero(word)
                                                         : std::countl_zero(word)) /
             8;
        visit(j);
        ++j;
    }
    for (; j < end; ++j) {
        if (flags[j] != 0) visit(j);
    }
}
