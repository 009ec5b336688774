// Small pseudo-random helpers with fixed arithmetic, so that a seed gives the same network on
// every machine and with every standard library.
#pragma once

#include <cstdint>

// One step of splitmix64: a well-mixed 64-bit value from any 64-bit input.
inline std::uint64_t mix64(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

// A sequence of values: splitmix64 over a counter.
struct Prng {
    std::uint64_t state = 0;
    std::uint64_t next() {
        state += 0x9e3779b97f4a7c15ULL;
        std::uint64_t x = state;
        x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
        x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
        return x ^ (x >> 31);
    }
    // A value in [0, n), n > 0; the tiny bias of the modulo does not matter here.
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(next() % n); }
    // A value in [lo, hi].
    int between(int lo, int hi) {
        return lo + static_cast<int>(below(static_cast<std::uint32_t>(hi - lo + 1)));
    }
};
