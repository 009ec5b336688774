#include "formats/image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/byte_grid.h"
#include "tests/test_support.h"

namespace {

using Lines = std::vector<std::vector<unsigned char>>;

// Owns what ChargeBMP hands back: the grid and, when asked for, the palette table.
struct Loaded {
    ByteGrid grid;
    int nb_col = -1;
    int nb_lig = -1;
    int type = -1;
    Color32* palette = nullptr;
    ~Loaded() { std::free(palette); }
};

// want_palette: pass a non-null request, which ChargeBMP replaces by its own table.
void load(const std::string& path, Loaded& out, bool want_palette = false) {
    Color32 marker;
    out.palette = want_palette ? &marker : nullptr;
    unsigned char** rows =
        ChargeBMP(path.c_str(), &out.nb_col, &out.nb_lig, &out.type, &out.palette);
    EXPECT_NE(out.palette, &marker);
    if (out.palette == &marker) out.palette = nullptr;
    out.grid = ByteGrid(rows, out.nb_lig);
}

Lines lines_of(const ByteGrid& g, int nb_lig, int width) {
    Lines lines;
    for (int i = 0; i < nb_lig; ++i) lines.emplace_back(g[i], g[i] + width);
    return lines;
}

int save(const std::string& path, const Lines& lines, int nb_col, int type,
         const Color32* palette = nullptr) {
    std::vector<unsigned char*> rows;
    for (const auto& l : lines) rows.push_back(const_cast<unsigned char*>(l.data()));
    return SauveBMP(path.c_str(), rows.data(), nb_col, static_cast<int>(lines.size()), type,
                    palette);
}

BMP_Header header_of(const std::string& bytes) {
    return unpack_bmp_header(reinterpret_cast<const unsigned char*>(bytes.data()));
}

std::string with_header(std::string bytes, const BMP_Header& h) {
    unsigned char packed[kBmpHeaderBytes];
    pack_bmp_header(h, packed);
    bytes.replace(0, kBmpHeaderBytes, reinterpret_cast<const char*>(packed), kBmpHeaderBytes);
    return bytes;
}

Lines pattern(int nb_lig, int width) {
    Lines lines(nb_lig, std::vector<unsigned char>(width));
    for (int i = 0; i < nb_lig; ++i) {
        for (int j = 0; j < width; ++j) lines[i][j] = static_cast<unsigned char>(i * 37 + j * 11);
    }
    return lines;
}

std::vector<Color32> grey_ramp() {
    std::vector<Color32> ramp(256);
    for (int i = 0; i < 256; ++i) {
        auto v = static_cast<unsigned char>(i);
        ramp[i] = Color32{v, v, v, 0};
    }
    return ramp;
}

}  // namespace

TEST(BmpLayout, StoredRowsAreRoundedUpToFourBytes) {
    EXPECT_EQ(TBuff(4, 1), 4);
    EXPECT_EQ(TBuff(5, 1), 8);
    EXPECT_EQ(TBuff(8, 1), 8);
    EXPECT_EQ(TBuff(5, 3), 16);
    EXPECT_EQ(TBuff(1, 3), 4);
}

TEST(BmpLayout, HeaderFieldsAreLittleEndianAtTheirOffsets) {
    BMP_Header h;
    h.BfType = 0x4D42;
    h.BfSize = 0x11223344;
    h.BiWidth = -2;
    h.BiClrImportant = 0xA1B2C3D4;
    unsigned char b[kBmpHeaderBytes];
    pack_bmp_header(h, b);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(b[2], 0x44);
    EXPECT_EQ(b[5], 0x11);
    EXPECT_EQ(b[18], 0xFE);
    EXPECT_EQ(b[21], 0xFF);
    EXPECT_EQ(b[50], 0xD4);
    EXPECT_EQ(b[53], 0xA1);
    const BMP_Header back = unpack_bmp_header(b);
    EXPECT_EQ(back.BfSize, h.BfSize);
    EXPECT_EQ(back.BiWidth, -2);
    EXPECT_EQ(back.BiClrImportant, h.BiClrImportant);
}

