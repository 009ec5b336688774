// GIS formats: every file is read back with GDAL/OGR itself, and every input kind must give the
// same grid.
#include <cpl_conv.h>
#include <cpl_minixml.h>
#include <cpl_string.h>
#include <gdal.h>
#include <geodesic.h>
#include <gtest/gtest.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/nrutil.h"
#include "formats/gis/crs_sidecars.h"
#include "formats/gis/envi_header.h"
#include "formats/gis/georef.h"
#include "formats/gis/horton.h"
#include "formats/gis/horton_svg.h"
#include "formats/gis/network_reader.h"
#include "formats/gis/order_geotiff.h"
#include "formats/gis/order_palette.h"
#include "formats/gis/path_length.h"
#include "formats/gis/segment_writer.h"
#include "formats/gis/world_file.h"
#include "formats/image.h"
#include "tests/gdal_checks.h"
#include "tests/test_support.h"

namespace fs = std::filesystem;

namespace {

// GDAL's drivers for the files the tests make themselves; GDALDestroy at the end releases what
// GDAL keeps for the whole process, which LeakSanitizer would otherwise report.
struct GdalEnvironment : ::testing::Environment {
    void SetUp() override { GDALAllRegister(); }
    void TearDown() override { GDALDestroy(); }
};
const auto* const kGdalEnvironment = ::testing::AddGlobalTestEnvironment(new GdalEnvironment);

// The network every input kind holds: '#' network, '.' background. Seven lines, nine columns.
const std::vector<std::string> kNetwork = {
    "....#....", "....#....", "...#.#...", "..#...#..", ".#.....#.", "#.......#", ".........",
};
const int kLines = 7, kCols = 9;

bool on(int l, int c) {
    return kNetwork[l][c] == '#';
}

Georef utm_georef() {
    const double gt[6] = {500000.0, 30.0, 0.0, 4000020.0, 0.0, -30.0};
    Georef g;
    std::string error;
    EXPECT_TRUE(make_georef(gt, "EPSG:32631", g, error)) << error;
    return g;
}

// A raster of the network made with GDAL: `net` on network pixels, `back` elsewhere, through a
// MEM dataset copied with `driver` (PNG and others can only copy).
void make_raster(const std::string& path, const char* driver, GDALDataType type, double net,
                 double back, const double* gt, int epsg, GDALColorTableH palette = nullptr) {
    Dataset mem(GDALCreate(GDALGetDriverByName("MEM"), "", kCols, kLines, 1, type, nullptr));
    std::vector<double> cells;
    for (int l = 0; l < kLines; ++l)
        for (int c = 0; c < kCols; ++c) cells.push_back(on(l, c) ? net : back);
    GDALRasterBandH band = GDALGetRasterBand(mem.get(), 1);
    ASSERT_EQ(GDALRasterIO(band, GF_Write, 0, 0, kCols, kLines, cells.data(), kCols, kLines,
                           GDT_Float64, 0, 0),
              CE_None);
    if (palette) GDALSetRasterColorTable(band, palette);
    if (gt) GDALSetGeoTransform(mem.get(), const_cast<double*>(gt));
    if (epsg) {
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        OSRImportFromEPSG(srs, epsg);
        GDALSetSpatialRef(mem.get(), srs);
        OSRDestroySpatialReference(srs);
    }
    Dataset out(GDALCreateCopy(GDALGetDriverByName(driver), path.c_str(), mem.get(), FALSE, nullptr,
                               nullptr, nullptr));
    ASSERT_TRUE(out) << path;
}

void put16(std::string& s, std::uint16_t v) {
    s += static_cast<char>(v & 0xff);
    s += static_cast<char>(v >> 8);
}
void put32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xff);
}

