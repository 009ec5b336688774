// ASCII grid: the buffered library codec against one formatted call per cell.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/byte_grid.h"
#include "base/file.h"
#include "base/threads.h"
#include "bench/bench.h"
#include "bench/figures.h"
#include "formats/ascii_grid.h"
#include "formats/ascii_image.h"

namespace {

constexpr double kPixelSize = 25.0;

// As the program writes an ASCII result: the text made on every core.
double write_library(const Network& net, const std::string& path, bool& ok) {
    ByteGrid grid(ucmatrice_unset(net.nb_col, net.nb_lig), net.nb_lig);
    if (!grid) {
        ok = false;
        return 0.0;
    }
    for (int i = 0; i < net.nb_lig; ++i) std::copy_n(net.row(i), net.nb_col, grid[i]);
    const auto start = BenchClock::now();
    File f = open_file(path, "w");
    ok = write_ascii_image(f, grid, net.nb_lig, net.nb_col, 0.0, 0.0, kPixelSize, nullptr,
                           engine_threads());
    return seconds_since(start);
}

double write_per_cell(const Network& net, const std::string& path, bool& ok) {
    const auto start = BenchClock::now();
    File f = open_file(path, "w");
    if (!f) {
        ok = false;
        return 0.0;
    }
    std::FILE* out = f.get();
    std::fprintf(out,
                 "ncols %d\nnrows %d\nxllcorner %lf\nyllcorner %lf\ncellsize %lf\n"
                 "nodata_value -9999.9999\n",
                 net.nb_col, net.nb_lig, 0.0, 0.0, kPixelSize);
    for (int i = 0; i < net.nb_lig; ++i) {
        const unsigned char* row = net.row(i);
        for (int j = 0; j < net.nb_col; ++j) std::fprintf(out, "%d\t", row[j]);
    }
    ok = std::fclose(f.release()) == 0;
    return seconds_since(start);
}

// As the program reads an ASCII input: pieces of the text parsed on every core.
double read_library(const std::string& path, std::vector<unsigned char>& cells, bool& ok) {
    const auto start = BenchClock::now();
    File f = open_file(path, "r");
    if (!f) {
        ok = false;
        return 0.0;
    }
    AsciiReader r(f.get());
    AsciiHeader h;
    ok = static_cast<bool>(ascii_read_header(r, h));
    ByteGrid grid;
    if (ok) {
        grid = ByteGrid(ucmatrice_unset(h.ncols, h.nrows), h.nrows);
        ok = grid && read_ascii_cells(r, grid, h.nrows, h.ncols, nullptr, engine_threads());
    }
    const double seconds = seconds_since(start);
    cells.clear();
    for (int i = 0; ok && i < h.nrows; ++i) cells.insert(cells.end(), grid[i], grid[i] + h.ncols);
    return seconds;
}

double read_per_cell(const std::string& path, std::vector<unsigned char>& cells, bool& ok) {
    const auto start = BenchClock::now();
    File f = open_file(path, "r");
    if (!f) {
        ok = false;
        return 0.0;
    }
    std::FILE* in = f.get();
    char word[64];
    double values[6] = {};
    for (double& v : values) {
        if (std::fscanf(in, "%63s %lf", word, &v) != 2) ok = false;
    }
    const auto ncols = static_cast<long long>(values[0]);
    const auto nrows = static_cast<long long>(values[1]);
    if (ok && ncols > 0 && nrows > 0) {
        cells.assign(static_cast<std::size_t>(ncols * nrows), 0);
        for (unsigned char& c : cells) {
            int v = 0;
            if (std::fscanf(in, "%d", &v) != 1) {
                ok = false;
                break;
            }
            c = static_cast<unsigned char>(v);
        }
    }
    return seconds_since(start);
}

bool same_files(const std::string& a, const std::string& b) {
    File fa = open_file(a, "rb");
    File fb = open_file(b, "rb");
    if (!fa || !fb) return false;
    std::vector<char> ba(1 << 20);
    std::vector<char> bb(1 << 20);
    for (;;) {
        const std::size_t na = std::fread(ba.data(), 1, ba.size(), fa.get());
        const std::size_t nb = std::fread(bb.data(), 1, bb.size(), fb.get());
        if (na != nb || !std::equal(ba.begin(), ba.begin() + static_cast<long>(na), bb.begin())) {
            return false;
        }
        if (na == 0) return true;
    }
}

}  // namespace

void bench_ascii(const Network& net, const BenchSetup& b) {
    const std::string& work = b.work;
    const std::string lib_path = work + "/library.asc";
    const std::string cell_path = work + "/per_cell.asc";
    bool lib_ok = true;
    bool cell_ok = true;
    // Best of a few rounds, the two ways taking turns, each onto a file that does not exist yet:
    // the page cache of a shared machine makes single timings of large files wander.
    double w_lib = 1e30;
    double w_cell = 1e30;
    for (int round = 0; round < b.rounds; ++round) {
        std::remove(lib_path.c_str());
        std::remove(cell_path.c_str());
        w_lib = std::min(w_lib, write_library(net, lib_path, lib_ok));
        w_cell = std::min(w_cell, write_per_cell(net, cell_path, cell_ok));
    }
    figure("ascii_write_library", w_lib, "s");
    figure("ascii_write_fprintf", w_cell, "s");
    figure("ascii_write_speedup", ratio(w_cell, w_lib), "x");
    figure("ascii_write_identical", lib_ok && cell_ok && same_files(lib_path, cell_path), "bool");
    std::remove(cell_path.c_str());

    std::vector<unsigned char> lib_cells;
    std::vector<unsigned char> cell_cells;
    lib_ok = true;
    cell_ok = true;
    double r_lib = 1e30;
    double r_cell = 1e30;
    for (int round = 0; round < b.rounds; ++round) {
        r_lib = std::min(r_lib, read_library(lib_path, lib_cells, lib_ok));
        r_cell = std::min(r_cell, read_per_cell(lib_path, cell_cells, cell_ok));
    }
    figure("ascii_read_library", r_lib, "s");
    figure("ascii_read_fscanf", r_cell, "s");
    figure("ascii_read_speedup", ratio(r_cell, r_lib), "x");
    figure("ascii_read_identical",
           lib_ok && cell_ok && lib_cells == net.cells && cell_cells == net.cells, "bool");
    std::remove(lib_path.c_str());
}
