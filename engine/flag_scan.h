// Scans of a line of bytes, one a pixel, for the few pixels wanted: flagged ones, or those that
// hold a value (the network pixels of a line of tab1).
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace flag_scan_detail {

// Calls visit(j) for every column j of [from, to) whose byte b has wanted(b), in order. A word
// of eight bytes w whose found(w) is 0 holds none of them, and the lowest nonzero byte of
// found(w) is the first that it holds: words without one are jumped over.
template <typename Found, typename Wanted, typename Visit>
void scan_bytes(const unsigned char* line, int from, int to, Found found, Wanted wanted,
                Visit visit) {
    int j = from;
    while (j + 8 <= to) {
        std::uint64_t word;
        std::memcpy(&word, line + j, sizeof word);
        const std::uint64_t f = found(word);
        if (f == 0) {
            j += 8;
            continue;
        }
        j += (std::endian::native == std::endian::little ? std::countr_zero(f)
                                                         : std::countl_zero(f)) /
             8;
        visit(j);
        ++j;
    }
    for (; j < to; ++j) {
        if (wanted(line[j])) visit(j);
    }
}

}  // namespace flag_scan_detail

// Calls visit(j) for every column j of [1, nb_col - 1) whose flag is not 0, in order (visit may
// change the flags at j and before it).
template <typename Visit>
void for_each_flagged(const unsigned char* flags, int nb_col, Visit visit) {
    flag_scan_detail::scan_bytes(
        flags, 1, nb_col - 1, [](std::uint64_t word) { return word; },
        [](unsigned char b) { return b != 0; }, visit);
}

// Calls visit(j) for every column j of [0, nb_col) whose byte is `value`, in order.
template <typename Visit>
void for_each_equal(const unsigned char* line, int nb_col, unsigned char value, Visit visit) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    const std::uint64_t pattern = kOnes * value;
    flag_scan_detail::scan_bytes(
        line, 0, nb_col,
        [pattern](std::uint64_t word) {
            const std::uint64_t x = word ^ pattern;  // zero bytes where the value is
            // The lowest byte flagged is the first zero byte (a borrow only runs upwards).
            return (x - kOnes) & ~x & kHighs;
        },
        [value](unsigned char b) { return b == value; }, visit);
}
