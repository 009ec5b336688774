// The buffered ASCII grid writer against one formatted call per cell, and the reader on random
// grids laid out in many ways (signs, leading zeros, zero fractions, long numbers, any blanks).

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "base/file.h"
#include "formats/ascii_grid.h"
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
