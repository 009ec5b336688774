#include "formats/ascii_image.h"

#include <cstdio>
#include <filesystem>

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

bool write_ascii_image_exact(File& f, const ByteGrid& grid, int nb_lig, int nb_col, double x_min,
                             double y_min, double cellsize) {
    if (!f) return false;
    bool ok = std::fprintf(f.get(),
                           "ncols %d\nnrows %d\nxllcorner %.17g\nyllcorner %.17g\ncellsize %.17g\n"
                           "NODATA_value 255\n",
                           nb_col, nb_lig, x_min, y_min, cellsize) > 0;
    AsciiWriter w(f.get());
    for (int i = 0; i < nb_lig; ++i) ascii_write_line(w, grid[i], nb_col);
    ok = ascii_write_finish(w) && ok;
    return std::fclose(f.release()) == 0 && ok;
}

bool ascii_file_may_hold(const std::string& path, int nb_lig, int nb_col,
                         unsigned long long& bytes) {
    const long long cells = static_cast<long long>(nb_lig) * nb_col;  // < 2^62
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    bytes = ec ? 0 : static_cast<unsigned long long>(size);
    return ec || bytes >= static_cast<unsigned long long>(2 * cells - 1);
}

AsciiReadResult read_ascii_cells(AsciiReader& r, const ByteGrid& grid, int nb_lig, int nb_col,
                                 const std::function<void(int)>& progress) {
    for (int i = 0; i < nb_lig; ++i) {
        if (progress && i > 0 && i % 100 == 0) progress(i);
        const AsciiReadResult line = ascii_read_line(r, grid[i], nb_col, i);
        if (!line) return line;
    }
    return {};
}
