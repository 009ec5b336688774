// The ASCII grid reader on arbitrary text: a fault or a full grid, never a crash or undefined
// behaviour. Grids are capped so that a header's sizes cannot exhaust memory here.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "formats/ascii_grid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;  // fmemopen refuses an empty buffer; the unit tests cover it
    std::vector<std::uint8_t> copy(data, data + size);
    std::FILE* f = ::fmemopen(copy.data(), size, "r");
    if (f == nullptr) return 0;
    {
        AsciiReader r(f);
        AsciiHeader h;
        if (ascii_read_header(r, h) && static_cast<long long>(h.ncols) * h.nrows <= (1 << 20)) {
            std::vector<unsigned char> line(static_cast<std::size_t>(h.ncols));
            for (int i = 0; i < h.nrows; ++i) {
                if (!ascii_read_line(r, line.data(), h.ncols, i)) break;
            }
        }
    }
    std::fclose(f);
    return 0;
}