TEST(SauveBMP, ThreeByTwoGreyGridTakes1086Bytes) {
    TempDir dir;
    ASSERT_EQ(save(dir / "a.bmp", {{1, 2, 3}, {4, 5, 6}}, 3, 0), 0);
    const std::string f = read_file(dir / "a.bmp");
    ASSERT_EQ(f.size(), 1086u);
    const BMP_Header h = header_of(f);
    EXPECT_EQ(h.BfType, 0x4D42);
    EXPECT_EQ(h.BfSize, 1086u);
    EXPECT_EQ(h.Res1, 0);
    EXPECT_EQ(h.Res2, 0);
    EXPECT_EQ(h.BfOffBits, 1078u);
    EXPECT_EQ(h.BiSize, 40u);
    EXPECT_EQ(h.BiWidth, 3);
    EXPECT_EQ(h.BiHeight, 2);
    EXPECT_EQ(h.BiPlanes, 1);
    EXPECT_EQ(h.BiBitCount, 8);
    EXPECT_EQ(h.BiCompression, 0u);
    EXPECT_EQ(h.BiSizeImage, 8u);
    EXPECT_EQ(h.BiXPelsPerMeter, 10000);
    EXPECT_EQ(h.BiYPelsPerMeter, 10000);
    EXPECT_EQ(h.BiClrUsed, 0u);
    EXPECT_EQ(h.BiClrImportant, 0u);
    for (int i = 0; i < 256; ++i) {
        const std::string entry = f.substr(54 + 4 * i, 4);
        ASSERT_EQ(entry, std::string({char(i), char(i), char(i), '\0'})) << "entry " << i;
    }
    // Bottom-up: grid line 1 first, each row padded with one zero byte.
    EXPECT_EQ(f.substr(1078), std::string("\4\5\6\0\1\2\3\0", 8));
}

TEST(SauveBMP, WritesTheGivenPaletteForType0AndNoPaletteForType2) {
    TempDir dir;
    std::vector<Color32> palette = grey_ramp();
    palette[7] = Color32{9, 8, 7, 6};
    ASSERT_EQ(save(dir / "p.bmp", {{7}}, 1, 0, palette.data()), 0);
    const std::string p = read_file(dir / "p.bmp");
    ASSERT_EQ(p.size(), 1082u);
    EXPECT_EQ(p.substr(54 + 4 * 7, 4), "\t\b\a\6");

    ASSERT_EQ(save(dir / "c.bmp", {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}}, 5, 2,
                   palette.data()),
              0);
    const std::string c = read_file(dir / "c.bmp");
    ASSERT_EQ(c.size(), 54u + 16u);
    const BMP_Header h = header_of(c);
    EXPECT_EQ(h.BfOffBits, 54u);
    EXPECT_EQ(h.BiBitCount, 24);
    EXPECT_EQ(h.BfSize, 70u);
    EXPECT_EQ(h.BiSizeImage, 16u);
    EXPECT_EQ(c.substr(54), std::string("\1\2\3\4\5\6\7\10\11\12\13\14\15\16\17\0", 16));
}

TEST(SauveBMP, RefusesWhatItCannotWrite) {
    TempDir dir;
    EXPECT_EQ(save(dir / "missing/folder/a.bmp", {{1}}, 1, 0), -1);
    EXPECT_EQ(save(dir / "zero.bmp", {{1}}, 0, 0), -1);
    EXPECT_EQ(SauveBMP((dir / "null.bmp").c_str(), nullptr, 1, 1, 0, nullptr), -1);
    // A device that takes no byte: the rows and the close fail, and that is a failure too.
    EXPECT_EQ(save("/dev/full", {{1, 2, 3}}, 3, 0), -1);
    // Sizes whose pixel data the 32-bit header fields cannot describe; nothing is touched.
    unsigned char cell = 0;
    unsigned char* rows[1] = {&cell};
    EXPECT_EQ(SauveBMP((dir / "huge.bmp").c_str(), rows, 0x7FFFFFFF, 0x7FFFFFFF, 2, nullptr), -1);
    EXPECT_EQ(SauveBMP((dir / "big.bmp").c_str(), rows, 70000, 70000, 0, nullptr), -1);
    EXPECT_FALSE(file_exists(dir / "huge.bmp"));
    EXPECT_FALSE(file_exists(dir / "big.bmp"));
}

