#include "base/nrutil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "base/byte_grid.h"
#include "base/file.h"
#include "formats/raw_image.h"
#include "tests/test_support.h"

TEST(Grids, ByteGridIsZeroFilledRowsOfSeparateLines) {
    unsigned char** g = ucmatrice(3, 2);
    ASSERT_NE(g, nullptr);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(g[i][j], 0);
    std::memset(g[1], 7, 3);  // a whole line never touches another
    EXPECT_EQ(g[0][2], 0);
    EXPECT_EQ(g[1][2], 7);
    frucmatrice(g, 2);
}

TEST(Grids, EveryCellTypeStartsAtZero) {
    double** d = dmatrice(4, 3);
    float** f = fmatrice(4, 3);
    int** n = imatrice(4, 3);
    short** sh = smatrice(4, 3);
    unsigned short** us = usmatrice(4, 3);
    long double** ld = ldmatrice(4, 3);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(d[i][j], 0.0);
            EXPECT_EQ(f[i][j], 0.0f);
            EXPECT_EQ(n[i][j], 0);
            EXPECT_EQ(sh[i][j], 0);
            EXPECT_EQ(us[i][j], 0);
            EXPECT_EQ(ld[i][j], 0.0L);
        }
    }
    frdmatrice(d, 3);
    frfmatrice(f, 3);
    frimatrice(n, 3);
    frsmatrice(sh, 3);
    frusmatrice(us, 3);
    frldmatrice(ld, 3);
}

TEST(Grids, VectorsAreZeroFilled) {
    unsigned char* uc = ucvecteur(5);
    int* iv = ivecteur(5);
    double* dv = dvecteur(5);
    float* fv = fvecteur(5);
    short* sv = svecteur(5);
    unsigned short* usv = usvecteur(5);
    for (int j = 0; j < 5; ++j) {
        EXPECT_EQ(uc[j], 0);
        EXPECT_EQ(iv[j], 0);
        EXPECT_EQ(dv[j], 0.0);
        EXPECT_EQ(fv[j], 0.0f);
        EXPECT_EQ(sv[j], 0);
        EXPECT_EQ(usv[j], 0);
    }
    frucvecteur(uc);
    frivecteur(iv);
    frdvecteur(dv);
    frfvecteur(fv);
    frsvecteur(sv);
    frusvecteur(usv);
}

TEST(Grids, ImpossibleSizesGiveNull) {
    EXPECT_EQ(ucmatrice(0, 5), nullptr);
    EXPECT_EQ(ucmatrice(5, -1), nullptr);
    EXPECT_EQ(ucvecteur(0), nullptr);
}

TEST(Grids, ByteGridHandleOwnsAndMoves) {
    ByteGrid a(ucmatrice(2, 2), 2);
    a[1][1] = 9;
    ByteGrid b = std::move(a);
    EXPECT_FALSE(a);
    ASSERT_TRUE(b);
    EXPECT_EQ(b[1][1], 9);
    b = ByteGrid(ucmatrice(1, 1), 1);
    EXPECT_EQ(b.nb_lig, 1);
}

// Lines carved from one block, small (calloc) and large (mapped): each starts where the one before
// ends, the pointer past the last line marks the end, cells start at zero, and a grid narrowed to
// fewer columns keeps the first cells of every line (a 24-bit image made grey), also where it
// shrinks from a mapped block to a small one.
TEST(Grids, LinesFollowOneAnotherAndNarrowKeepingTheirStart) {
    for (const auto& [cols, lines, narrow] :
         {std::tuple{7, 5, 3}, std::tuple{3000, 1000, 1000}, std::tuple{3000, 1000, 2}}) {
        SCOPED_TRACE(std::to_string(cols) + " x " + std::to_string(lines));
        unsigned char** g = ucmatrice(cols, lines);
        ASSERT_NE(g, nullptr);
        for (int i = 0; i <= lines; ++i) ASSERT_EQ(g[i], g[0] + static_cast<long>(i) * cols);
        EXPECT_EQ(g[lines - 1][cols - 1], 0);
        for (int i = 0; i < lines; ++i)
            for (int j = 0; j < cols; ++j) g[i][j] = static_cast<unsigned char>(i * 7 + j);
        narrow_ucmatrice(g, lines, narrow);
        bool kept = true;
        for (int i = 0; i < lines; ++i) {
            kept = kept && g[i] == g[0] + static_cast<long>(i) * narrow;
            for (int j = 0; j < narrow; ++j) kept = kept && g[i][j] == (i * 7 + j) % 256;
        }
        EXPECT_TRUE(kept);
        frucmatrice(g, lines);
    }
    unsigned char** u = ucmatrice_unset(4, 2);
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(u[1], u[0] + 4);
    frucmatrice(u, 2);
}