// A BMP by hand: info header of `info_size` bytes (40, or 124 for the fifth version), `bits` per
// pixel, `compression` (0 none, 1 RLE8), palette entries as 0xRRGGBB (written B, G, R, 0),
// rows as the stored bytes of each line, top line first (written bottom-up).
std::string bmp(int info_size, int bits, int compression, const std::vector<std::uint32_t>& palette,
                const std::vector<std::string>& rows) {
    std::string pixels;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) pixels += *it;
    const std::uint32_t offset = 14 + info_size + 4 * static_cast<std::uint32_t>(palette.size());
    std::string s = "BM";
    put32(s, offset + static_cast<std::uint32_t>(pixels.size()));
    put32(s, 0);
    put32(s, offset);
    put32(s, info_size);
    put32(s, kCols);
    put32(s, kLines);
    put16(s, 1);
    put16(s, static_cast<std::uint16_t>(bits));
    put32(s, compression);
    put32(s, static_cast<std::uint32_t>(pixels.size()));
    put32(s, 2835);
    put32(s, 2835);
    put32(s, static_cast<std::uint32_t>(palette.size()));
    put32(s, 0);
    if (info_size == 124) {  // masks, colour space "sRGB", end points, gammas, intent, profile
        for (std::uint32_t mask : {0x00ff0000u, 0x0000ff00u, 0x000000ffu, 0u}) put32(s, mask);
        put32(s, 0x73524742);
        s.append(36 + 12, '\0');
        put32(s, 4);
        s.append(12, '\0');
    }
    for (std::uint32_t c : palette) put32(s, c & 0xffffff);
    return s + pixels;
}

std::string padded(std::string row) {
    while (row.size() % 4) row += '\0';
    return row;
}

// The network as BMP rows: 8-bit indices, 1-bit indices, RLE8 runs, 24 and 32-bit colours.
// Index 1 / black is the network, index 0 / white the background.
std::vector<std::string> rows_8bit() {
    std::vector<std::string> rows;
    for (int l = 0; l < kLines; ++l) {
        std::string r;
        for (int c = 0; c < kCols; ++c) r += static_cast<char>(on(l, c) ? 1 : 0);
        rows.push_back(padded(r));
    }
    return rows;
}
std::vector<std::string> rows_1bit() {
    std::vector<std::string> rows;
    for (int l = 0; l < kLines; ++l) {
        std::string r(2, '\0');
        for (int c = 0; c < kCols; ++c)
            if (on(l, c)) r[c / 8] = static_cast<char>(r[c / 8] | (0x80 >> (c % 8)));
        rows.push_back(padded(r));
    }
    return rows;
}
std::vector<std::string> rows_rle8() {
    std::vector<std::string> rows;
    for (int l = 0; l < kLines; ++l) {
        std::string r;
        for (int c = 0; c < kCols;) {
            int n = 1;
            while (c + n < kCols && on(l, c + n) == on(l, c)) ++n;
            r += static_cast<char>(n);
            r += static_cast<char>(on(l, c) ? 1 : 0);
            c += n;
        }
        r += std::string("\0\0", 2);              // end of line
        if (l == 0) r += std::string("\0\1", 2);  // end of picture, after the bottom line
        rows.push_back(r);
    }
    return rows;
}
std::vector<std::string> rows_colour(int bytes) {
    std::vector<std::string> rows;
    for (int l = 0; l < kLines; ++l) {
        std::string r;
        for (int c = 0; c < kCols; ++c) r.append(bytes, on(l, c) ? '\0' : '\xff');
        rows.push_back(padded(r));
    }
    return rows;
}

NetworkSelector by_value(double v) {
    NetworkSelector s;
    s.value = v;
    return s;
}
NetworkSelector by_colour(unsigned char r, unsigned char g, unsigned char b) {
    NetworkSelector s;
    s.kind = NetworkSelector::Kind::colour;
    s.red = r, s.green = g, s.blue = b;
    return s;
}

}  // namespace