TEST(ChargeBMP, ReadsBackEveryPixelKind) {
    TempDir dir;
    const Lines grey = pattern(3, 5);
    ASSERT_EQ(save(dir / "grey.bmp", grey, 5, 0), 0);
    Loaded a;
    load(dir / "grey.bmp", a);
    ASSERT_TRUE(a.grid);
    EXPECT_EQ(a.nb_col, 5);
    EXPECT_EQ(a.nb_lig, 3);
    EXPECT_EQ(a.type, 0);
    EXPECT_EQ(a.palette, nullptr);
    EXPECT_EQ(lines_of(a.grid, 3, 5), grey);

    std::vector<Color32> colours(256);
    for (int i = 0; i < 256; ++i)
        colours[i] = Color32{0, static_cast<unsigned char>(255 - i), 0, 0};
    ASSERT_EQ(save(dir / "colour.bmp", grey, 5, 1, colours.data()), 0);
    Loaded b;
    load(dir / "colour.bmp", b, true);
    ASSERT_TRUE(b.grid);
    EXPECT_EQ(b.type, 1);
    EXPECT_EQ(lines_of(b.grid, 3, 5), grey);
    ASSERT_NE(b.palette, nullptr);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(b.palette[i].G, 255 - i) << i;

    const Lines bgr = pattern(2, 3 * 5);  // 15 bytes per line, stored in rows of 16
    ASSERT_EQ(save(dir / "rgb.bmp", bgr, 5, 2), 0);
    Loaded c;
    load(dir / "rgb.bmp", c, true);
    ASSERT_TRUE(c.grid);
    EXPECT_EQ(c.nb_col, 5);
    EXPECT_EQ(c.nb_lig, 2);
    EXPECT_EQ(c.type, 2);
    EXPECT_EQ(lines_of(c.grid, 2, 15), bgr);
    ASSERT_NE(c.palette, nullptr);  // handed over, but a 24-bit file has none to fill it
    EXPECT_EQ(c.palette[200].R, 0);
}

TEST(ChargeBMP, TellsTheGreyRampFromAnyOtherPalette) {
    TempDir dir;
    const std::string path = dir / "p.bmp";
    struct Case {
        int entry;
        int byte;  // 0 B, 1 G, 2 R, 3 O
        int type;
    };
    for (const Case k : {Case{0, 0, 1}, Case{128, 1, 1}, Case{255, 2, 1}, Case{9, 3, 0}}) {
        std::vector<Color32> palette = grey_ramp();
        unsigned char* e = &palette[k.entry].B;
        e[k.byte] ^= 1;
        ASSERT_EQ(save(path, {{1, 2}}, 2, 0, palette.data()), 0);
        Loaded l;
        load(path, l, true);
        ASSERT_TRUE(l.grid);
        EXPECT_EQ(l.type, k.type) << "entry " << k.entry << " byte " << k.byte;
        EXPECT_EQ((&l.palette[k.entry].B)[k.byte], e[k.byte]);
    }
}

TEST(ChargeBMP, HandsThePaletteTableOverEvenWhenTheFileIsRefused) {
    TempDir dir;
    Loaded none;
    load(dir / "absent.bmp", none, false);
    EXPECT_FALSE(none.grid);
    EXPECT_EQ(none.palette, nullptr);

    Loaded wanted;
    load(dir / "absent.bmp", wanted, true);
    EXPECT_FALSE(wanted.grid);
    EXPECT_NE(wanted.palette, nullptr);  // freed by Loaded: a leak would show under ASan
}

TEST(ChargeBMP, ReadsTopDownRowsIntoTheRightLines) {
    TempDir dir;
    for (int type : {0, 2}) {
        const int width = type == 2 ? 9 : 3;
        const Lines picture = pattern(4, width);
        ASSERT_EQ(save(dir / "b.bmp", picture, 3, type), 0);
        // Same rows stored top line first, with the height negated.
        std::string bytes = read_file(dir / "b.bmp");
        const BMP_Header h = header_of(bytes);
        const std::size_t start = h.BfOffBits;
        const std::size_t row = static_cast<std::size_t>(TBuff(3, type == 2 ? 3 : 1));
        std::string flipped = bytes.substr(0, start);
        for (int r = 3; r >= 0; --r) flipped += bytes.substr(start + r * row, row);
        BMP_Header top_down = h;
        top_down.BiHeight = -4;
        write_file(dir / "t.bmp", with_header(flipped, top_down));
        Loaded l;
        load(dir / "t.bmp", l);
        ASSERT_TRUE(l.grid) << "type " << type;
        EXPECT_EQ(l.nb_lig, 4);
        EXPECT_EQ(l.nb_col, 3);
        EXPECT_EQ(lines_of(l.grid, 4, width), picture) << "type " << type;
    }
}

