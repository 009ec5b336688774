#include "base/nrutil.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/byte_grid.h"

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
