// The buffered ASCII grid writer against one formatted call per cell, and the reader on random
// grids laid out in many ways (signs, leading zeros, zero fractions, long numbers, any blanks).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "base/byte_grid.h"
#include "base/file.h"
#include "formats/ascii_grid.h"
#include "formats/ascii_image.h"
#include "tests/test_support.h"

TEST(AsciiFastPaths, WriterGivesTheBytesOfOneFprintfPerCell) {
    std::mt19937 rnd(7);
    TempDir dir;
    for (int n = 0; n < 20; ++n) {
        const int lines = 1 + static_cast<int>(rnd() % 40);
        const int columns = 1 + static_cast<int>(rnd() % 700);
        std::vector<unsigned char> cells(static_cast<std::size_t>(lines) * columns);
        for (auto& v : cells) v = static_cast<unsigned char>(rnd());

        File fast = open_file(dir / "fast.asc", "w");
        AsciiWriter w(fast.get());
        ascii_write_header(w, columns, lines, 1.5, -2.25, 0.1);
        for (int i = 0; i < lines; ++i)
            ascii_write_line(w, &cells[std::size_t(i) * columns], columns);
        ASSERT_TRUE(ascii_write_finish(w));
        fast.reset();

        File plain = open_file(dir / "plain.asc", "w");
        std::fprintf(plain.get(),
                     "ncols %d\nnrows %d\nxllcorner %lf\nyllcorner %lf\ncellsize %lf\n"
                     "nodata_value -9999.9999\n",
                     columns, lines, 1.5, -2.25, 0.1);
        for (unsigned char v : cells) std::fprintf(plain.get(), "%d\t", v);
        plain.reset();
        EXPECT_EQ(read_file(dir / "fast.asc"), read_file(dir / "plain.asc")) << n;
    }
}

TEST(AsciiFastPaths, ReaderGivesTheLow8BitsOfEveryCellInAnyLayout) {
    std::mt19937 rnd(11);
    TempDir dir;
    const char* separators[] = {" ", "\t", "\n", "  \t", "\r\n"};
    for (int n = 0; n < 30; ++n) {
        const int lines = 1 + static_cast<int>(rnd() % 30);
        const int columns = 1 + static_cast<int>(rnd() % 300);
        std::string text = "ncols " + std::to_string(columns) + "\nnrows " + std::to_string(lines) +
                           "\nxllcorner 0\nyllcorner 0\ncellsize 1\n";
        if (n % 2 == 0) text += "NODATA_value -9999\n";
        std::vector<long long> values;
        for (int c = 0; c < lines * columns; ++c) {
            long long v = static_cast<long long>(rnd() % 1000) - 300;
            if (rnd() % 50 == 0) v = static_cast<long long>(rnd()) * 1000003LL;  // long numbers
            values.push_back(v);
            const std::string digits = std::to_string(v < 0 ? -v : v);
            std::string sign = v < 0 ? "-" : (rnd() % 20 == 0 ? "+" : "");
            std::string item = sign + (rnd() % 30 == 0 ? "000" : "") + digits;
            if (rnd() % 25 == 0) item += ".000";
            text += item + separators[rnd() % 5];
        }
        write_file(dir / "grid.asc", text);

        File f = open_file(dir / "grid.asc", "r");
        AsciiReader r(f.get());
        AsciiHeader h;
        ASSERT_TRUE(ascii_read_header(r, h)) << n;
        std::vector<unsigned char> row(static_cast<std::size_t>(columns));
        for (int i = 0; i < lines; ++i) {
            ASSERT_TRUE(ascii_read_line(r, row.data(), columns, i)) << n;
            for (int j = 0; j < columns; ++j) {
                const long long v = values[std::size_t(i) * columns + j];
                EXPECT_EQ(row[j], static_cast<unsigned char>(v)) << n << " " << i << " " << j;
            }
        }
    }
}

namespace {

// What reading a grid gives: its cells, the fault, and the lines progress was called with.
struct Reading {
    std::vector<unsigned char> cells;
    AsciiReadResult result;
    std::vector<int> shown;
};

bool operator==(const Reading& a, const Reading& b) {
    return a.cells == b.cells && a.result.fault == b.result.fault &&
           a.result.line == b.result.line && a.result.column == b.result.column &&
           a.shown == b.shown;
}

// threads 0: line by line through ascii_read_line, with progress before every hundredth line.
// in_memory: from a stream over the text, which has no place in a file.
Reading read_cells(const std::string& path, int lines, int columns, int threads, std::size_t piece,
                   bool in_memory = false) {
    std::string text = read_file(path);
    File f = in_memory ? File(::fmemopen(text.data(), text.size(), "r")) : open_file(path, "r");
    AsciiReader r(f.get());
    // A small buffer of the reader's own: the pieces of text then begin right after the header.
    if (threads > 0) r.buf.resize(256);
    AsciiHeader h;
    Reading out;
    EXPECT_TRUE(ascii_read_header(r, h));
    const ByteGrid grid(ucmatrice(columns, lines), lines);
    for (int i = 0; i < lines; ++i) std::fill_n(grid[i], columns, 77);
    auto progress = [&](int i) { out.shown.push_back(i); };
    if (threads == 0) {
        for (int i = 0; i < lines && out.result; ++i) {
            if (i > 0 && i % 100 == 0) progress(i);
            out.result = ascii_read_line(r, grid[i], columns, i);
        }
    } else {
        out.result = read_ascii_cells(r, grid, lines, columns, progress, threads, piece);
    }
    for (int i = 0; i < lines; ++i) out.cells.insert(out.cells.end(), grid[i], grid[i] + columns);
    return out;
}

}  // namespace