// A raw image of several pieces of reading and writing goes through whole, and a stream that
// ends early names the first line it could not fill.
TEST(RawImage, ReadsAndWritesInPiecesAndNamesTheLineCut) {
    const int lines = 3000;
    const int cols = 3001;  // 9 MB: more than one piece, lines across piece boundaries
    ByteGrid grid(ucmatrice(cols, lines), lines);
    std::string expected;
    for (int i = 0; i < lines; ++i) {
        for (int j = 0; j < cols; ++j) grid[i][j] = static_cast<unsigned char>((i + 3 * j) % 251);
        expected.append(reinterpret_cast<const char*>(grid[i]), static_cast<std::size_t>(cols));
    }
    TempDir dir;
    const std::string path = dir / "g.raw";
    File out = open_file(path, "wb");
    ASSERT_TRUE(write_raw_image(out, grid, lines, cols));
    EXPECT_FALSE(out);
    ASSERT_EQ(read_file(path), expected);

    // On one thread, and in bands of lines on three, after a header that the stream has read.
    const std::string header = "header";
    write_file(path, header + expected);
    for (int threads : {1, 3}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        ByteGrid back(ucmatrice_unset(cols, lines), lines);
        int failed = -1;
        File in = open_file(path, "rb");
        char skipped[8];
        ASSERT_EQ(std::fread(skipped, 1, header.size(), in.get()), header.size());
        ASSERT_TRUE(read_raw_rows(in.get(), back, lines, cols, failed, threads));
        EXPECT_EQ(std::memcmp(back[0], grid[0], expected.size()), 0);
        EXPECT_EQ(std::fgetc(in.get()), EOF);  // left at the end of the image
    }

    write_file(path, expected.substr(0, static_cast<std::size_t>(2500) * cols + 17));
    for (int threads : {1, 3}) {
        ByteGrid back(ucmatrice_unset(cols, lines), lines);
        int failed = -1;
        File cut = open_file(path, "rb");
        EXPECT_FALSE(read_raw_rows(cut.get(), back, lines, cols, failed, threads));
        EXPECT_EQ(failed, 2500) << threads << " threads";
    }
}

// A result grid mapped from its raw image is that image: what is stored in it is in the file,
// line after line, once the stream is closed, and stays there when the grid goes. Where it
// cannot be mapped (too small, a stream that cannot read, a pipe), the grid is empty and the
// file as it was.
TEST(RawImage, ResultGridMappedFromItsFileIsTheImage) {
    const int lines = 1100;
    const int cols = 2001;  // 2.2 MB
    TempDir dir;
    const std::string path = dir / "r.raw";
    File f = open_file(path, "w+b");
    ByteGrid grid = map_raw_image(f, lines, cols);
    ASSERT_TRUE(grid);
    EXPECT_TRUE(grid.on_file);
    std::string expected;
    for (int i = 0; i < lines; ++i) {
        EXPECT_EQ(grid[i][cols - 1], 0);
        for (int j = 0; j < cols; ++j) grid[i][j] = static_cast<unsigned char>((i + 7 * j) % 253);
        expected.append(reinterpret_cast<const char*>(grid[i]), static_cast<std::size_t>(cols));
    }
    ASSERT_TRUE(write_raw_image(f, grid, lines, cols));
    EXPECT_FALSE(f);
    grid.reset();
    EXPECT_TRUE(read_file(path) == expected);

    File small = open_file(dir / "small.raw", "w+b");
    EXPECT_FALSE(map_raw_image(small, 100, 100));
    File write_only = open_file(dir / "w.raw", "wb");
    EXPECT_FALSE(map_raw_image(write_only, lines, cols));
    write_only.reset();
    EXPECT_EQ(read_file(dir / "w.raw"), "");
    File pipe(::popen("cat >/dev/null", "w"));
    EXPECT_FALSE(map_raw_image(pipe, lines, cols));
    ::pclose(pipe.release());
}
