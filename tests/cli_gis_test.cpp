// The command line with GIS files, run as a program: what it writes is read back with GDAL/OGR
// itself, every input kind must give the orders of the raw reader, lengths on a grid in degrees
// are geodesic metres, and a network without its pixels is refused.
#include <cpl_conv.h>
#include <gdal.h>
#include <geodesic.h>
#include <gtest/gtest.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "formats/gis/order_palette.h"
#include "tests/gdal_checks.h"
#include "tests/test_support.h"
#include "tools/network_generator.h"

namespace fs = std::filesystem;

namespace {

// One byte band of the network's cells, written with GDAL: GeoTIFF or PNG (made in memory
// first, as PNG is written by copy). A palette, when given, goes with the band.
void write_raster(const std::string& path, const char* driver, int lines, int columns,
                  const std::vector<unsigned char>& cells, const double* gt, int epsg,
                  const std::vector<GDALColorEntry>& palette = {}) {
    GDALAllRegister();
    Dataset mem(GDALCreate(GDALGetDriverByName("MEM"), "", columns, lines, 1, GDT_Byte, nullptr));
    ASSERT_TRUE(mem);
    GDALRasterBandH band = GDALGetRasterBand(mem.get(), 1);
    ASSERT_EQ(
        GDALRasterIO(band, GF_Write, 0, 0, columns, lines, const_cast<unsigned char*>(cells.data()),
                     columns, lines, GDT_Byte, 0, 0),
        CE_None);
    if (gt != nullptr) GDALSetGeoTransform(mem.get(), const_cast<double*>(gt));
    if (epsg != 0) {
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        OSRImportFromEPSG(srs, epsg);
        GDALSetSpatialRef(mem.get(), srs);
        OSRDestroySpatialReference(srs);
    }
    if (!palette.empty()) {
        GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
        for (int i = 0; i < static_cast<int>(palette.size()); ++i)
            GDALSetColorEntry(table, i, &palette[static_cast<std::size_t>(i)]);
        GDALSetRasterColorTable(band, table);
        GDALDestroyColorTable(table);
    }
    Dataset out(GDALCreateCopy(GDALGetDriverByName(driver), path.c_str(), mem.get(), FALSE, nullptr,
                               nullptr, nullptr));
    ASSERT_TRUE(out) << path;
}

std::vector<unsigned char> read_band(const std::string& path, int& lines, int& columns) {
    Dataset d = open_raster(path);
    if (!d) return {};
    lines = GDALGetRasterYSize(d.get());
    columns = GDALGetRasterXSize(d.get());
    std::vector<unsigned char> cells(static_cast<std::size_t>(lines) * columns);
    if (GDALRasterIO(GDALGetRasterBand(d.get(), 1), GF_Read, 0, 0, columns, lines, cells.data(),
                     columns, lines, GDT_Byte, 0, 0) != CE_None)
        return {};
    return cells;
}

// The lines of a report that hold figures: the segments, the totals, the block of what could
// not be ordered; not the lines that name files.
std::string report_figures(const std::string& report) {
    std::istringstream in(report);
    std::string line, figures;
    while (std::getline(in, line)) {
        if (line.find("File") != std::string::npos || line.find("image") != std::string::npos ||
            line.find("resulting") != std::string::npos)
            continue;
        figures += line + "\n";
    }
    return figures;
}

NetworkOptions tree(std::uint64_t seed) {
    NetworkOptions o;
    o.nb_lig = 61;
    o.nb_col = 47;
    o.seed = seed;
    o.cell = 3;
    o.share = 0.12;
    return o;
}

}  // namespace

