// Stream rasters as a GIS holds them, run through the command line: the network chosen without
// --value in every band type and NoData kind, NoData that clips a basin read as outside the
// image, a tile whose streams cross its border, and the background refused as a network.
#include <gdal.h>
#include <gtest/gtest.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/gdal_checks.h"
#include "tests/test_support.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSide = 512;  // the sample's lines and columns
constexpr double kPixel = 25.0;

struct Grid {
    int lines = 0;
    int columns = 0;
    std::vector<double> cells;  // line by line, line 0 the top line
    double& at(int l, int c) { return cells[static_cast<std::size_t>(l) * columns + c]; }
};

// The bundled sample placed on the map: 0 on 255.
Grid sample() {
    Grid g{kSide, kSide, std::vector<double>(static_cast<std::size_t>(kSide) * kSide)};
    const Dataset d =
        open_raster(std::string(BRANCHRANKER_SOURCE_DIR) + "/images/Sample/sample.tif");
    EXPECT_TRUE(d);
    if (!d) return g;
    EXPECT_EQ(GDALRasterIO(GDALGetRasterBand(d.get(), 1), GF_Read, 0, 0, kSide, kSide,
                           g.cells.data(), kSide, kSide, GDT_Float64, 0, 0),
              CE_None);
    return g;
}

// The grid with `frame` cells of `fill` on every side; its corner moves out by as much.
Grid framed(const Grid& in, int frame, double fill) {
    Grid g{in.lines + 2 * frame, in.columns + 2 * frame, {}};
    g.cells.assign(static_cast<std::size_t>(g.lines) * g.columns, fill);
    for (int l = 0; l < in.lines; ++l)
        for (int c = 0; c < in.columns; ++c)
            g.at(l + frame, c + frame) = in.cells[static_cast<std::size_t>(l) * in.columns + c];
    return g;
}

struct Raster {
    GDALDataType type = GDT_Byte;
    const double* nodata = nullptr;
    const std::vector<unsigned char>* mask = nullptr;  // 0 invalid, per dataset
    int top = 0;   // the sample's line and column of the raster's first cell (negative: a
    int left = 0;  // frame round the sample)
};

// A GeoTIFF in UTM 31N with the sample's 25 m pixels, placed where the sample's cells lie
// (the sample's top left corner at 500000,4012800).
void write_tif(const std::string& path, const Grid& g, const Raster& r) {
    GDALAllRegister();
    Dataset d(GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), g.columns, g.lines, 1, r.type,
                         nullptr));
    ASSERT_TRUE(d) << path;
    const double gt[6] = {500000.0 + r.left * kPixel, kPixel, 0.0,
                          4012800.0 - r.top * kPixel, 0.0,    -kPixel};
    GDALSetGeoTransform(d.get(), const_cast<double*>(gt));
    GDALSetProjection(d.get(),
                      "PROJCS[\"WGS 84 / UTM zone 31N\",GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\","
                      "SPHEROID[\"WGS 84\",6378137,298.257223563]],PRIMEM[\"Greenwich\",0],"
                      "UNIT[\"degree\",0.0174532925199433]],PROJECTION[\"Transverse_Mercator\"],"
                      "PARAMETER[\"latitude_of_origin\",0],PARAMETER[\"central_meridian\",3],"
                      "PARAMETER[\"scale_factor\",0.9996],PARAMETER[\"false_easting\",500000],"
                      "PARAMETER[\"false_northing\",0],UNIT[\"metre\",1]]");
    GDALRasterBandH band = GDALGetRasterBand(d.get(), 1);
    if (r.nodata) GDALSetRasterNoDataValue(band, *r.nodata);
    ASSERT_EQ(
        GDALRasterIO(band, GF_Write, 0, 0, g.columns, g.lines, const_cast<double*>(g.cells.data()),
                     g.columns, g.lines, GDT_Float64, 0, 0),
        CE_None);
    if (r.mask) {
        ASSERT_EQ(GDALCreateDatasetMaskBand(d.get(), GMF_PER_DATASET), CE_None);
        ASSERT_EQ(GDALRasterIO(GDALGetMaskBand(band), GF_Write, 0, 0, g.columns, g.lines,
                               const_cast<unsigned char*>(r.mask->data()), g.columns, g.lines,
                               GDT_Byte, 0, 0),
                  CE_None);
    }
}

