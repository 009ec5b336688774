// The three file formats of a network: raw with its descriptor, BMP and ASCII grid.

#include <cstdio>
#include <vector>

#include "base/file.h"
#include "formats/ascii_grid.h"
#include "formats/image.h"
#include "tools/network_generator.h"

namespace {

bool close_ok(File& f) {
    return std::fclose(f.release()) == 0;
}

}  // namespace

bool write_raw_network(const Network& net, const std::string& base, double pixel_size) {
    File raw = open_file(base + ".raw", "wb");
    if (!raw) return false;
    const bool data =
        std::fwrite(net.cells.data(), 1, net.cells.size(), raw.get()) == net.cells.size();
    if (!close_ok(raw) || !data) return false;

    File txt = open_file(base + ".txt", "w");
    if (!txt) return false;
    const bool text = std::fprintf(txt.get(), "%d\n%d\n%d\n%d\n%d\n%lf\n", net.nb_lig, net.nb_col,
                                   1, 0, 255, pixel_size) > 0;
    return close_ok(txt) && text;
}

bool write_bmp_network(const Network& net, const std::string& path) {
    std::vector<unsigned char*> rows(static_cast<std::size_t>(net.nb_lig));
    // SauveBMP only reads the lines it is given.
    auto* cells = const_cast<unsigned char*>(net.cells.data());
    for (int i = 0; i < net.nb_lig; ++i) rows[i] = cells + static_cast<std::size_t>(i) * net.nb_col;
    return SauveBMP(path.c_str(), rows.data(), net.nb_col, net.nb_lig, 0, nullptr) == 0;
}

bool write_ascii_network(const Network& net, const std::string& path, double pixel_size,
                         double x_min, double y_min) {
    File f = open_file(path, "w");
    if (!f) return false;
    AsciiWriter w(f.get());
    ascii_write_header(w, net.nb_col, net.nb_lig, x_min, y_min, pixel_size);
    for (int i = 0; i < net.nb_lig; ++i) ascii_write_line(w, net.row(i), net.nb_col);
    const bool written = ascii_write_finish(w);
    return close_ok(f) && written;
}
