#include "lib/ascii_grid.h"

#include <charconv>
#include <cstring>

namespace {
constexpr std::size_t kBufferBytes = 1 << 20;
}  // namespace

AsciiWriter::AsciiWriter(std::FILE* f) : file(f), buf(kBufferBytes) {}

namespace {

void drain(AsciiWriter& w) {
    if (w.used > 0 && std::fwrite(w.buf.data(), 1, w.used, w.file) != w.used) w.failed = true;
    w.used = 0;
}

}  // namespace

void ascii_write_header(AsciiWriter& w, int nb_col, int nb_lig, double x_min, double y_min,
                        double cellsize) {
    drain(w);
    if (std::fprintf(w.file,
                     "ncols %d\nnrows %d\nxllcorner %lf\nyllcorner %lf\ncellsize %lf\n"
                     "nodata_value -9999.9999\n",
                     nb_col, nb_lig, x_min, y_min, cellsize) < 0) {
        w.failed = true;
    }
}

void ascii_write_line(AsciiWriter& w, const unsigned char* row, int nb_col) {
    // The text of every byte value, "%d\t", made once.
    static constexpr auto kCells = [] {
        struct Table {
            char text[256][4];
            unsigned char length[256];
        } t{};
        for (int v = 0; v < 256; ++v) {
            int n = 0;
            if (v >= 100) t.text[v][n++] = static_cast<char>('0' + v / 100);
            if (v >= 10) t.text[v][n++] = static_cast<char>('0' + v / 10 % 10);
            t.text[v][n++] = static_cast<char>('0' + v % 10);
            t.text[v][n++] = '\t';
            t.length[v] = static_cast<unsigned char>(n);
        }
        return t;
    }();
    for (int j = 0; j < nb_col; ++j) {
        if (w.buf.size() - w.used < 4) drain(w);
        const unsigned char v = row[j];
        std::memcpy(w.buf.data() + w.used, kCells.text[v], 4);
        w.used += kCells.length[v];
    }
}

bool ascii_write_finish(AsciiWriter& w) {
    drain(w);
    if (std::fflush(w.file) != 0) w.failed = true;
    return !w.failed;
}