// A palette PNG of the grid's cells as indices.
void write_png(const std::string& path, const Grid& g, const std::vector<GDALColorEntry>& palette) {
    GDALAllRegister();
    Dataset mem(
        GDALCreate(GDALGetDriverByName("MEM"), "", g.columns, g.lines, 1, GDT_Byte, nullptr));
    ASSERT_TRUE(mem);
    GDALRasterBandH band = GDALGetRasterBand(mem.get(), 1);
    ASSERT_EQ(
        GDALRasterIO(band, GF_Write, 0, 0, g.columns, g.lines, const_cast<double*>(g.cells.data()),
                     g.columns, g.lines, GDT_Float64, 0, 0),
        CE_None);
    GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
    for (int i = 0; i < static_cast<int>(palette.size()); ++i)
        GDALSetColorEntry(table, i, &palette[static_cast<std::size_t>(i)]);
    GDALSetRasterColorTable(band, table);
    GDALDestroyColorTable(table);
    Dataset out(GDALCreateCopy(GDALGetDriverByName("PNG"), path.c_str(), mem.get(), FALSE, nullptr,
                               nullptr, nullptr));
    ASSERT_TRUE(out) << path;
}

// The report's figures: its lines but those that name files or the network's grey value (a
// stream raster's network is 1, the sample's 0).
std::string figures(const std::string& report) {
    std::istringstream in(report);
    std::string line, kept;
    while (std::getline(in, line)) {
        if (line.find("File") != std::string::npos || line.find("image") != std::string::npos ||
            line.find("resulting") != std::string::npos ||
            line.find("Gray tone") != std::string::npos)
            continue;
        kept += line + "\n";
    }
    return kept;
}

// The orders of the order GeoTIFF's window [line, line + lines) x [column, column + columns).
std::vector<unsigned char> orders(const std::string& path, int line, int column, int lines,
                                  int columns) {
    const Dataset d = open_raster(path);
    std::vector<unsigned char> cells(static_cast<std::size_t>(lines) * columns, 0);
    EXPECT_TRUE(d) << path;
    if (!d) return cells;
    EXPECT_EQ(GDALRasterIO(GDALGetRasterBand(d.get(), 1), GF_Read, column, line, columns, lines,
                           cells.data(), columns, lines, GDT_Byte, 0, 0),
              CE_None);
    return cells;
}

nlohmann::json unsound_of(const std::string& summary_path) {
    return nlohmann::json::parse(read_file(summary_path))["networks"][0]["unsound"];
}

}  // namespace