// A GeoTIFF network in UTM with 25 m pixels: the order GeoTIFF holds the orders of the same
// network read raw, the input's geotransform and system, NoData 255 and one colour per order;
// the GeoPackage holds one line per row of the raw run's table (same order, pixels, length,
// ends on the map and downstream id) through pixels of its order; the summary's Horton figures
// are the least-squares fits of its own counts and means, and the SVG names their ratios.
TEST(CommandLineGis, GeoTiffResultsReadBackWithGdal) {
    TempDir dir;
    const Network net = generate_network(tree(21));
    const double gt[6] = {500000.0, 25.0, 0.0, 4001525.0, 0.0, -25.0};  // lower left 500000,4000000
    write_raster(dir / "n.tif", "GTiff", net.nb_lig, net.nb_col, net.cells, gt, 32631);
    ASSERT_TRUE(write_raw_network(net, dir / "r", 25.0));
    const ProgramResult run =
        run_program_with(dir.path, {"order", "n.tif", "--segments", "n.gpkg", "--summary", "s.json",
                                    "--horton", "h.svg", "--quiet"});
    ASSERT_EQ(run.exit_status, 0) << run.errors;
    const ProgramResult raw = run_program_with(
        dir.path,
        {"order", "r.raw", "--corner", "500000,4000000", "--segments", "r.csv", "--quiet"});
    ASSERT_EQ(raw.exit_status, 0) << raw.errors;
    EXPECT_EQ(report_figures(read_file(dir / "n_strahler_info.txt")),
              report_figures(read_file(dir / "r_strahler_info.txt")));

    // The order raster.
    const Dataset d = open_raster(dir / "n_strahler.tif");
    ASSERT_TRUE(d);
    EXPECT_STREQ(GDALGetDriverShortName(GDALGetDatasetDriver(d.get())), "GTiff");
    double got[6];
    ASSERT_EQ(GDALGetGeoTransform(d.get(), got), CE_None);
    for (int k = 0; k < 6; ++k) EXPECT_DOUBLE_EQ(got[k], gt[k]) << k;
    EXPECT_TRUE(same_crs(GDALGetProjectionRef(d.get()), 32631));
    // The step images are placed on the map as the order image is.
    ASSERT_EQ(run_program_with(dir.path, {"order", "n.tif", "--steps", "--output", "st", "--quiet"})
                  .exit_status,
              0);
    for (const char* step : {"st_points_step1.bmp", "st_segments_step3.bmp"}) {
        const Dataset placed = open_raster(dir / step);
        ASSERT_TRUE(placed) << step;
        double at[6];
        ASSERT_EQ(GDALGetGeoTransform(placed.get(), at), CE_None) << step;
        for (int k = 0; k < 6; ++k) EXPECT_DOUBLE_EQ(at[k], gt[k]) << step;
        EXPECT_TRUE(same_crs(GDALGetProjectionRef(placed.get()), 32631)) << step;
    }
    GDALRasterBandH band = GDALGetRasterBand(d.get(), 1);
    EXPECT_EQ(GDALGetRasterDataType(band), GDT_Byte);
    int has_nodata = 0;
    EXPECT_EQ(GDALGetRasterNoDataValue(band, &has_nodata), 255.0);
    EXPECT_TRUE(has_nodata);
    const char* compression = GDALGetMetadataItem(d.get(), "COMPRESSION", "IMAGE_STRUCTURE");
    EXPECT_STREQ(compression ? compression : "", "DEFLATE");
    GDALColorTableH table = GDALGetRasterColorTable(band);
    ASSERT_NE(table, nullptr);
    int lines = 0, columns = 0;
    const std::vector<unsigned char> orders = read_band(dir / "n_strahler.tif", lines, columns);
    ASSERT_EQ(lines, net.nb_lig);
    ASSERT_EQ(columns, net.nb_col);
    EXPECT_EQ(std::string(orders.begin(), orders.end()), read_file(dir / "r_strahler.raw"));
    const int highest = network_stats(net).highest_order;
    ASSERT_GE(highest, 3);
    for (int k = 1; k <= highest; ++k) {
        const GDALColorEntry* e = GDALGetColorEntry(table, k);
        const OrderColour c = order_colour(k, highest);
        EXPECT_EQ(e->c1, c.red);
        EXPECT_EQ(e->c2, c.green);
        EXPECT_EQ(e->c3, c.blue);
        for (int m = 1; m < k; ++m) {
            const GDALColorEntry* o = GDALGetColorEntry(table, m);
            EXPECT_FALSE(o->c1 == e->c1 && o->c2 == e->c2 && o->c3 == e->c3) << m << " " << k;
        }
    }

    // The lines against the raw run's table.
    std::istringstream csv(read_file(dir / "r.csv"));
    std::string row;
    std::getline(csv, row);
    std::vector<std::vector<std::string>> table_rows;
    while (std::getline(csv, row)) table_rows.push_back(csv_fields(row));
    const Dataset v = open_vector(dir / "n.gpkg");
    ASSERT_TRUE(v);
    OGRLayerH layer = GDALDatasetGetLayer(v.get(), 0);
    ASSERT_EQ(OGR_L_GetFeatureCount(layer, TRUE), static_cast<GIntBig>(table_rows.size()));
    char* layer_wkt = nullptr;
    OSRExportToWkt(OGR_L_GetSpatialRef(layer), &layer_wkt);
    EXPECT_TRUE(same_crs(layer_wkt, 32631));
    CPLFree(layer_wkt);
    OGR_L_ResetReading(layer);
    for (const std::vector<std::string>& f : table_rows) {
        OGRFeatureH feature = OGR_L_GetNextFeature(layer);
        ASSERT_NE(feature, nullptr);
        auto field = [&](const char* name) { return OGR_F_GetFieldIndex(feature, name); };
        EXPECT_EQ(OGR_F_GetFieldAsInteger(feature, field("id")), std::stoi(f[1]));
        const int order = OGR_F_GetFieldAsInteger(feature, field("order"));
        EXPECT_EQ(order, std::stoi(f[2]));
        EXPECT_EQ(OGR_F_GetFieldAsInteger(feature, field("pass")), order);
        EXPECT_EQ(OGR_F_GetFieldAsInteger(feature, field("pixels")), std::stoi(f[5]));
        EXPECT_NEAR(OGR_F_GetFieldAsDouble(feature, field("length_m")), std::stod(f[6]), 1e-6);
        const bool flows = OGR_F_IsFieldSetAndNotNull(feature, field("flows_into")) &&
                           OGR_F_GetFieldAsInteger(feature, field("flows_into")) > 0;
        EXPECT_EQ(
            flows ? std::to_string(OGR_F_GetFieldAsInteger(feature, field("flows_into"))) : "",
            f[15]);
        OGRGeometryH g = OGR_F_GetGeometryRef(feature);
        ASSERT_EQ(wkbFlatten(OGR_G_GetGeometryType(g)), wkbLineString);
        const int points = OGR_G_GetPointCount(g);
        EXPECT_NEAR(OGR_G_GetX(g, 0), std::stod(f[9]), 1e-6);
        EXPECT_NEAR(OGR_G_GetY(g, 0), std::stod(f[10]), 1e-6);
        EXPECT_NEAR(OGR_G_GetX(g, points - 1), std::stod(f[13]), 1e-6);
        EXPECT_NEAR(OGR_G_GetY(g, points - 1), std::stod(f[14]), 1e-6);
        for (int p = 0; p < points; ++p) {  // every vertex is a pixel centre of the segment
            const double c = (OGR_G_GetX(g, p) - gt[0]) / gt[1] - 0.5;
            const double l = (OGR_G_GetY(g, p) - gt[3]) / gt[5] - 0.5;
            ASSERT_NEAR(c, std::round(c), 1e-9);
            ASSERT_NEAR(l, std::round(l), 1e-9);
            const int i = static_cast<int>(std::lround(l));
            const int j = static_cast<int>(std::lround(c));
            // The last pixel, where the segment stops, takes the order of the stream below.
            const int here = orders[static_cast<std::size_t>(i) * net.nb_col + j];
            if (p + 1 < points) {
                EXPECT_EQ(here, order) << i << " " << j;
            } else {
                EXPECT_GE(here, order) << i << " " << j;
            }
        }
        OGR_F_Destroy(feature);
    }

    // The Horton figures: least squares of log10(count) and log10(mean) against the order.
    const nlohmann::json n = nlohmann::json::parse(read_file(dir / "s.json"))["networks"][0];
    double sx = 0, sc = 0, sm = 0, sxx = 0, sxc = 0, sxm = 0, k = 0;
    for (const nlohmann::json& o : n["orders"]) {
        if (o["count"].get<int>() == 0) continue;
        const double x = o["order"].get<double>();
        const double c = std::log10(o["count"].get<double>());
        const double m = std::log10(o["mean_length"].get<double>());
        sx += x, sc += c, sm += m, sxx += x * x, sxc += x * c, sxm += x * m, k += 1;
    }
    const double count_slope = (k * sxc - sx * sc) / (k * sxx - sx * sx);
    const double mean_slope = (k * sxm - sx * sm) / (k * sxx - sx * sx);
    EXPECT_NEAR(n["horton"]["log10_count_slope"].get<double>(), count_slope, 1e-8);
    EXPECT_NEAR(n["horton"]["log10_mean_length_slope"].get<double>(), mean_slope, 1e-8);
    EXPECT_NEAR(n["bifurcation_ratio"].get<double>(), std::pow(10.0, -count_slope), 1e-5);
    EXPECT_NEAR(n["length_ratio"].get<double>(), std::pow(10.0, mean_slope), 1e-5);
    const std::string svg = read_file(dir / "h.svg");
    char ratio[64];
    std::snprintf(ratio, sizeof ratio, "Bifurcation ratio = %.3f", std::pow(10.0, -count_slope));
    EXPECT_NE(svg.find(ratio), std::string::npos) << ratio;

    // The same plot as PNG, drawn from that SVG: 640 x 420 pixels on white,
    // the count series in its blue and the length series in its red.
    const ProgramResult png = run_program_with(
        dir.path, {"order", "n.tif", "--output", "p", "--horton", "h.png", "--quiet"});
    ASSERT_EQ(png.exit_status, 0) << png.errors;
    const Dataset plot = open_raster(dir / "h.png");
    ASSERT_TRUE(plot);
    EXPECT_STREQ(GDALGetDriverShortName(GDALGetDatasetDriver(plot.get())), "PNG");
    ASSERT_EQ(GDALGetRasterXSize(plot.get()), 640);
    ASSERT_EQ(GDALGetRasterYSize(plot.get()), 420);
    ASSERT_GE(GDALGetRasterCount(plot.get()), 3);
    std::vector<unsigned char> rgb(640 * 420 * 3);
    for (int b = 0; b < 3; ++b) {
        ASSERT_EQ(GDALRasterIO(GDALGetRasterBand(plot.get(), b + 1), GF_Read, 0, 0, 640, 420,
                               rgb.data() + b * 640 * 420, 640, 420, GDT_Byte, 0, 0),
                  CE_None);
    }
    auto pixels_of = [&](int r, int g, int b) {
        int n = 0;
        for (int p = 0; p < 640 * 420; ++p)
            n += rgb[p] == r && rgb[640 * 420 + p] == g && rgb[2 * 640 * 420 + p] == b;
        return n;
    };
    EXPECT_GT(pixels_of(255, 255, 255), 640 * 420 / 2);
    EXPECT_GT(pixels_of(0x1f, 0x4f, 0xd1), 100);  // the circles and line of the counts
    EXPECT_GT(pixels_of(0xd1, 0x2a, 0x1f), 100);  // the squares and line of the mean lengths
}