// Pieces of the text parsed side by side give what reading the lines in turn gives: the same
// cells, the same fault at the same place (a bad item, the end of the file, or none when only
// what follows the grid is bad) and the same progress calls, for pieces that cut items anywhere
// and items longer than a piece, read at their places in the file or from a stream in memory.
// The last two grids (one whole, one with a bad item) are larger, with larger pieces.
TEST(AsciiFastPaths, PiecesOnThreadsReadAsLinesInTurn) {
    std::mt19937 rnd(23);
    TempDir dir;
    const char* separators[] = {" ", "\t", "\n", "  \t", "\r\n"};
    const char* bad[] = {"1.5", "x", "-", "+-2", "1e3", "7a", ".0", "3..0"};
    for (int n = 0; n < 42; ++n) {
        const bool large = n >= 40;
        const int lines = large ? 100 : 1 + static_cast<int>(rnd() % 260);
        const int columns = large ? 300 + n : 1 + static_cast<int>(rnd() % 9);
        std::string text = "ncols " + std::to_string(columns) + "\nnrows " + std::to_string(lines) +
                           "\nxllcorner 0\nyllcorner 0\ncellsize 1\n";
        // Most grids are whole; some have a bad item, inside or just past the grid, or end early.
        const int kind = n % 4;
        // With five header lines a bad first item would read as the sixth keyword.
        if (n / 4 % 2 == 0 || kind == 1) text += "NODATA_value -9999\n";
        const long long cells = static_cast<long long>(lines) * columns;
        const long long fault_at = kind == 1   ? static_cast<long long>(rnd() % cells)
                                   : kind == 2 ? cells
                                               : -1;
        const long long items = kind == 3 ? static_cast<long long>(rnd() % cells) : cells + 3;
        for (long long c = 0; c < items; ++c) {
            std::string item = std::to_string(static_cast<long long>(rnd() % 700) - 200);
            if (rnd() % 40 == 0) item = std::string(1 + rnd() % 300, '9');  // longer than a piece
            if (large && c == cells * 5 / 6) item = std::string(5000, '7');
            if (rnd() % 30 == 0) item += ".00";
            if (c == fault_at) item = bad[rnd() % 8];
            text += item + separators[rnd() % 5];
        }
        if (rnd() % 2 == 0) text.pop_back();  // the last item ends the file
        write_file(dir / "grid.asc", text);

        const Reading in_turn = read_cells(dir / "grid.asc", lines, columns, 0, 0);
        EXPECT_EQ(static_cast<bool>(in_turn.result), kind == 0 || kind == 2) << n;
        for (int threads : {large ? 2 : 1, 3}) {
            const std::size_t piece = large ? 4099 : 41;
            EXPECT_TRUE(read_cells(dir / "grid.asc", lines, columns, threads, piece) == in_turn)
                << "grid " << n << ", " << threads << " threads, pieces of " << piece;
            const std::size_t other = large ? 4099 : 211;
            EXPECT_TRUE(read_cells(dir / "grid.asc", lines, columns, threads, other, true) ==
                        in_turn)
                << "grid " << n << " from memory, " << threads << " threads, pieces of " << other;
        }
    }
}

// The image written with its text made on other threads, in bands, is the text of the lines
// written in turn, with the same progress calls; so is the one for GIS readers.
TEST(AsciiFastPaths, ImageTextMadeOnThreadsIsTheLinesInTurn) {
    TempDir dir;
    const int lines = 3001;  // bands of 1497 lines: two whole, one of seven
    const int columns = 700;
    const ByteGrid grid(ucmatrice(columns, lines), lines);
    for (int i = 0; i < lines; ++i) {
        for (int j = 0; j < columns; ++j) grid[i][j] = static_cast<unsigned char>(i * 131 + j * 7);
    }
    File f = open_file(dir / "in_turn.asc", "w");
    AsciiWriter w(f.get());
    ascii_write_header(w, columns, lines, 1.5, -2.25, 25.0);
    for (int i = 0; i < lines; ++i) ascii_write_line(w, grid[i], columns);
    ASSERT_TRUE(ascii_write_finish(w));
    f.reset();
    const std::string in_turn = read_file(dir / "in_turn.asc");
    std::vector<int> every_hundred;
    for (int i = 100; i < lines; i += 100) every_hundred.push_back(i);

    for (int threads = 1; threads <= 3; ++threads) {
        std::vector<int> shown;
        File image = open_file(dir / "image.asc", "w");
        ASSERT_TRUE(write_ascii_image(
            image, grid, lines, columns, 1.5, -2.25, 25.0, [&](int i) { shown.push_back(i); },
            threads));
        EXPECT_TRUE(read_file(dir / "image.asc") == in_turn) << threads << " threads";
        EXPECT_EQ(shown, every_hundred) << threads << " threads";
        if (threads < 3) continue;
        File gis = open_file(dir / "gis.asc", "w");
        ASSERT_TRUE(write_ascii_image_exact(gis, grid, lines, columns, 1.5, -2.25, 25.0, threads));
        const std::string text = read_file(dir / "gis.asc");
        const std::size_t cells_at = text.find("NODATA_value 255\n") + 17;
        EXPECT_TRUE(text.substr(cells_at) == in_turn.substr(in_turn.find("-9999.9999\n") + 11))
            << threads << " threads";
    }
}