// Without --value every stream raster a GIS makes gives the sample's network: streams 1 on 0,
// on NoData 0, on NoData -9999, stream ids (more than 253 of them) on 0, 1.0 on NaN, a Float64
// band whose mask hides a frame of stray values, and a palette PNG whose index 0 is white. The
// sample framed by NoData (its outlet beside NoData, not on the image border; one cell, and 40
// cells around it) orders as the sample: NoData that clips the network is outside the image.
TEST(CommandLineStreamRasters, EveryStreamRasterGivesTheSampleNetwork) {
    TempDir dir;
    const Grid drawing = sample();
    Grid ones = drawing;  // 1 on 0
    Grid ids = drawing;   // one id per stretch of stream, on 0
    Grid nan = drawing;   // 1.0 on NaN
    for (int l = 0; l < kSide; ++l) {
        for (int c = 0; c < kSide; ++c) {
            const bool stream = drawing.cells[static_cast<std::size_t>(l) * kSide + c] == 0;
            ones.at(l, c) = stream ? 1 : 0;
            ids.at(l, c) = stream ? 1000 + (l / 16) * 32 + c / 16 : 0;
            nan.at(l, c) = stream ? 1.0 : std::numeric_limits<double>::quiet_NaN();
        }
    }
    const double zero = 0, minus = -9999, hundred = 100;
    write_tif(dir / "ref.tif", drawing, {});
    write_tif(dir / "byte10.tif", ones, {});
    write_tif(dir / "byte1_nodata0.tif", ones, {GDT_Byte, &zero});
    Grid minus_bg = ones;
    for (double& v : minus_bg.cells) v = v == 1 ? 1 : minus;
    write_tif(dir / "int16_nodata.tif", minus_bg, {GDT_Int16, &minus});
    write_tif(dir / "uint16_ids.tif", ids, {GDT_UInt16});
    write_tif(dir / "float32_nan.tif", nan, {GDT_Float32});
    // Stray values of 7 in a frame of three cells, hidden by the mask: outside the image.
    const Grid masked = framed(ones, 3, 7);
    std::vector<unsigned char> mask(masked.cells.size(), 255);
    for (int l = 0; l < masked.lines; ++l)
        for (int c = 0; c < masked.columns; ++c)
            if (l < 3 || c < 3 || l >= masked.lines - 3 || c >= masked.columns - 3)
                mask[static_cast<std::size_t>(l) * masked.columns + c] = 0;
    write_tif(dir / "float64_mask.tif", masked, {GDT_Float64, nullptr, &mask, -3, -3});
    write_png(dir / "palette.png", ones, {{255, 255, 255, 255}, {0, 0, 255, 255}});
    write_tif(dir / "int16_framed1.tif", framed(ones, 1, minus),
              {GDT_Int16, &minus, nullptr, -1, -1});
    write_tif(dir / "byte_framed40.tif", framed(drawing, 40, hundred),
              {GDT_Byte, &hundred, nullptr, -40, -40});

    const ProgramResult ref = run_program_with(dir.path, {"order", "ref.tif"});
    ASSERT_EQ(ref.exit_status, 0) << ref.errors;
    ASSERT_NE(ref.output.find("highest order 6, 292 segments, total length 337208.425909 m"),
              std::string::npos)
        << ref.output;
    const std::string ref_figures = figures(read_file(dir / "ref_strahler_info.txt"));
    const std::vector<unsigned char> ref_orders =
        orders(dir / "ref_strahler.tif", 0, 0, kSide, kSide);

    const struct {
        const char* name;
        int frame;
    } inputs[] = {{"byte10.tif", 0},     {"byte1_nodata0.tif", 0}, {"int16_nodata.tif", 0},
                  {"uint16_ids.tif", 0}, {"float32_nan.tif", 0},   {"float64_mask.tif", 3},
                  {"palette.png", 0},    {"int16_framed1.tif", 1}, {"byte_framed40.tif", 40}};
    for (const auto& in : inputs) {
        SCOPED_TRACE(in.name);
        const std::string stem = fs::path(in.name).stem().string();
        std::vector<std::string> args = {"order", in.name, "--summary", stem + ".json"};
        if (std::string(in.name) == "palette.png") args.insert(args.end(), {"--pixel-size", "25"});
        const ProgramResult r = run_program_with(dir.path, args);
        ASSERT_EQ(r.exit_status, 0) << r.errors;
        EXPECT_EQ(r.errors, "");
        EXPECT_NE(r.output.find("highest order 6, 292 segments, total length 337208.425909 m"),
                  std::string::npos)
            << r.output;
        EXPECT_TRUE(figures(read_file(dir / (stem + "_strahler_info.txt"))) == ref_figures);
        EXPECT_TRUE(orders(dir / (stem + "_strahler.tif"), in.frame, in.frame, kSide, kSide) ==
                    ref_orders);
        const nlohmann::json unsound = unsound_of(dir / (stem + ".json"));
        EXPECT_EQ(unsound["between_contacts"], 0);
        EXPECT_EQ(unsound["borderless_parts"], 0);
    }
}