// One network as raw (with its descriptor), ASCII grid, grey BMP, PNG with a palette whose
// index 0 is white (the network chosen by its colour) and GeoTIFF: the same order image and the
// same report figures; a raw result of a GDAL input opens placed through its ENVI header, a BMP
// result through its world file, an ASCII result with its .prj.
TEST(CommandLineGis, EveryInputKindGivesTheSameOrders) {
    TempDir dir;
    const Network net = generate_network(tree(5));
    const double gt[6] = {300000.0, 25.0, 0.0, 5001525.0, 0.0, -25.0};
    ASSERT_TRUE(write_raw_network(net, dir / "raw", 25.0));
    ASSERT_TRUE(write_ascii_network(net, dir / "asc.asc", 25.0, 300000.0, 5000000.0));
    ASSERT_TRUE(write_bmp_network(net, dir / "bmp.bmp"));
    write_raster(dir / "tif.tif", "GTiff", net.nb_lig, net.nb_col, net.cells, gt, 32633);
    // Palette: 0 white (the background), 1 black (unused), 7 the river's blue.
    std::vector<unsigned char> indices(net.cells.size());
    for (std::size_t p = 0; p < indices.size(); ++p) indices[p] = net.cells[p] == 0 ? 7 : 0;
    std::vector<GDALColorEntry> palette(8, GDALColorEntry{0, 0, 0, 255});
    palette[0] = {255, 255, 255, 255};
    palette[7] = {30, 90, 200, 255};
    write_raster(dir / "png.png", "PNG", net.nb_lig, net.nb_col, indices, nullptr, 0, palette);

    struct Kind {
        std::vector<std::string> args;
        std::string base;
    };
    const std::vector<Kind> kinds = {
        {{"raw.raw"}, "raw"},
        {{"asc.asc", "--format", "raw"}, "asc"},
        {{"bmp.bmp", "--pixel-size", "25", "--format", "raw"}, "bmp"},
        {{"png.png", "--colour", "30,90,200", "--pixel-size", "25", "--format", "raw"}, "png"},
        {{"tif.tif", "--format", "raw"}, "tif"},
    };
    for (const Kind& k : kinds) {
        std::vector<std::string> args = {"order"};
        args.insert(args.end(), k.args.begin(), k.args.end());
        const ProgramResult r = run_program_with(dir.path, args);
        ASSERT_EQ(r.exit_status, 0) << k.base << ": " << r.errors;
        EXPECT_EQ(read_file(dir / (k.base + "_strahler.raw")), read_file(dir / "raw_strahler.raw"))
            << k.base;
        EXPECT_EQ(report_figures(read_file(dir / (k.base + "_strahler_info.txt"))),
                  report_figures(read_file(dir / "raw_strahler_info.txt")))
            << k.base;
    }
    // Placed results: the raw one through its ENVI header, the BMP and ASCII ones.
    ASSERT_EQ(run_program_with(dir.path, {"order", "tif.tif", "--format", "bmp", "--output", "b"})
                  .exit_status,
              0);
    ASSERT_EQ(run_program_with(dir.path, {"order", "tif.tif", "--format", "asc", "--output", "a"})
                  .exit_status,
              0);
    for (const char* placed : {"tif_strahler.raw", "b.bmp", "a.asc"}) {
        SCOPED_TRACE(placed);
        const Dataset d = open_raster(dir / std::string(placed));
        ASSERT_TRUE(d);
        double got[6];
        ASSERT_EQ(GDALGetGeoTransform(d.get(), got), CE_None);
        for (int k = 0; k < 6; ++k) EXPECT_NEAR(got[k], gt[k], 1e-6) << k;
        EXPECT_TRUE(same_crs(GDALGetProjectionRef(d.get()), 32633));
        int lines = 0, columns = 0;
        const std::vector<unsigned char> cells =
            read_band(dir / std::string(placed), lines, columns);
        EXPECT_EQ(std::string(cells.begin(), cells.end()), read_file(dir / "raw_strahler.raw"));
    }
}

