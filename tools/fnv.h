// 64-bit FNV-1a: the checksums of generated networks, and the benchmark's digest of an image.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::uint64_t kFnvOffsetBasis = 0xcbf29ce484222325ULL;

// Adds the n bytes at p to the checksum h (which starts at kFnvOffsetBasis).
inline void fnv1a(std::uint64_t& h, const unsigned char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 0x100000001b3ULL;
    }
}
