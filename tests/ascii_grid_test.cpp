#include "formats/ascii_grid.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/file.h"

namespace {

using Cells = std::vector<unsigned char>;  // line after line

File stream_of(const std::string& text) {
    File f(std::tmpfile());
    std::fwrite(text.data(), 1, text.size(), f.get());
    std::rewind(f.get());
    return f;
}

std::string contents(std::FILE* f) {
    std::rewind(f);
    std::string text;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
    return text;
}

struct Grid {
    AsciiHeader header;
    AsciiReadResult result;
    Cells cells;
};

// Reads a whole grid the way the input does: the header, then every line in turn, stopping at
// the first fault.
Grid read_grid(const std::string& text) {
    File f = stream_of(text);
    AsciiReader r(f.get());
    Grid g;
    g.result = ascii_read_header(r, g.header);
    if (!g.result) return g;
    g.cells.resize(static_cast<std::size_t>(g.header.ncols) * g.header.nrows);
    for (int i = 0; i < g.header.nrows && g.result; ++i) {
        g.result = ascii_read_line(r, g.cells.data() + static_cast<std::size_t>(i) * g.header.ncols,
                                   g.header.ncols, i);
    }
    return g;
}

std::string write_grid(const Cells& cells, int nb_col, int nb_lig, double x, double y,
                       double size) {
    File f(std::tmpfile());
    AsciiWriter w(f.get());
    ascii_write_header(w, nb_col, nb_lig, x, y, size);
    for (int i = 0; i < nb_lig; ++i) ascii_write_line(w, cells.data() + i * nb_col, nb_col);
    EXPECT_TRUE(ascii_write_finish(w));
    return contents(f.get());
}

const char* const kHeader =
    "ncols 3\nnrows 2\nxllcorner 512.5\nyllcorner 256.25\ncellsize 10\nNODATA_value -9999\n";

}  // namespace

TEST(AsciiWriter, WritesTheHeaderLinesAndEveryCellWithATab) {
    Cells cells(12);
    for (int k = 0; k < 12; ++k) cells[k] = static_cast<unsigned char>(k * 23);
    EXPECT_EQ(write_grid(cells, 4, 3, 512.5, 256.25, 10),
              "ncols 4\nnrows 3\nxllcorner 512.500000\nyllcorner 256.250000\ncellsize 10.000000\n"
              "nodata_value -9999.9999\n"
              "0\t23\t46\t69\t92\t115\t138\t161\t184\t207\t230\t253\t");
}

TEST(AsciiWriter, ReportsAStreamThatCannotBeWritten) {
    File f(std::fopen("/dev/full", "w"));
    if (!f) GTEST_SKIP() << "no /dev/full";
    AsciiWriter w(f.get());
    ascii_write_header(w, 1, 1, 0, 0, 1);
    const unsigned char cell = 1;
    ascii_write_line(w, &cell, 1);
    EXPECT_FALSE(ascii_write_finish(w));
}

TEST(AsciiGrid, ReadsBackWhatItWrites) {
    // Enough cells to cross the 1 MiB buffers of both directions several times.
    const int nb_col = 1000, nb_lig = 1500;
    Cells cells(static_cast<std::size_t>(nb_col) * nb_lig);
    for (std::size_t k = 0; k < cells.size(); ++k)
        cells[k] = static_cast<unsigned char>(k * 7 % 256);
    const Grid g = read_grid(write_grid(cells, nb_col, nb_lig, 712345.125, -42.5, 12.5));
    ASSERT_TRUE(g.result);
    EXPECT_EQ(g.header.ncols, nb_col);
    EXPECT_EQ(g.header.nrows, nb_lig);
    EXPECT_EQ(g.header.xllcorner, 712345.125);
    EXPECT_EQ(g.header.yllcorner, -42.5);
    EXPECT_EQ(g.header.cellsize, 12.5);
    EXPECT_TRUE(g.header.has_nodata);
    EXPECT_EQ(g.header.nodata_value, -9999.9999);
    EXPECT_EQ(g.header.keyword, "nodata_value");
    EXPECT_TRUE(g.cells == cells);
}