// A grid in degrees at 60 degrees north (a pixel is twice as tall as it is wide on the ground,
// and its cell size has more digits than six decimals hold): a trunk from the border, a diagonal
// and a straight branch. The network total is the geodesic length of the three drawn lines
// within 0.5 %, and the report, the GeoJSON lines and the summary agree on it; the ASCII result
// keeps the cell size and the system.
TEST(CommandLineGis, DegreeGridMeasuresGeodesicMetres) {
    const int lines = 200, columns = 200;
    std::vector<unsigned char> cells(static_cast<std::size_t>(lines) * columns, 255);
    auto set = [&](int i, int j) { cells[static_cast<std::size_t>(i) * columns + j] = 0; };
    for (int i = 120; i < lines; ++i) set(i, 100);        // trunk to the bottom border
    for (int s = 1; s <= 60; ++s) set(120 - s, 100 - s);  // diagonal up and left
    for (int j = 101; j <= 170; ++j) set(120, j);         // straight to the right
    const double cell = 1.0 / 12000.0;
    const double gt[6] = {10.0, cell, 0.0, 60.0, 0.0, -cell};
    TempDir dir;
    write_raster(dir / "d.tif", "GTiff", lines, columns, cells, gt, 4326);
    const ProgramResult r = run_program_with(
        dir.path, {"order", "d.tif", "--segments", "d.geojson", "--summary", "d.json"});
    ASSERT_EQ(r.exit_status, 0) << r.errors;

    geod_geodesic g;
    geod_init(&g, 6378137.0, 1.0 / 298.257223563);
    auto metres = [&](int i0, int j0, int i1, int j1) {
        double s12 = 0.0;
        geod_inverse(&g, 60.0 - (i0 + 0.5) * cell, 10.0 + (j0 + 0.5) * cell,
                     60.0 - (i1 + 0.5) * cell, 10.0 + (j1 + 0.5) * cell, &s12, nullptr, nullptr);
        return s12;
    };
    const double expected =
        metres(lines - 1, 100, 120, 100) + metres(60, 40, 120, 100) + metres(120, 170, 120, 100);
    const nlohmann::json n = nlohmann::json::parse(read_file(dir / "d.json"))["networks"][0];
    EXPECT_EQ(n["lengths"], "geodesic");
    EXPECT_EQ(n["segments"], 3);
    const double total = n["total_length"].get<double>();
    EXPECT_NEAR(total, expected, 0.005 * expected);
    const std::string report = read_file(dir / "d_strahler_info.txt");
    char line[96];
    std::snprintf(line, sizeof line, "Total drainage network length = %.6f meters", total);
    EXPECT_NE(report.find(line), std::string::npos) << report;

    const Dataset v = open_vector(dir / "d.geojson");
    ASSERT_TRUE(v);
    OGRLayerH layer = GDALDatasetGetLayer(v.get(), 0);
    double sum = 0.0;
    OGR_L_ResetReading(layer);
    while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
        sum += OGR_F_GetFieldAsDouble(f, OGR_F_GetFieldIndex(f, "length_m"));
        OGRGeometryH line_geometry = OGR_F_GetGeometryRef(f);
        EXPECT_NEAR(OGR_G_GetX(line_geometry, 0), 10.0, 0.02);  // degrees, not metres
        OGR_F_Destroy(f);
    }
    EXPECT_NEAR(sum, total, 1e-5);

    ASSERT_EQ(run_program_with(dir.path, {"order", "d.tif", "--format", "asc"}).exit_status, 0);
    const Dataset a = open_raster(dir / "d_strahler.asc");
    ASSERT_TRUE(a);
    double got[6];
    ASSERT_EQ(GDALGetGeoTransform(a.get(), got), CE_None);
    EXPECT_NEAR(got[1], cell, 1e-15);
    EXPECT_NEAR(got[0], 10.0, 1e-12);
    EXPECT_NEAR(got[3], 60.0, 1e-12);
    EXPECT_TRUE(same_crs(GDALGetProjectionRef(a.get()), 4326));
}

