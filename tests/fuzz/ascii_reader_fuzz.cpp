// The ASCII grid reader on arbitrary text: a fault or a full grid, never a crash or undefined
// behaviour; and the cells read in pieces on threads are those read line by line, with the same
// fault at the same place. Grids are capped so that a header's sizes cannot exhaust memory here.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/byte_grid.h"
#include "formats/ascii_grid.h"
#include "formats/ascii_image.h"

namespace {

struct Reading {
    AsciiReadResult result;
    std::vector<unsigned char> cells;
    bool read = false;  // a header that opened a grid
};

// pieces 0: line by line; otherwise pieces of that many bytes on `threads` threads.
Reading read(std::vector<std::uint8_t>& bytes, std::size_t pieces, int threads) {
    Reading out;
    std::FILE* f = ::fmemopen(bytes.data(), bytes.size(), "r");
    if (f == nullptr) return out;
    {
        AsciiReader r(f);
        if (pieces > 0) r.buf.resize(128);  // the pieces begin right after the header
        AsciiHeader h;
        if (ascii_read_header(r, h) && static_cast<long long>(h.ncols) * h.nrows <= (1 << 20)) {
            out.read = true;
            const ByteGrid grid(ucmatrice(h.ncols, h.nrows), h.nrows);
            if (pieces == 0) {
                for (int i = 0; i < h.nrows && out.result; ++i) {
                    out.result = ascii_read_line(r, grid[i], h.ncols, i);
                }
            } else {
                out.result = read_ascii_cells(r, grid, h.nrows, h.ncols, nullptr, threads, pieces);
            }
            for (int i = 0; i < h.nrows; ++i) {
                out.cells.insert(out.cells.end(), grid[i], grid[i] + h.ncols);
            }
        }
    }
    std::fclose(f);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;  // fmemopen refuses an empty buffer; the unit tests cover it
    std::vector<std::uint8_t> copy(data, data + size);
    const Reading lines = read(copy, 0, 1);
    const Reading pieces = read(copy, 24 + data[0] % 211, 1 + data[0] % 2);
    const bool same = lines.read == pieces.read && lines.cells == pieces.cells &&
                      lines.result.fault == pieces.result.fault &&
                      lines.result.line == pieces.result.line &&
                      lines.result.column == pieces.result.column;
    if (!same) std::abort();
    return 0;
}
