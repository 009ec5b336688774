// The loops found from the squares of four and the holes in the background, against the loops of
// the link graph (every pixel with a link that is no bridge), on pictures full of holes of every
// shape and height.

#include "engine/holes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/leftovers.h"

namespace {

struct Picture {
    int nb_lig;
    int nb_col;
    std::vector<unsigned char> cells;      // 1 network, 0 background
    std::vector<unsigned char> untouched;  // tab5: no label anywhere
    std::vector<unsigned char*> rows1;
    std::vector<unsigned char*> rows5;

    Picture(int lines, int columns)
        : nb_lig(lines),
          nb_col(columns),
          cells(static_cast<std::size_t>(lines) * columns, 0),
          untouched(cells.size(), 255) {
        for (int i = 0; i < lines; ++i) {
            rows1.push_back(cells.data() + static_cast<std::size_t>(i) * columns);
            rows5.push_back(untouched.data() + static_cast<std::size_t>(i) * columns);
        }
    }
    void set(int i, int j) {
        if (i >= 0 && j >= 0 && i < nb_lig && j < nb_col) rows1[i][j] = 1;
    }
    WalkGrids grids() { return {rows1.data(), nullptr, rows5.data(), 1, nb_lig, nb_col, true}; }
};

TEST(Holes, SmallPicturesOfEveryDensity) {
    std::mt19937 random(7);
    for (int n = 0; n < 300; ++n) {
        Picture p(3 + n % 29, 3 + (n * 7) % 31);
        const int percent = 15 + (n % 5) * 12;
        for (int i = 0; i < p.nb_lig; ++i) {
            for (int j = 0; j < p.nb_col; ++j) {
                if (static_cast<int>(random() % 100) < percent) p.set(i, j);
            }
        }
        const std::vector<PixelIndex> bridges = find_leftovers(p.grids()).loop_pixels;
        ASSERT_EQ(closed_loops(p.grids(), 1), bridges) << "picture " << n;
    }
}

TEST(Holes, HolesTallerThanABandAndAcrossBands) {
    // Large enough for three bands of lines; rings up to most of the picture high, and U shapes
    // open above or below (no hole: their inside is the outside), lines across them, and
    // patches of noise full of small holes, squares and spurs.
    Picture p(1700, 1900);
    std::mt19937 random(11);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int i = 100; i <= 900; ++i) {  // a U across the lines where bands meet
        p.set(i, 500);
        p.set(i, 700);
    }
    for (int j = 500; j <= 700; ++j) p.set(900, j);
    for (int n = 0; n < 90; ++n) {
        const int top = pick(p.nb_lig);
        const int left = pick(p.nb_col);
        const int high = 2 + pick(n % 2 == 0 ? 1400 : 90);
        const int wide = 2 + pick(300);
        for (int i = top; i <= top + high; ++i) {
            p.set(i, left);
            p.set(i, left + wide);
        }
        for (int j = left; j <= left + wide; ++j) {
            if (n % 3 != 1) p.set(top, j);
            if (n % 3 != 2) p.set(top + high, j);
        }
    }
    for (int n = 0; n < 40; ++n) {  // lines at any angle, one pixel a step
        double i = pick(p.nb_lig);
        double j = pick(p.nb_col);
        const double di = (pick(201) - 100) / 100.0;
        const double dj = (pick(201) - 100) / 100.0;
        for (int step = 0; step < 900; ++step, i += di, j += dj)
            p.set(static_cast<int>(i), static_cast<int>(j));
    }
    for (int n = 0; n < 40; ++n) {
        const int top = pick(p.nb_lig);
        const int left = pick(p.nb_col);
        for (int i = top; i < top + 40; ++i) {
            for (int j = left; j < left + 40; ++j) {
                if (pick(100) < 45) p.set(i, j);
            }
        }
    }
    const std::vector<PixelIndex> bridges = find_leftovers(p.grids()).loop_pixels;
    ASSERT_GT(bridges.size(), 1000u);
    for (const int threads : {1, 2, 3}) EXPECT_EQ(closed_loops(p.grids(), threads), bridges);
}

TEST(Holes, TallHolesAmongMoreRunsThanKept) {
    // A frame round a grid of dots and a stretch of noise across the line where the bands meet:
    // the background inside it is one hole as high as the picture, among too many runs for a
    // band to keep those it cannot settle, so its second scan labels its lines again.
    Picture p(1100, 1920);
    std::mt19937 random(13);
    for (int i = 3; i < p.nb_lig - 3; ++i) {
        for (int j = 3; j < p.nb_col - 3; ++j) {
            if (i >= 500 && i < 600 ? random() % 100 < 25 : i % 2 == 0 && j % 4 == 0) p.set(i, j);
        }
    }
    for (int i = 1; i < p.nb_lig - 1; ++i) {
        p.set(i, 1);
        p.set(i, p.nb_col - 2);
    }
    for (int j = 1; j < p.nb_col - 1; ++j) {
        p.set(1, j);
        p.set(p.nb_lig - 2, j);
    }
    const std::vector<PixelIndex> bridges = find_leftovers(p.grids()).loop_pixels;
    for (const int threads : {1, 2}) EXPECT_EQ(closed_loops(p.grids(), threads), bridges);
}

}  // namespace