TEST(GisReadNetwork, EveryInputKindGivesTheSameGridAndItsGeoreference) {
    TempDir dir;
    const double utm_gt[6] = {500000.0, 30.0, 0.0, 4000020.0, 0.0, -30.0};
    const double deg_gt[6] = {2.0, 0.001, 0.0, 45.0, 0.0, -0.001};
    make_raster(dir / "utm.tif", "GTiff", GDT_Byte, 1, 0, utm_gt, 32631);
    make_raster(dir / "degrees.tif", "GTiff", GDT_Float32, 2.5, -1, deg_gt, 4326);
    make_raster(dir / "envi.img", "ENVI", GDT_Int16, 7, -1, utm_gt, 32631);
    GDALColorTableH white_first = GDALCreateColorTable(GPI_RGB);
    const GDALColorEntry white = {255, 255, 255, 255}, black = {0, 0, 0, 255};
    GDALSetColorEntry(white_first, 0, &white);
    GDALSetColorEntry(white_first, 1, &black);
    make_raster(dir / "palette.png", "PNG", GDT_Byte, 1, 0, nullptr, 0, white_first);
    GDALDestroyColorTable(white_first);
    std::string asc =
        "ncols 9\nnrows 7\nxllcorner 500000\nyllcorner 3999810\ncellsize 30\n"
        "NODATA_value -9999\n";
    for (int l = 0; l < kLines; ++l) {
        for (int c = 0; c < kCols; ++c) asc += on(l, c) ? "3 " : "0 ";
        asc += "\n";
    }
    write_file(dir / "grid.asc", asc);
    const std::vector<std::uint32_t> two = {0xffffff, 0x000000};  // a short palette
    write_file(dir / "short.bmp", bmp(40, 8, 0, two, rows_8bit()));
    write_file(dir / "onebit.bmp", bmp(40, 1, 0, two, rows_1bit()));
    write_file(dir / "rle8.bmp", bmp(40, 8, 1, two, rows_rle8()));
    write_file(dir / "v5.bmp", bmp(124, 24, 0, {}, rows_colour(3)));
    write_file(dir / "rgb32.bmp", bmp(40, 32, 0, {}, rows_colour(4)));

    const NetworkSelector black_net = by_colour(0, 0, 0);
    const struct {
        const char* name;
        NetworkSelector selector;
    } inputs[] = {
        {"utm.tif", by_value(1)},   {"degrees.tif", by_value(2.5)}, {"envi.img", by_value(7)},
        {"palette.png", black_net}, {"grid.asc", by_value(3)},      {"short.bmp", black_net},
        {"onebit.bmp", black_net},  {"rle8.bmp", black_net},        {"v5.bmp", black_net},
        {"rgb32.bmp", black_net},
    };
    for (const auto& in : inputs) {
        SCOPED_TRACE(in.name);
        NetworkRaster r;
        std::string error;
        ASSERT_TRUE(read_network(dir / in.name, in.selector, 0, r, error)) << error;
        ASSERT_EQ(r.lines, kLines);
        ASSERT_EQ(r.columns, kCols);
        EXPECT_EQ(r.network_pixels, 10);
        for (int l = 0; l < kLines; ++l)
            for (int c = 0; c < kCols; ++c) EXPECT_EQ(r.grid[l][c], on(l, c) ? 0 : 255) << l << c;
    }

    // The georeference comes along: projected in metres, geographic with its ellipsoid, none.
    NetworkRaster r;
    std::string error;
    for (const char* name : {"utm.tif", "grid.asc", "envi.img"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(read_network(dir / name, by_value(name[0] == 'g' ? 3 : 1), 0, r, error));
        ASSERT_TRUE(r.georef.has_geotransform);
        for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(r.georef.geotransform[i], utm_gt[i]);
    }
    ASSERT_TRUE(read_network(dir / "utm.tif", by_value(1), 0, r, error));
    EXPECT_TRUE(r.georef.has_crs && !r.georef.geographic);
    EXPECT_TRUE(same_crs(r.georef.wkt.c_str(), 32631));
    EXPECT_EQ(r.georef.linear_unit_metres, 1.0);
    const MapPoint centre = pixel_centre(r.georef, 0, 0);
    EXPECT_EQ(centre.x, 500015.0);
    EXPECT_EQ(centre.y, 4000005.0);
    ASSERT_TRUE(read_network(dir / "degrees.tif", by_value(2.5), 0, r, error));
    EXPECT_TRUE(r.georef.geographic);
    EXPECT_TRUE(lengths_are_geodesic(r.georef));
    EXPECT_DOUBLE_EQ(r.georef.angular_unit_radians, std::numbers::pi / 180.0);
    EXPECT_DOUBLE_EQ(r.georef.semi_major_m, 6378137.0);
    EXPECT_DOUBLE_EQ(r.georef.inverse_flattening, 298.257223563);
    ASSERT_TRUE(read_network(dir / "short.bmp", black_net, 0, r, error));
    EXPECT_FALSE(r.georef.has_geotransform || r.georef.has_crs);
    EXPECT_EQ(pixel_centre(r.georef, 2, 3).x, 3.5);
    EXPECT_EQ(pixel_centre(r.georef, 2, 3).y, -2.5);
}

TEST(GisReadNetwork, RefusesWhatItCannotReadNamingTheFileAndLeavingNoGrid) {
    TempDir dir;
    make_raster(dir / "complex.tif", "GTiff", GDT_CInt16, 1, 0, nullptr, 0);
    make_raster(dir / "int16.tif", "GTiff", GDT_Int16, 1, 0, nullptr, 0);
    GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
    const GDALColorEntry white = {255, 255, 255, 255}, black = {0, 0, 0, 255};
    GDALSetColorEntry(table, 0, &white);
    GDALSetColorEntry(table, 1, &black);
    make_raster(dir / "palette.png", "PNG", GDT_Byte, 1, 0, nullptr, 0, table);
    GDALDestroyColorTable(table);
    // A compressed GeoTIFF cut short: opens, but its blocks cannot all be read.
    std::vector<unsigned char> big(512 * 512);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<unsigned char>(i * 7919 >> 3);
    {
        const char* opts[] = {"COMPRESS=DEFLATE", "TILED=YES", nullptr};
        Dataset d(GDALCreate(GDALGetDriverByName("GTiff"), (dir / "cut.tif").c_str(), 512, 512, 1,
                             GDT_Byte, const_cast<char**>(opts)));
        ASSERT_EQ(GDALRasterIO(GDALGetRasterBand(d.get(), 1), GF_Write, 0, 0, 512, 512, big.data(),
                               512, 512, GDT_Byte, 0, 0),
                  CE_None);
    }
    const std::string whole = read_file(dir / "cut.tif");
    write_file(dir / "cut.tif", whole.substr(0, whole.size() / 2));

    const struct {
        std::string file;
        NetworkSelector selector;
        int network_value;
        const char* fault;
    } cases[] = {
        {"missing.tif", by_value(1), 0, "cannot be opened"},
        {"complex.tif", by_value(1), 0, "complex"},
        {"int16.tif", by_colour(0, 0, 0), 0, "no palette"},
        {"int16.tif",
         [] {
             auto s = by_value(1);
             s.band = 2;
             return s;
         }(),
         0, "band 2"},
        {"int16.tif", by_value(NAN), 0, "not a finite"},
        {"int16.tif", by_value(1), 255, "background"},
        {"palette.png", by_colour(255, 0, 0), 0, "255,0,0 is not in the palette"},
        {"cut.tif", by_value(1), 0, "cannot be read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file + " " + c.fault);
        NetworkRaster r;
        std::string error;
        EXPECT_FALSE(read_network(dir / c.file, c.selector,
                                  static_cast<unsigned char>(c.network_value), r, error));
        EXPECT_NE(error.find(dir / c.file), std::string::npos) << error;
        EXPECT_NE(error.find(c.fault), std::string::npos) << error;
        EXPECT_FALSE(r.grid);
        EXPECT_EQ(r.lines, 0);
    }
}

TEST(GisOrderGeotiff, GdalReadsBackCellsGeoreferenceNoDataColoursAndOrderNames) {
    TempDir dir;
    const Georef utm = utm_georef();
    ByteGrid grid(ucmatrice(kCols, kLines), kLines);
    for (int l = 0; l < kLines; ++l)
        for (int c = 0; c < kCols; ++c)
            grid[l][c] = on(l, c) ? static_cast<unsigned char>(1 + l % 5) : 255;
    const std::string path = dir / "orders.tif";
    write_file(path, "an older result");
    write_file(dir / "orders.tif.aux.xml", "<PAMDataset/>");  // stale: would override the file
    std::string error;
    ASSERT_TRUE(write_order_geotiff(path, grid, kLines, kCols, 5, utm, error)) << error;
    std::set<std::string> files;
    for (const auto& e : fs::directory_iterator(dir.path)) files.insert(e.path().filename());
    EXPECT_EQ(files, (std::set<std::string>{"orders.tif", "orders.tif.aux.xml"}));

    {
        Dataset d = open_raster(path);
        ASSERT_TRUE(d);
        EXPECT_STREQ(GDALGetDriverShortName(GDALGetDatasetDriver(d.get())), "GTiff");
        GDALRasterBandH band = GDALGetRasterBand(d.get(), 1);
        ASSERT_EQ(GDALGetRasterDataType(band), GDT_Byte);
        std::vector<unsigned char> cells(kLines * kCols);
        ASSERT_EQ(GDALRasterIO(band, GF_Read, 0, 0, kCols, kLines, cells.data(), kCols, kLines,
                               GDT_Byte, 0, 0),
                  CE_None);
        for (int l = 0; l < kLines; ++l)
            for (int c = 0; c < kCols; ++c) EXPECT_EQ(cells[l * kCols + c], grid[l][c]);
        double gt[6];
        ASSERT_EQ(GDALGetGeoTransform(d.get(), gt), CE_None);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(gt[i], utm.geotransform[i]);
        EXPECT_TRUE(same_crs(GDALGetProjectionRef(d.get()), 32631));
        int has_nodata = 0;
        EXPECT_EQ(GDALGetRasterNoDataValue(band, &has_nodata), 255.0);
        EXPECT_TRUE(has_nodata);
        EXPECT_STREQ(GDALGetMetadataItem(d.get(), "COMPRESSION", "IMAGE_STRUCTURE"), "DEFLATE");
        int bx = 0, by = 0;
        GDALGetBlockSize(band, &bx, &by);
        EXPECT_EQ(bx, 256);
        EXPECT_EQ(by, 256);
        GDALColorTableH table = GDALGetRasterColorTable(band);
        ASSERT_NE(table, nullptr);
        char** names = GDALGetRasterCategoryNames(band);
        ASSERT_NE(names, nullptr);
        ASSERT_GE(CSLCount(names), 6);
        for (int order = 1; order <= 5; ++order) {
            const GDALColorEntry* e = GDALGetColorEntry(table, order);
            const OrderColour want = order_colour(order, 5);
            EXPECT_EQ(e->c1, want.red);
            EXPECT_EQ(e->c2, want.green);
            EXPECT_EQ(e->c3, want.blue);
            EXPECT_EQ(std::string(names[order]), "order " + std::to_string(order));
        }
    }
    // Every order present has its own colour, readable on white, the first orders lightest.
    for (int highest : {1, 2, 6, 12, kPaletteOrders}) {
        std::set<std::uint32_t> colours;
        double before = 1e9;
        for (int order = 1; order <= highest; ++order) {
            const OrderColour c = order_colour(order, highest);
            EXPECT_LT(c.red + c.green + c.blue, 3 * 235) << order << " of " << highest;
            const double luminance = 0.299 * c.red + 0.587 * c.green + 0.114 * c.blue;
            EXPECT_LT(luminance, before) << order << " of " << highest;
            before = luminance;
            colours.insert(c.red << 16 | c.green << 8 | c.blue);
        }
        EXPECT_EQ(colours.size(), static_cast<std::size_t>(highest));
    }

    // Overviews down to one tile, where the image is larger than one: each pixel the highest
    // order among the network pixels it covers (an image of 1100 x 1030 with a line along its
    // diagonal and scattered orders, so that blocks are cut at the right and bottom edges).
    const int big_lines = 1100, big_columns = 1030;
    ByteGrid big(ucmatrice(big_columns, big_lines), big_lines);
    for (int l = 0; l < big_lines; ++l)
        for (int c = 0; c < big_columns; ++c)
            big[l][c] = c == l ? 2 : (l * 7 + c * 13) % 23 == 0 ? 1 + (l + c) % 5 : 255;
    ASSERT_TRUE(write_order_geotiff(dir / "big.tif", big, big_lines, big_columns, 5, utm, error))
        << error;
    {
        Dataset d = open_raster(dir / "big.tif");
        GDALRasterBandH band = GDALGetRasterBand(d.get(), 1);
        ASSERT_EQ(GDALGetOverviewCount(band), 3);  // 550, 275 and 138 lines
        for (int k = 0; k < 3; ++k) {
            const int level = 2 << k;
            GDALRasterBandH overview = GDALGetOverview(band, k);
            const int lines = GDALGetRasterBandYSize(overview);
            const int columns = GDALGetRasterBandXSize(overview);
            ASSERT_EQ(lines, (big_lines + level - 1) / level);
            ASSERT_EQ(columns, (big_columns + level - 1) / level);
            std::vector<unsigned char> cells(static_cast<std::size_t>(lines) * columns);
            ASSERT_EQ(GDALRasterIO(overview, GF_Read, 0, 0, columns, lines, cells.data(), columns,
                                   lines, GDT_Byte, 0, 0),
                      CE_None);
            int wrong = 0;
            for (int l = 0; l < lines; ++l)
                for (int c = 0; c < columns; ++c) {
                    int highest = 255;
                    for (int i = l * level; i < std::min(big_lines, (l + 1) * level); ++i)
                        for (int j = c * level; j < std::min(big_columns, (c + 1) * level); ++j)
                            if (big[i][j] != 255 && (highest == 255 || big[i][j] > highest))
                                highest = big[i][j];
                    wrong += cells[static_cast<std::size_t>(l) * columns + c] != highest;
                }
            EXPECT_EQ(wrong, 0) << "level " << level;
        }
    }

    // No geotransform in, none out; a folder that does not exist: refused, nothing made.
    ASSERT_TRUE(write_order_geotiff(dir / "plain.tif", grid, kLines, kCols, 5, Georef(), error));
    double gt[6];
    EXPECT_NE(GDALGetGeoTransform(open_raster(dir / "plain.tif").get(), gt), CE_None);
    const std::string nowhere = dir / "missing/orders.tif";
    EXPECT_FALSE(write_order_geotiff(nowhere, grid, kLines, kCols, 5, utm, error));
    EXPECT_NE(error.find(nowhere), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST(GisSidecars, RawWithEnviHeaderAndBmpWithWorldFileOpenPlacedInGdal) {
    TempDir dir;
    // Degree cells keep all their digits (a cell of 1/1200 degree drifts when rounded).
    const double gt[6] = {-1.5, 1.0 / 1200, 0.0, 45.25, 0.0, -1.0 / 1200};
    Georef geo;
    std::string error;
    ASSERT_TRUE(make_georef(gt, "EPSG:4326", geo, error)) << error;
    ByteGrid grid(ucmatrice(kCols, kLines), kLines);
    std::string raw;
    for (int l = 0; l < kLines; ++l)
        for (int c = 0; c < kCols; ++c) {
            grid[l][c] = on(l, c) ? 2 : 255;
            raw += static_cast<char>(grid[l][c]);
        }
    for (const Georef& g : {geo, utm_georef()}) {
        SCOPED_TRACE(g.geographic ? "degrees" : "metres");
        write_file(dir / "orders.raw", raw);
        ASSERT_TRUE(write_envi_header(dir / "orders.hdr", kLines, kCols, g, error)) << error;
        ASSERT_EQ(SauveBMP((dir / "orders.bmp").c_str(), grid.rows, kCols, kLines, 0, nullptr), 0);
        ASSERT_TRUE(write_world_file(dir / "orders.bpw", g, error)) << error;
        ASSERT_TRUE(write_crs_sidecars(dir / "orders.bmp", g, error)) << error;
        for (const char* name : {"orders.raw", "orders.bmp"}) {
            SCOPED_TRACE(name);
            Dataset d = open_raster(dir / name);
            ASSERT_TRUE(d);
            double back[6];
            ASSERT_EQ(GDALGetGeoTransform(d.get(), back), CE_None);
            for (int i = 0; i < 6; ++i)
                EXPECT_NEAR(back[i], g.geotransform[i],
                            1e-12 * std::fabs(g.geotransform[i]) + 1e-15);
            EXPECT_TRUE(same_crs(GDALGetProjectionRef(d.get()), g.geographic ? 4326 : 32631))
                << GDALGetProjectionRef(d.get());
            std::vector<unsigned char> cells(kLines * kCols);
            ASSERT_EQ(GDALRasterIO(GDALGetRasterBand(d.get(), 1), GF_Read, 0, 0, kCols, kLines,
                                   cells.data(), kCols, kLines, GDT_Byte, 0, 0),
                      CE_None);
            EXPECT_EQ(std::string(cells.begin(), cells.end()), raw);
        }
    }
    // A world file with nothing to say, and a rotated grid ENVI cannot describe: refused.
    EXPECT_FALSE(write_world_file(dir / "none.wld", Georef(), error));
    EXPECT_NE(error.find("none.wld"), std::string::npos);
    const double rotated[6] = {0, 1, 0.5, 0, 0.5, -1};
    Georef turned;
    ASSERT_TRUE(make_georef(rotated, "", turned, error));
    EXPECT_FALSE(write_envi_header(dir / "turned.hdr", kLines, kCols, turned, error));
    EXPECT_FALSE(fs::exists(dir / "none.wld") || fs::exists(dir / "turned.hdr"));
}

TEST(GisSegments, OgrReadsBackFeaturesAttributesGeometryAndCrsInEveryFormat) {
    TempDir dir;
    const Georef utm = utm_georef();
    const std::vector<SegmentRecord> records = {
        {1, 1, 1, 3, 84.85, {{0, 4}, {1, 4}, {2, 3}}, 3, {}},
        {2, 1, 1, 1, 0.0, {{2, 5}}, 3, {}},
        {3, 2, 2, 2, 42.43, {{3, 2}, {4, 1}}, -1, {}},
    };
    std::string error;
    for (const char* name : {"s.gpkg", "s.geojson", "s.shp", "s.csv"}) {
        SCOPED_TRACE(name);
        const std::string path = dir / name;
        ASSERT_TRUE(write_segments(path, records, utm, error, true)) << error;
        GDALDatasetH ds = GDALOpenEx(path.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
        ASSERT_NE(ds, nullptr);
        OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
        ASSERT_EQ(OGR_L_GetFeatureCount(layer, TRUE), 3);
        if (std::string(name) != "s.csv") {
            EXPECT_STREQ(OGR_L_GetName(layer), "s");
            OGRSpatialReferenceH srs = OGR_L_GetSpatialRef(layer);
            char* wkt = nullptr;
            ASSERT_NE(srs, nullptr);
            OSRExportToWkt(srs, &wkt);
            EXPECT_TRUE(same_crs(wkt, 32631)) << wkt;
            CPLFree(wkt);
        }
        OGR_L_ResetReading(layer);
        for (const SegmentRecord& r : records) {
            OGRFeatureH f = OGR_L_GetNextFeature(layer);
            ASSERT_NE(f, nullptr);
            EXPECT_EQ(OGR_F_GetFieldAsInteger(f, OGR_F_GetFieldIndex(f, "id")), r.id);
            EXPECT_EQ(OGR_F_GetFieldAsInteger(f, OGR_F_GetFieldIndex(f, "order")), r.order);
            EXPECT_EQ(OGR_F_GetFieldAsInteger(f, OGR_F_GetFieldIndex(f, "pass")), r.pass);
            EXPECT_EQ(OGR_F_GetFieldAsInteger(f, OGR_F_GetFieldIndex(f, "pixels")), r.pixels);
            EXPECT_DOUBLE_EQ(OGR_F_GetFieldAsDouble(f, OGR_F_GetFieldIndex(f, "length_m")),
                             r.length_m);
            // The outlet flows into nothing: a null field, as its empty cell in the table.
            const int flows = OGR_F_GetFieldIndex(f, "flows_into");
            const bool given = OGR_F_IsFieldSetAndNotNull(f, flows) &&
                               std::string(OGR_F_GetFieldAsString(f, flows)) != "";
            EXPECT_EQ(given, r.flows_into >= 0) << r.id;
            if (r.flows_into >= 0) {
                EXPECT_EQ(OGR_F_GetFieldAsInteger(f, flows), r.flows_into);
            }
            OGRGeometryH g = OGR_F_GetGeometryRef(f);
            ASSERT_NE(g, nullptr);
            EXPECT_EQ(wkbFlatten(OGR_G_GetGeometryType(g)), wkbLineString);
            ASSERT_EQ(OGR_G_GetPointCount(g), std::max<int>(2, r.path.size()));
            for (int i = 0; i < OGR_G_GetPointCount(g); ++i) {
                const auto [l, c] = r.path[std::min<std::size_t>(i, r.path.size() - 1)];
                const MapPoint p = pixel_centre(utm, l, c);
                EXPECT_EQ(OGR_G_GetX(g, i), p.x);
                EXPECT_EQ(OGR_G_GetY(g, i), p.y);
            }
            OGR_F_Destroy(f);
        }
        GDALClose(ds);
    }
    std::set<std::string> files;
    for (const auto& e : fs::directory_iterator(dir.path)) files.insert(e.path().filename());
    EXPECT_EQ(files, (std::set<std::string>{"s.gpkg", "s.geojson", "s.shp", "s.shx", "s.dbf",
                                            "s.prj", "s.csv"}));

    // CSV without geometry: exactly the columns of the report, first and last pixel in place.
    ASSERT_TRUE(write_segments(dir / "plain.csv", records, utm, error)) << error;
    std::istringstream csv(read_file(dir / "plain.csv"));
    std::string header, first;
    std::getline(csv, header);
    std::getline(csv, first);
    EXPECT_EQ(header,
              "id,order,pass,pixels,length_m,first_line,first_column,first_x,first_y,last_line,"
              "last_column,last_x,last_y,flows_into");
    EXPECT_EQ(first, "1,1,1,3,84.85,0,4,500135,4000005,2,3,500105,3999945,3");

    // Refusals leave nothing behind and an older file as it was.
    write_file(dir / "old.gpkg", "older");
    std::vector<SegmentRecord> broken = records;
    broken[1].path.clear();
    EXPECT_FALSE(write_segments(dir / "old.gpkg", broken, utm, error));
    EXPECT_NE(error.find("segment 2 has no pixel"), std::string::npos) << error;
    EXPECT_EQ(read_file(dir / "old.gpkg"), "older");
    EXPECT_FALSE(write_segments(dir / "s.kml", records, utm, error));
    EXPECT_NE(error.find("s.kml"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "s.kml"));
}

TEST(GisLength, GeodesicOnDegreesPlanarInTheCrsUnitAndTheUserSizeOverridesBoth) {
    // A straight diagonal across a 0.001 degree grid near 45 N, against the geodesic between its
    // end points.
    const double deg_gt[6] = {2.0, 0.001, 0.0, 45.3, 0.0, -0.001};
    Georef geo;
    std::string error;
    ASSERT_TRUE(make_georef(deg_gt, "EPSG:4326", geo, error)) << error;
    PixelPath diagonal;
    for (int i = 0; i <= 500; ++i) diagonal.push_back({i, i});
    const LengthRule rule = make_length_rule(geo, 600, 0.0);
    ASSERT_EQ(rule.kind, LengthRule::Kind::geodesic);
    const double walked = path_length_m(rule, diagonal);
    geod_geodesic wgs84;
    geod_init(&wgs84, 6378137.0, 1 / 298.257223563);
    const MapPoint a = pixel_centre(geo, 0, 0), b = pixel_centre(geo, 500, 500);
    double direct = 0;
    geod_inverse(&wgs84, a.y, a.x, b.y, b.x, &direct, nullptr, nullptr);
    EXPECT_NEAR(walked, direct, 0.005 * direct);
    EXPECT_GT(direct, 60000.0);  // metres, not degrees
    // Lines beyond the per-line tables are measured alike.
    EXPECT_NEAR(path_length_m(make_length_rule(geo, 0, 0.0), diagonal), walked, 1e-6 * walked);

    // US survey feet: 10 ft pixels, three steps east and one diagonal.
    const double ft_gt[6] = {1000000.0, 10.0, 0.0, 200000.0, 0.0, -10.0};
    Georef feet;
    ASSERT_TRUE(make_georef(ft_gt, "EPSG:2263", feet, error)) << error;
    const PixelPath walk = {{5, 5}, {5, 6}, {5, 7}, {5, 8}, {6, 9}};
    const double us_foot = 1200.0 / 3937.0;
    EXPECT_NEAR(path_length_m(make_length_rule(feet, 10, 0.0), walk),
                (30.0 + 10.0 * std::sqrt(2.0)) * us_foot, 1e-9);
    EXPECT_NEAR(path_length_m(make_length_rule(feet, 10, 2.0), walk), 2.0 * (3 + std::sqrt(2.0)),
                1e-12);
    EXPECT_NEAR(path_length_m(make_length_rule(geo, 10, 2.0), walk), 2.0 * (3 + std::sqrt(2.0)),
                1e-12);
    EXPECT_EQ(path_length_m(rule, {{3, 3}}), 0.0);
}

TEST(GisHorton, RatiosOfAHandExampleAndTheirSvgPlot) {
    // Counts 27, 9, 3, 1 and mean lengths 100, 200, 400, 800 m: ratios 3 and 2.
    const HortonFigures h = horton_figures(
        {{3, 3, 1200.0}, {1, 27, 2700.0}, {2, 9, 1800.0}, {4, 1, 800.0}, {5, 0, 0.0}});
    ASSERT_TRUE(h.count.fitted && h.mean_length.fitted);
    EXPECT_NEAR(h.bifurcation_ratio, 3.0, 1e-12);
    EXPECT_NEAR(h.length_ratio, 2.0, 1e-12);
    EXPECT_EQ(h.count.order, (std::vector<double>{1, 2, 3, 4}));
    EXPECT_NEAR(h.count.intercept, std::log10(81.0), 1e-12);
    const HortonFigures single = horton_figures({{1, 5, 10.0}});
    EXPECT_FALSE(single.count.fitted);
    EXPECT_EQ(single.bifurcation_ratio, 0.0);

    TempDir dir;
    std::string error;
    ASSERT_TRUE(write_horton_svg(dir / "horton.svg", h, error)) << error;
    const std::string svg = read_file(dir / "horton.svg");
    CPLXMLNode* root = CPLParseXMLString(svg.c_str());
    ASSERT_NE(root, nullptr) << svg;
    CPLDestroyXMLNode(root);
    EXPECT_NE(svg.find("Bifurcation ratio = 3.000"), std::string::npos);
    EXPECT_NE(svg.find("Length ratio = 2.000"), std::string::npos);
    EXPECT_NE(horton_svg_text(single).find("Bifurcation ratio : no line"), std::string::npos);
}