// What cannot be a network is refused by name with the values found and their cells: the
// background asked for (status 1), a value no cell has, the background taken by the rule when
// no value stands out (two halves), NoData only; a value that is no number, or a raw grey value
// beyond 0 to 254, is a usage error (status 2). Nothing is written.
TEST(CommandLineStreamRasters, TheBackgroundIsRefusedAsANetwork) {
    TempDir dir;
    const Grid drawing = sample();
    write_tif(dir / "ref.tif", drawing, {});
    Grid halves = drawing;
    for (int l = 0; l < kSide; ++l)
        for (int c = 0; c < kSide; ++c)
            if (halves.at(l, c) != 0) halves.at(l, c) = c < kSide / 2 ? 10 : 20;
    write_tif(dir / "halves.tif", halves, {});
    const double nine = 9;
    Grid none = drawing;
    for (double& v : none.cells) v = nine;
    write_tif(dir / "nodata.tif", none, {GDT_Int16, &nine});
    write_tif(dir / "uniform.tif", none, {GDT_Int16});
    ASSERT_TRUE(fs::copy_file(std::string(BRANCHRANKER_SOURCE_DIR) + "/images/Sample/sample.raw",
                              dir / "s.raw"));
    ASSERT_TRUE(fs::copy_file(std::string(BRANCHRANKER_SOURCE_DIR) + "/images/Sample/sample.txt",
                              dir / "s.txt"));
    struct Case {
        std::vector<std::string> args;
        int status;
        std::vector<std::string> said;
    };
    for (const Case& c : std::vector<Case>{
             {{"ref.tif", "--value", "255"},
              1,
              {"ref.tif: the network (value 255) would cover", "more than half",
               "255 (251663 cells), 0 (10481 cells)", "--value N"}},
             {{"ref.tif", "--value", "-1.5"}, 1, {"no pixel has value -1.5 (the band holds 255 ("}},
             {{"halves.tif"}, 1, {"would cover", "10 (", "20 (", "--value N"}},
             {{"nodata.tif"}, 1, {"every cell is NoData (262144 cells)"}},
             {{"uniform.tif"}, 1, {"every cell holds 9 (262144 cells)", "--value N"}},
             {{"ref.tif", "--value", "one"}, 2, {"--value"}},
             {{"s.raw", "--value", "1.5"}, 2, {"s.raw: --value of a raw image is a grey value"}},
         }) {
        std::vector<std::string> args = {"order"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ProgramResult r = run_program_with(dir.path, args);
        EXPECT_EQ(r.exit_status, c.status) << c.args[0] << "\n" << r.errors;
        for (const std::string& text : c.said)
            EXPECT_NE(r.errors.find(text), std::string::npos) << text << "\n" << r.errors;
    }
    for (const auto& e : fs::directory_iterator(dir.path))
        EXPECT_EQ(e.path().string().find("_strahler"), std::string::npos) << e.path();
    // A value of any size and sign is a network of its own.
    Grid big = drawing;
    for (double& v : big.cells) v = v == 0 ? -70000.25 : 3000000000.0;
    write_tif(dir / "big.tif", big, {GDT_Float64});
    const ProgramResult r =
        run_program_with(dir.path, {"order", "big.tif", "--value", "-70000.25"});
    EXPECT_EQ(r.exit_status, 0) << r.errors;
    EXPECT_NE(r.output.find("highest order 6, 292 segments"), std::string::npos) << r.output;
}

// A 300 x 300 tile of the sample: streams enter and leave it. Every network pixel is ordered
// (or counted in the summary's unsound), the contacts of a part but its outlet read as inflows.
// With the tile's true outlet named (--outlet), a pixel whose upstream lies wholly inside the
// tile has the order of the whole network's run; with the outlet of every part named (a point
// file in longitude and latitude), every other order is a lower bound of the whole network's,
// and the tile framed by NoData orders the same. An outlet on no network pixel of the border is
// a usage error that writes nothing.
TEST(CommandLineStreamRasters, ATileOrdersEveryPixelFromItsOutlet) {
    TempDir dir;
    const Grid drawing = sample();
    Grid ones = drawing;
    for (double& v : ones.cells) v = v == 0 ? 1 : 0;
    constexpr int kFirst = 150, kTile = 300;
    Grid tile{kTile, kTile, std::vector<double>(static_cast<std::size_t>(kTile) * kTile)};
    long long network = 0;
    for (int l = 0; l < kTile; ++l) {
        for (int c = 0; c < kTile; ++c) {
            tile.at(l, c) = ones.at(l + kFirst, c + kFirst);
            network += tile.at(l, c) == 1;
        }
    }
    write_tif(dir / "full.tif", ones, {});
    write_tif(dir / "tile.tif", tile, {GDT_Byte, nullptr, nullptr, kFirst, kFirst});
    ASSERT_EQ(run_program_with(dir.path, {"order", "full.tif", "--segments", "full.csv", "--quiet"})
                  .exit_status,
              0);

    // The whole network's segments: pixels through their map coordinates, and where each flows.
    std::istringstream csv(read_file(dir / "full.csv"));
    std::string line;
    std::getline(csv, line);
    const std::vector<std::string> header = csv_fields(line);
    auto column = [&](const char* name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) -
                                        header.begin());
    };
    std::map<int, std::vector<std::pair<int, int>>> pixels;
    std::map<int, int> flows_into;
    std::map<int, int> order_of;
    while (std::getline(csv, line)) {
        const std::vector<std::string> f = csv_fields(line);
        const int id = std::stoi(f[column("id")]);
        flows_into[id] = f[column("flows_into")].empty() ? -1 : std::stoi(f[column("flows_into")]);
        order_of[id] = std::stoi(f[column("order")]);
        std::string points = f[column("geometry")];
        points = points.substr(points.find('(') + 1);
        std::istringstream in(points);
        double x = 0, y = 0;
        char sep = 0;
        while (in >> x >> y) {
            pixels[id].push_back({static_cast<int>(std::floor((4012800.0 - y) / kPixel)),
                                  static_cast<int>(std::floor((x - 500000.0) / kPixel))});
            in >> sep;
        }
    }
    auto in_tile = [&](std::pair<int, int> p) {
        return p.first >= kFirst && p.second >= kFirst && p.first < kFirst + kTile &&
               p.second < kFirst + kTile;
    };
    // Where the streams leave the tile (walks run downstream): the last pixel in the tile of
    // each; one a part, as the whole network is a tree. The tile's outlet is that of the
    // highest order.
    std::vector<std::pair<int, int>> exits;
    std::pair<int, int> outlet{-1, -1};
    int outlet_order = 0;
    for (const auto& [id, path] : pixels) {
        for (std::size_t k = 0; k + 1 < path.size(); ++k) {
            if (!in_tile(path[k]) || in_tile(path[k + 1])) continue;
            exits.push_back(path[k]);
            if (order_of[id] > outlet_order) {
                outlet = path[k];
                outlet_order = order_of[id];
            }
        }
    }
    ASSERT_GE(outlet_order, 3);
    auto map_x = [&](std::pair<int, int> p) { return 500000.0 + (p.second + 0.5) * kPixel; };
    auto map_y = [&](std::pair<int, int> p) { return 4012800.0 - (p.first + 0.5) * kPixel; };
    char outlet_text[64];
    std::snprintf(outlet_text, sizeof outlet_text, "%.3f,%.3f", map_x(outlet), map_y(outlet));

    // Every exit in longitude and latitude, in a GeoJSON file: the first as a point, the others
    // as one multipoint.
    OGRSpatialReferenceH utm = OSRNewSpatialReference(nullptr);
    OGRSpatialReferenceH wgs = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(utm, 32631);
    OSRImportFromEPSG(wgs, 4326);
    OSRSetAxisMappingStrategy(utm, OAMS_TRADITIONAL_GIS_ORDER);
    OSRSetAxisMappingStrategy(wgs, OAMS_TRADITIONAL_GIS_ORDER);
    OGRCoordinateTransformationH to_wgs = OCTNewCoordinateTransformation(utm, wgs);
    ASSERT_TRUE(to_wgs);
    std::string multipoint;
    std::string first_point;
    for (const std::pair<int, int>& e : exits) {
        double lon = map_x(e), lat = map_y(e);
        ASSERT_TRUE(OCTTransform(to_wgs, 1, &lon, &lat, nullptr));
        char point[80];
        std::snprintf(point, sizeof point, "[%.12f, %.12f]", lon, lat);
        if (first_point.empty())
            first_point = point;
        else
            multipoint += (multipoint.empty() ? "" : ", ") + std::string(point);
    }
    OCTDestroyCoordinateTransformation(to_wgs);
    OSRDestroySpatialReference(utm);
    OSRDestroySpatialReference(wgs);
    ASSERT_GE(exits.size(), 3u);
    write_file(dir / "exits.geojson",
               "{\"type\": \"FeatureCollection\", \"features\": [{\"type\": \"Feature\","
               " \"properties\": {}, \"geometry\": {\"type\": \"Point\", \"coordinates\": " +
                   first_point +
                   "}}, {\"type\": \"Feature\", \"properties\": {}, \"geometry\": {\"type\":"
                   " \"MultiPoint\", \"coordinates\": [" +
                   multipoint + "]}}]}\n");

    const std::vector<unsigned char> full_orders =
        orders(dir / "full_strahler.tif", 0, 0, kSide, kSide);
    // A segment qualifies when it and every segment upstream of it lie in the tile.
    std::map<int, bool> wholly;
    for (const auto& [id, path] : pixels)
        wholly[id] = std::all_of(path.begin(), path.end(), in_tile);
    for (const auto& [id, to] : flows_into) {
        if (wholly[id]) continue;
        for (int down = to; down >= 0; down = flows_into[down]) wholly[down] = false;
    }
    struct Case {
        std::vector<std::string> outlet;  // the options that name it, or none
        std::string stem;
    };
    const std::vector<Case> cases = {{{}, "rule"},
                                     {{"--outlet", outlet_text}, "named"},
                                     {{"--outlet-file", "exits.geojson"}, "file"},
                                     {{"--outlet", outlet_text, "--flow-grid"}, "flow"}};
    std::vector<unsigned char> file_orders;
    for (const Case& c : cases) {
        std::vector<std::string> args = {"order",      "tile.tif",  "--output",
                                         c.stem + "/", "--summary", c.stem + ".json"};
        args.insert(args.end(), c.outlet.begin(), c.outlet.end());
        const ProgramResult r = run_program_with(dir.path, args);
        ASSERT_EQ(r.exit_status, 0) << c.stem << r.errors;
        const nlohmann::json unsound = unsound_of(dir / (c.stem + ".json"));
        const long long between = unsound["between_contacts"];
        const int inflows = unsound["inflows"];
        const long long inflow_pixels = unsound["inflow_pixels"];
        EXPECT_GT(inflows, 0) << c.stem;
        EXPECT_GT(inflow_pixels, 0) << c.stem;
        EXPECT_NE(r.errors.find("read as sources (inflows): " + std::to_string(inflows)),
                  std::string::npos)
            << r.errors;
        EXPECT_NE(read_file(dir / (c.stem + "/tile_strahler_info.txt")).find("Not ordered soundly"),
                  std::string::npos);
        const std::vector<unsigned char> tile_orders =
            orders(dir / (c.stem + "/tile_strahler.tif"), 0, 0, kTile, kTile);
        long long ordered = 0;
        for (unsigned char o : tile_orders) ordered += o != 255;
        EXPECT_EQ(ordered + between, network) << c.stem;
        EXPECT_EQ(between, 0) << c.stem;
        if (c.outlet.empty()) continue;
        int checked = 0;
        for (const auto& [id, path] : pixels) {
            if (!wholly[id]) continue;
            // Its last pixel is the junction it stops on, whose order is the stream below's.
            for (std::size_t k = 0; k + 1 < path.size(); ++k) {
                const auto [l, col] = path[k];
                EXPECT_EQ(tile_orders[static_cast<std::size_t>(l - kFirst) * kTile + col - kFirst],
                          full_orders[static_cast<std::size_t>(l) * kSide + col])
                    << c.stem << " " << id << " " << l << "," << col;
                ++checked;
            }
        }
        EXPECT_GT(checked, 500);
        // With the outlet of every part named, every other order is a lower bound: what flows
        // in through an inflow is not known.
        if (c.stem != "file") continue;
        int above = 0;
        for (int l = 0; l < kTile; ++l) {
            for (int col = 0; col < kTile; ++col) {
                const unsigned char t = tile_orders[static_cast<std::size_t>(l) * kTile + col];
                const unsigned char f =
                    full_orders[static_cast<std::size_t>(l + kFirst) * kSide + col + kFirst];
                above += t != 255 && t > f;
            }
        }
        EXPECT_EQ(above, 0) << c.stem;
        file_orders = tile_orders;
    }
    // The tile in a frame of NoData, its contacts beside NoData instead of on the image border:
    // the same outlets give the same orders.
    const double nodata = -9999;
    write_tif(dir / "framed.tif", framed(tile, 5, nodata),
              {GDT_Int16, &nodata, nullptr, kFirst - 5, kFirst - 5});
    ASSERT_EQ(run_program_with(dir.path,
                               {"order", "framed.tif", "--outlet-file", "exits.geojson", "--quiet"})
                  .exit_status,
              0);
    EXPECT_EQ(orders(dir / "framed_strahler.tif", 5, 5, kTile, kTile), file_orders);

    // Outlets that are none: two lines inside the tile's top edge, and off the image. Usage
    // errors, and not a file is written.
    const std::string middle = std::to_string(500000.0 + (kFirst + 150.5) * kPixel) + "," +
                               std::to_string(4012800.0 - (kFirst + 2.5) * kPixel);
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--outlet", middle}, {"--outlet", "0,0"}}) {
        std::vector<std::string> args = {"order",    "tile.tif",   "--summary",
                                         "bad.json", "--segments", "bad.gpkg"};
        args.insert(args.end(), bad.begin(), bad.end());
        const ProgramResult r = run_program_with(dir.path, args);
        EXPECT_EQ(r.exit_status, 2) << bad[1] << r.errors;
        EXPECT_NE(r.errors.find("touches no network pixel on the image border"), std::string::npos)
            << r.errors;
        EXPECT_FALSE(fs::exists(dir / "bad.json"));
        EXPECT_FALSE(fs::exists(dir / "bad.gpkg"));
        for (const auto& entry : fs::directory_iterator(dir.path))
            EXPECT_EQ(entry.path().filename().string().rfind("tile_", 0), std::string::npos)
                << entry.path();
    }
}