TEST(AsciiGrid, ReadsEveryHeaderLayout) {
    const std::string cells = "1 2 3 4 5 6";
    const std::string layouts[] = {
        kHeader + cells,
        "NCOLS 3\nNROWS 2\nXLLCENTER 512.5\nYLLCENTER 256.25\nCELLSIZE 10\nNODATA_VALUE -1\n" +
            cells,
        "ncols\n3 nrows\t2\r\nxllcorner 5.125e2\r\nyllcorner\n\n256.25 cellsize 1e1 nodata_value "
        "-9999 " +
            cells,
    };
    for (int k = 0; k < 3; ++k) {
        const Grid g = read_grid(layouts[k]);
        ASSERT_TRUE(g.result) << k;
        EXPECT_EQ(g.header.ncols, 3) << k;
        EXPECT_EQ(g.header.nrows, 2) << k;
        EXPECT_EQ(g.header.xllcorner, 512.5) << k;
        EXPECT_EQ(g.header.yllcorner, 256.25) << k;
        EXPECT_EQ(g.header.cellsize, 10.0) << k;
        EXPECT_TRUE(g.header.has_nodata) << k;
        EXPECT_EQ(g.cells, (Cells{1, 2, 3, 4, 5, 6})) << k;
    }
    const Grid whole = read_grid(
        "ncols 3.0\nnrows +2\nxllcorner 0\nyllcorner 0\ncellsize 10.\nnodata_value 0\n" + cells);
    ASSERT_TRUE(whole.result);
    EXPECT_EQ(whole.header.ncols, 3);
    EXPECT_EQ(whole.header.nrows, 2);
}

TEST(AsciiGrid, TakesANumberInTheSixthKeywordPlaceAsTheFirstCell) {
    const std::string five = "ncols 3\nnrows 2\nxllcorner 1\nyllcorner 2\ncellsize 10\n";
    for (const std::string first : {"7", "-1", "+7", ".0", "7.000"}) {
        const Grid g = read_grid(five + first + " 2 3\n4 5 6\n");
        if (first == ".0") {  // starts like a number, so it is a cell, and not a whole one
            EXPECT_EQ(g.result.fault, AsciiFault::bad_cell);
            continue;
        }
        ASSERT_TRUE(g.result) << first;
        EXPECT_FALSE(g.header.has_nodata);
        EXPECT_EQ(g.header.keyword, "cellsize");
        EXPECT_EQ(g.header.nodata_value, 0.0);
        EXPECT_EQ(g.cells[0], first == "-1" ? 255 : 7) << first;
        EXPECT_EQ(g.cells[5], 6);
    }
    // Nothing after five header lines: the first cell is missing, not the header.
    const Grid empty = read_grid(five);
    EXPECT_EQ(empty.result.fault, AsciiFault::truncated);
    EXPECT_EQ(empty.result.item, 0);
    EXPECT_EQ(empty.result.line, 0);
    EXPECT_EQ(empty.result.column, 0);
}

TEST(AsciiGrid, KeepsTheLow8BitsOfEveryWholeCell) {
    const Grid g = read_grid(
        "ncols 5\nnrows 3\nxllcorner 0\nyllcorner 0\ncellsize 1\nnodata_value -9999\n"
        "300 -1 -9999 256 255\n"
        "255.0 0.000000 +12 -0 007\n"
        "18446744073709551617 -18446744073709551617 12. 99999999999999999999999999 -256\n"
        "trailing items are never read: x y z");
    ASSERT_TRUE(g.result);
    EXPECT_EQ(g.cells, (Cells{44, 255, 241, 0, 255,  //
                              255, 0, 12, 0, 7,      //
                              1, 255, 12, 255, 0}));
}

TEST(AsciiGrid, ReadsCellsSpreadOverLinesInAnyWay) {
    const Cells expected{1, 2, 3, 4, 5, 6};
    for (const std::string cells :
         {"1\t2\t3\t4\t5\t6\t", "1 2\n3 4\n5 6", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n",
          "\n\n  1 2 3 4 5 6 7 8 9", "1\f2\v3 4 5 6"}) {
        const Grid g = read_grid(kHeader + cells);
        ASSERT_TRUE(g.result) << cells;
        EXPECT_EQ(g.cells, expected) << cells;
    }
}