// Large enough for bands of rows on every thread count, each read in more than one piece on one
// or two threads; rows padded to four bytes, stored bottom-up and top-down.
TEST(ChargeBMP, ReadsTheSameInBandsOnEveryNumberOfThreads) {
    TempDir dir;
    const int nb_col = 2001;
    const int nb_lig = 3000;
    const int width = 3 * nb_col;
    Lines picture(nb_lig, std::vector<unsigned char>(width));
    for (int i = 0; i < nb_lig; ++i) {
        for (int j = 0; j < width; ++j) {
            picture[i][j] = static_cast<unsigned char>((i * 131 + j * 7) ^ (i >> 8) ^ (j >> 8));
        }
    }
    ASSERT_EQ(save(dir / "up.bmp", picture, nb_col, 2), 0);
    const std::string bytes = read_file(dir / "up.bmp");
    const BMP_Header h = header_of(bytes);
    const std::size_t row = static_cast<std::size_t>(TBuff(nb_col, 3));
    std::string flipped = bytes.substr(0, h.BfOffBits);
    for (int r = nb_lig - 1; r >= 0; --r) flipped += bytes.substr(h.BfOffBits + r * row, row);
    BMP_Header top_down = h;
    top_down.BiHeight = -nb_lig;
    write_file(dir / "down.bmp", with_header(flipped, top_down));

    for (const char* name : {"up.bmp", "down.bmp"}) {
        for (int threads = 1; threads <= 3; ++threads) {
            int col = 0;
            int lig = 0;
            int type = -1;
            Color32* palette = nullptr;
            const ByteGrid grid(
                ChargeBMP((dir / name).c_str(), &col, &lig, &type, &palette, threads), nb_lig);
            ASSERT_TRUE(grid) << name << " on " << threads << " threads";
            EXPECT_EQ(type, 2);
            EXPECT_TRUE(lines_of(grid, nb_lig, width) == picture)
                << name << " on " << threads << " threads";
        }
    }
}

TEST(ChargeBMP, KeepsWidthsAndHeightsBeyond16Bits) {
    TempDir dir;
    Lines wide(2, std::vector<unsigned char>(40000));
    wide[0][39999] = 7;
    wide[1][32768] = 9;
    ASSERT_EQ(save(dir / "wide.bmp", wide, 40000, 0), 0);
    Loaded w;
    load(dir / "wide.bmp", w);
    ASSERT_TRUE(w.grid);
    EXPECT_EQ(w.nb_col, 40000);
    EXPECT_EQ(w.nb_lig, 2);
    EXPECT_EQ(lines_of(w.grid, 2, 40000), wide);

    Lines tall(70000, std::vector<unsigned char>(1));
    tall[0][0] = 1;
    tall[69999][0] = 2;
    ASSERT_EQ(save(dir / "tall.bmp", tall, 1, 0), 0);
    Loaded t;
    load(dir / "tall.bmp", t);
    ASSERT_TRUE(t.grid);
    EXPECT_EQ(t.nb_lig, 70000);
    EXPECT_EQ(t.grid[0][0], 1);
    EXPECT_EQ(t.grid[69999][0], 2);
}