// Lengths follow the ground, not the grid: the sample on 25 m pixels in UTM (the engine's
// half-steps), turned a quarter on the map (measured on the map, half-step by half-step) and as
// a grid in degrees at the equator whose pixels are 25 m on the ground (on the ellipsoid) gives
// the same total: to the last digits where the pixels are the same squares, within 0.1 % in
// degrees.
TEST(CommandLineGis, SampleMeasuresTheSameOnEveryGridOfItsGround) {
    const std::string raw =
        read_file(fs::path(BRANCHRANKER_SOURCE_DIR) / "images/Sample/sample.raw");
    ASSERT_EQ(raw.size(), 512u * 512u);
    const std::vector<unsigned char> cells(raw.begin(), raw.end());
    const double utm[6] = {500000.0, 25.0, 0.0, 4400000.0, 0.0, -25.0};
    const double turned[6] = {500000.0, 0.0, 25.0, 4400000.0, 25.0, 0.0};
    const double degrees[6] = {10.0, 25.0 / 111319.49, 0.0, 0.06, 0.0, -25.0 / 110574.27};
    TempDir dir;
    write_raster(dir / "utm.tif", "GTiff", 512, 512, cells, utm, 32631);
    write_raster(dir / "turned.tif", "GTiff", 512, 512, cells, turned, 32631);
    write_raster(dir / "deg.tif", "GTiff", 512, 512, cells, degrees, 4326);
    auto total = [&](const char* name, const char* lengths) {
        const std::string summary = std::string(name) + ".json";
        const ProgramResult r = run_program_with(
            dir.path, {"order", std::string(name) + ".tif", "--summary", summary, "--quiet"});
        EXPECT_EQ(r.exit_status, 0) << r.errors;
        const nlohmann::json n = nlohmann::json::parse(read_file(dir / summary))["networks"][0];
        EXPECT_EQ(n["lengths"], lengths) << name;
        EXPECT_EQ(n["segments"], 292) << name;
        return n["total_length"].get<double>();
    };
    const double on_utm = total("utm", "half-steps");
    EXPECT_NEAR(on_utm, 337208.425909, 1e-5);
    EXPECT_NEAR(total("turned", "planar"), on_utm, 1e-9 * on_utm);
    EXPECT_NEAR(total("deg", "geodesic"), on_utm, 1e-3 * on_utm);
}