TEST(AsciiGrid, NamesTheHeaderValueAtFault) {
    struct Case {
        std::string text;
        AsciiFault fault;
        int item;
        const char* keyword;
    };
    const Case cases[] = {
        {"ncols x\n", AsciiFault::bad_header_value, 1, "ncols"},
        {"ncols 3\nnrows 2\nxllcorner 1,5\n", AsciiFault::bad_header_value, 3, "xllcorner"},
        {"ncols 3\nnrows 2\nxllcorner 1\nyllcorner inf\n", AsciiFault::bad_header_value, 4,
         "yllcorner"},
        {"ncols 3\nnrows 2\nxllcorner 1\nyllcorner 2\ncellsize 1\nnodata_value none\n",
         AsciiFault::bad_header_value, 6, "nodata_value"},
        {"ncols 3 nrows xllcorner 1", AsciiFault::bad_header_value, 2, "nrows"},
        {"ncols " + std::string(2000, '1') + "\n", AsciiFault::bad_header_value, 1, "ncols"},
        {"ncols 4.5\n", AsciiFault::bad_size, 1, "ncols"},
        {"ncols 1e3\n", AsciiFault::bad_size, 1, "ncols"},
        {"ncols 3\nnrows 0\n", AsciiFault::bad_size, 2, "nrows"},
        {"ncols -3\n", AsciiFault::bad_size, 1, "ncols"},
        {"ncols 2147483648\n", AsciiFault::bad_size, 1, "ncols"},
        {"", AsciiFault::truncated, 1, ""},
        {"ncols", AsciiFault::truncated, 1, "ncols"},
        {"ncols 3\nnrows 2\nxllcorner 1\nyllcorner 2\ncellsize", AsciiFault::truncated, 5,
         "cellsize"},
        {"ncols 3\nnrows 2\nxllcorner 1\nyllcorner 2\ncellsize 1\nnodata_value",
         AsciiFault::truncated, 6, "nodata_value"},
    };
    for (const Case& k : cases) {
        const Grid g = read_grid(k.text);
        EXPECT_EQ(g.result.fault, k.fault) << k.text;
        EXPECT_EQ(g.result.item, k.item) << k.text;
        EXPECT_EQ(g.header.keyword, k.keyword) << k.text;
    }
    const Grid size = read_grid("ncols 2147483647\nnrows 1\n");
    EXPECT_EQ(size.header.ncols, 2147483647);
}

TEST(AsciiGrid, NamesTheLineAndColumnOfABadOrMissingCell) {
    struct Case {
        std::string cells;
        AsciiFault fault;
        int line;
        int column;
    };
    const Case cases[] = {
        {"1 2 3 4 5 1.5", AsciiFault::bad_cell, 1, 2},
        {"1 2 3 4 12a 6", AsciiFault::bad_cell, 1, 1},
        {"x", AsciiFault::bad_cell, 0, 0},
        {"1 - 3", AsciiFault::bad_cell, 0, 1},
        {"1 2 . 4", AsciiFault::bad_cell, 0, 2},
        {"1 2 3 1.05", AsciiFault::bad_cell, 1, 0},
        {"1 2 3 1e2", AsciiFault::bad_cell, 1, 0},
        {"1 2 3 --4", AsciiFault::bad_cell, 1, 0},
        {std::string("1 2 3 4\0 5 6", 12), AsciiFault::bad_cell, 1, 0},
        {"", AsciiFault::truncated, 0, 0},
        {"1 2 3 4 5", AsciiFault::truncated, 1, 2},
        {"1 2 3\n\n\t ", AsciiFault::truncated, 1, 0},
    };
    for (const Case& k : cases) {
        const Grid g = read_grid(kHeader + k.cells);
        EXPECT_EQ(g.result.fault, k.fault) << k.cells;
        EXPECT_EQ(g.result.line, k.line) << k.cells;
        EXPECT_EQ(g.result.column, k.column) << k.cells;
    }
}

TEST(AsciiGrid, ReadsItemsThatStraddleTheBufferBoundary) {
    // Blank padding puts a keyword, a value and then a cell across the 1 MiB buffer end.
    const std::size_t block = 1 << 20;
    for (std::size_t shift : {0u, 1u, 2u, 3u, 5u}) {
        std::string text(block - 3 - shift, ' ');
        text += "ncols 2 nrows 2 xllcorner 1.25 yllcorner 2 cellsize 3 ";
        text += std::string(block - text.size() % block - 2 + shift, '\n');
        text += "-12.000 255 " + std::string(block - 1, '\t') + "65536 7";
        const Grid g = read_grid(text);
        ASSERT_TRUE(g.result) << shift;
        EXPECT_FALSE(g.header.has_nodata);
        EXPECT_EQ(g.header.xllcorner, 1.25);
        EXPECT_EQ(g.cells, (Cells{244, 255, 0, 7})) << shift;
    }
}

// Every prefix of a valid grid and every single-byte change must give a fault or a full grid;
// ASan and UBSan watch the rest.
TEST(AsciiGrid, SurvivesCutAndCorruptedFiles) {
    const std::string good = std::string(kHeader) + "1 22 -3\n255.0 300 6\n";
    for (std::size_t n = 0; n < good.size(); ++n) {
        const Grid g = read_grid(good.substr(0, n));
        // Only the final line end may go.
        if (g.result) {
            EXPECT_EQ(n, good.size() - 1);
            EXPECT_EQ(g.cells[5], 6);
        }
    }
    for (std::size_t at = 0; at < good.size(); ++at) {
        for (char v : {'\0', ' ', '\n', '9', '-', '.', 'x', '\xff'}) {
            std::string bytes = good;
            bytes[at] = v;
            const Grid g = read_grid(bytes);
            if (!g.result) continue;
            ASSERT_GT(g.header.ncols, 0);
            ASSERT_GT(g.header.nrows, 0);
        }
    }
}
