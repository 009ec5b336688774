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

// Calls visit(j) for every column j of [0, nb_col) whose byte is `value`, in order, jumping over
// words of eight other bytes: for a scan of the network pixels of a line, a small part of it.
template <typename Visit>
void for_each_equal(const unsigned char* line, int nb_col, unsigned char value, Visit visit) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    const std::uint64_t pattern = kOnes * value;
    int j = 0;
    while (j + 8 <= nb_col) {
        std::uint64_t word;
        std::memcpy(&word, line + j, sizeof word);
        const std::uint64_t x = word ^ pattern;  // zero bytes where the value is
        // The lowest byte flagged is the first zero byte (a borrow only runs upwards).
        const std::uint64_t zero = (x - kOnes) & ~x & kHighs;
        if (zero == 0) {
            j += 8;
            continue;
        }
        j += (std::endian::native == std::endian::little ? std::countr_zero(zero)
                                                         : std::countl_zero(zero)) /
             8;
        visit(j);
        ++j;
    }
    for (; j < nb_col; ++j) {
        if (line[j] == value) visit(j);
    }
}
