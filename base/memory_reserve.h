// Memory set aside while a run computes and given back before it writes its files, so that the
// writers of other libraries (GDAL's drivers, the GeoTIFF library) find room when the memory
// has run out during the run. Some of those do not check every allocation, and would abort or
// crash where the program itself ends with a message. The block is reserved, never touched: it
// counts against the limits of the address space and of the data segment, not as memory used.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

struct MemoryReserve {
    std::unique_ptr<char[]> block;

    // False when the memory cannot be had (the run should then stop with its message).
    bool take(std::size_t bytes) {
        block.reset(new (std::nothrow) char[bytes]);
        return block != nullptr;
    }
    void give_back() { block.reset(); }
};