TEST(ChargeBMP, RefusesFilesItCannotRead) {
    TempDir dir;
    ASSERT_EQ(save(dir / "good8.bmp", pattern(3, 5), 5, 0), 0);
    ASSERT_EQ(save(dir / "good24.bmp", pattern(3, 15), 5, 2), 0);
    const std::string good8 = read_file(dir / "good8.bmp");
    const std::string good24 = read_file(dir / "good24.bmp");
    auto changed = [](const std::string& bytes, auto edit) {
        BMP_Header h = header_of(bytes);
        edit(h);
        return with_header(bytes, h);
    };
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty", ""},
        {"shorter than the header", good8.substr(0, 53)},
        {"no BM signature", changed(good8, [](BMP_Header& h) { h.BfType = 0x4D43; })},
        {"4 bits", changed(good8, [](BMP_Header& h) { h.BiBitCount = 4; })},
        {"32 bits", changed(good24, [](BMP_Header& h) { h.BiBitCount = 32; })},
        {"8 bits with a short palette",
         changed(good8, [](BMP_Header& h) { h.BfOffBits = 54 + 16 * 4; })},
        {"24 bits with pixels elsewhere", changed(good24, [](BMP_Header& h) { h.BfOffBits = 58; })},
        {"run-length compression", changed(good8, [](BMP_Header& h) { h.BiCompression = 1; })},
        {"bit fields", changed(good24, [](BMP_Header& h) { h.BiCompression = 3; })},
        {"width 0", changed(good8, [](BMP_Header& h) { h.BiWidth = 0; })},
        {"height 0", changed(good8, [](BMP_Header& h) { h.BiHeight = 0; })},
        {"negative width", changed(good8, [](BMP_Header& h) { h.BiWidth = -5; })},
        {"lowest height", changed(good8, [](BMP_Header& h) { h.BiHeight = INT32_MIN; })},
        {"one line more than stored", changed(good8, [](BMP_Header& h) { h.BiHeight = 4; })},
        {"largest sizes 8 bits", changed(good8,
                                         [](BMP_Header& h) {
                                             h.BiWidth = INT32_MAX;
                                             h.BiHeight = INT32_MAX;
                                         })},
        {"largest sizes 24 bits", changed(good24,
                                          [](BMP_Header& h) {
                                              h.BiWidth = INT32_MAX;
                                              h.BiHeight = INT32_MIN + 1;
                                          })},
        {"cut in the palette", good8.substr(0, 600)},
        {"cut in the last row", good8.substr(0, good8.size() - 1)},
        {"cut in the first 24-bit row", good24.substr(0, 60)},
    };
    for (const Case& k : cases) {
        write_file(dir / "bad.bmp", k.bytes);
        Loaded l;
        load(dir / "bad.bmp", l, true);
        EXPECT_FALSE(l.grid) << k.what;
        EXPECT_NE(l.palette, nullptr) << k.what;
    }
    Loaded folder;
    load(dir.path, folder);
    EXPECT_FALSE(folder.grid);
}

// Every prefix of a valid file and every single-byte change of its header must give either
// null or a grid of exactly the size the header declares; ASan and UBSan watch the rest.
TEST(ChargeBMP, SurvivesCutAndCorruptedFiles) {
    TempDir dir;
    const std::string path = dir / "f.bmp";
    for (int type : {0, 2}) {
        ASSERT_EQ(save(path, pattern(3, type == 2 ? 9 : 3), 3, type), 0);
        const std::string good = read_file(path);
        for (std::size_t n = 0; n < good.size(); ++n) {
            write_file(path, good.substr(0, n));
            Loaded l;
            load(path, l, n % 2 == 0);
            ASSERT_FALSE(l.grid) << "type " << type << " cut at " << n;
        }
        for (int offset = 0; offset < kBmpHeaderBytes; ++offset) {
            for (unsigned char v : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
                std::string bytes = good;
                bytes[offset] = static_cast<char>(v);
                write_file(path, bytes);
                Loaded l;
                load(path, l, offset % 2 == 0);
                if (!l.grid) continue;
                const BMP_Header h = header_of(bytes);
                const long long height = h.BiHeight;
                ASSERT_EQ(l.nb_col, h.BiWidth) << offset;
                ASSERT_EQ(l.nb_lig, height < 0 ? -height : height) << offset;
                const int width = l.nb_col * (l.type == 2 ? 3 : 1);
                long long sum = 0;  // every cell touched, for ASan
                for (int i = 0; i < l.nb_lig; ++i) {
                    for (int j = 0; j < width; ++j) sum += l.grid[i][j];
                }
                EXPECT_LE(sum, 255LL * width * l.nb_lig);
            }
        }
    }
}
