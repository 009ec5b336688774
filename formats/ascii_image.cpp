#include "formats/ascii_image.h"

#include <cstdio>

#include "formats/ascii_grid.h"

bool write_ascii_image(File& f, const ByteGrid& grid, int nb_lig, int nb_col, double x_min,
                       double y_min, double cellsize, const std::function<void(int)>& progress) {
    if (!f) return false;
    AsciiWriter w(f.get());
    ascii_write_header(w, nb_col, nb_lig, x_min, y_min, cellsize);
    for (int i = 0; i < nb_lig; ++i) {
        if (progress && i > 0 && i % 100 == 0) progress(i);
        ascii_write_line(w, grid[i], nb_col);
    }
    const bool ok = ascii_write_finish(w);
    return std::fclose(f.release()) == 0 && ok;
}
