// How many lines of a raster band to read at a time.
#pragma once

#include <algorithm>

// Lines per read of a band whose lines take line_bytes in the read buffer and whose blocks are
// block_lines tall: a whole number of block heights, so that GDAL decodes each block once, of
// about 16 MiB (large enough that the per-call overhead vanishes, small enough to sit beside a
// 16384 x 16384 grid); a single block taller than that is read whole up to 256 MiB, in smaller
// pieces beyond. At most `lines`, at least 1.
inline long long chunk_lines(long long line_bytes, int block_lines, int lines) {
    constexpr long long kChunkBytes = 16LL << 20;
    constexpr long long kMaxChunkBytes = 256LL << 20;
    const long long block = std::max(block_lines, 1);
    long long chunk = std::max<long long>(1, kChunkBytes / line_bytes) / block * block;
    if (chunk == 0)
        chunk = block * line_bytes <= kMaxChunkBytes
                    ? block
                    : std::max<long long>(1, kMaxChunkBytes / line_bytes);
    return std::max<long long>(1, std::min<long long>(chunk, lines));
}