// A network with no pixel of its value or colour is refused with status 1, by name, and leaves
// no result; so are a colour the palette lacks and a colour for a raw image (a usage error), and
// a file of lines for several networks.
TEST(CommandLineGis, NetworksWithoutTheirPixelsAreRefused) {
    TempDir dir;
    const Network net = generate_network(tree(9));
    std::vector<unsigned char> ones(net.cells.size());
    for (std::size_t p = 0; p < ones.size(); ++p) ones[p] = net.cells[p] == 0 ? 1 : 255;
    const double gt[6] = {0.0, 10.0, 0.0, 610.0, 0.0, -10.0};
    write_raster(dir / "ones.tif", "GTiff", net.nb_lig, net.nb_col, ones, gt, 32631);
    std::vector<unsigned char> blank(net.cells.size(), 0);  // index 0 only: white
    std::vector<GDALColorEntry> palette = {{255, 255, 255, 255}, {0, 0, 255, 255}};
    write_raster(dir / "blank.png", "PNG", net.nb_lig, net.nb_col, blank, nullptr, 0, palette);
    Network empty = net;
    std::fill(empty.cells.begin(), empty.cells.end(), 255);
    ASSERT_TRUE(write_raw_network(empty, dir / "empty", 10.0));

    struct Case {
        std::vector<std::string> args;
        int status;
        std::string said;
    };
    for (const Case& c : std::vector<Case>{
             {{"ones.tif", "--value", "0"}, 1, "ones.tif: no pixel has value 0 (the band holds"},
             {{"empty.raw"}, 1, "empty.raw: no pixel has value 0"},
             {{"blank.png", "--colour", "0,0,255", "--pixel-size", "5"},
              1,
              "blank.png: no pixel has colour 0,0,255"},
             {{"blank.png", "--colour", "0,255,0", "--pixel-size", "5"}, 1, "not in the palette"},
             {{"blank.png", "--value", "0"}, 1, "--pixel-size"},
             {{"empty.raw", "--colour", "0,0,0"}, 2, "empty.raw"},
             {{"ones.tif", "empty.raw", "--segments", "x.gpkg"}, 2, "one network"},
         }) {
        std::vector<std::string> args = {"order"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ProgramResult r = run_program_with(dir.path, args);
        EXPECT_EQ(r.exit_status, c.status) << c.said << "\n" << r.errors;
        EXPECT_NE(r.errors.find(c.said), std::string::npos) << r.errors;
    }
    for (const auto& e : fs::directory_iterator(dir.path)) {
        EXPECT_EQ(e.path().string().find("_strahler"), std::string::npos) << e.path();
    }
    const ProgramResult ones_run =
        run_program_with(dir.path, {"order", "ones.tif", "--value", "1"});
    EXPECT_EQ(ones_run.exit_status, 0) << ones_run.errors;
}
