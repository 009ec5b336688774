// Whole command-line runs of the network as a GIS holds it: a DEFLATE-compressed tiled GeoTIFF
// in, the order GeoTIFF out, chosen by the value rule. Byte holds the drawing as generated;
// Int16 holds 1 on 0 with NoData -9999 and Float32 1.0 on 0 with NoData NaN, in the four corner
// cells (background in the generated network), so that NoData is outside the image and every
// walk looks for it. What a type costs is its run over the Byte run.

#include <gdal.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "base/file.h"
#include "bench/bench.h"
#include "bench/figures.h"

namespace {

// Writes net as a GeoTIFF of `type`, network cells `on`, background `off`, the four corners
// NoData when nodata is given; false when GDAL fails.
bool write_geotiff(const Network& net, const std::string& path, GDALDataType type, double on,
                   double off, const double* nodata) {
    GDALAllRegister();
    GDALDriverH gtiff = GDALGetDriverByName("GTiff");
    if (gtiff == nullptr) return false;
    const char* options[] = {"COMPRESS=DEFLATE", "TILED=YES", "BIGTIFF=IF_SAFER", nullptr};
    GDALDatasetH ds = GDALCreate(gtiff, path.c_str(), net.nb_col, net.nb_lig, 1, type,
                                 const_cast<char**>(options));
    if (ds == nullptr) return false;
    double gt[6] = {500000.0, 25.0, 0.0, 4000000.0 + 25.0 * net.nb_lig, 0.0, -25.0};
    GDALSetGeoTransform(ds, gt);
    GDALRasterBandH band = GDALGetRasterBand(ds, 1);
    if (nodata != nullptr) GDALSetRasterNoDataValue(band, *nodata);
    bool ok = true;
    std::vector<double> line(static_cast<std::size_t>(net.nb_col));
    for (int i = 0; i < net.nb_lig && ok; ++i) {
        const unsigned char* row = net.row(i);
        for (int j = 0; j < net.nb_col; ++j)
            line[static_cast<std::size_t>(j)] = row[j] == net.network_value ? on : off;
        if (nodata != nullptr && (i == 0 || i == net.nb_lig - 1)) {
            line.front() = *nodata;
            line.back() = *nodata;
        }
        ok = GDALRasterIO(band, GF_Write, 0, i, net.nb_col, 1, line.data(), net.nb_col, 1,
                          GDT_Float64, 0, 0) == CE_None;
    }
    GDALClose(ds);
    return ok;
}

}  // namespace

void bench_gis_runs(Spawner& spawner, const Network& net, const BenchSetup& b) {
    const std::string folder = b.work + "/gis";
    std::filesystem::create_directories(folder);
    const double int_nodata = -9999.0;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* name;
        GDALDataType type;
        double on;
        double off;
        const double* nodata;
    };
    const Row rows[] = {
        {"gis_byte", GDT_Byte, static_cast<double>(net.network_value),
         static_cast<double>(net.background), nullptr},
        {"gis_int16_nodata", GDT_Int16, 1.0, 0.0, &int_nodata},
        {"gis_float32_nodata", GDT_Float32, 1.0, 0.0, &nan},
    };
    const std::string no_input = b.work + "/gis_stdin.txt";
    { File f = open_file(no_input, "w"); }
    double byte_run = 0.0;
    for (const Row& row : rows) {
        const std::string input = folder + "/" + row.name + ".tif";
        const std::string name = row.name;
        if (!write_geotiff(net, input, row.type, row.on, row.off, row.nodata)) {
            figure((name + "_input_written").c_str(), 0, "bool");
            continue;
        }
        // One more round than asked: the first brings the input into the page cache.
        SpawnResult best;
        bool ok = true;
        for (int round = 0; round < b.rounds + 1; ++round) {
            const SpawnResult r = spawn_and_wait(
                spawner, b.program, folder, no_input, b.work + "/gis_stdout.txt",
                {"order", input, "--output", folder + "/" + name + "_run.tif", "--quiet"});
            ok = ok && r.exit_status == 0;
            if (round == 1 || (round > 1 && r.seconds < best.seconds)) best = r;
        }
        figure((name + "_run").c_str(), best.seconds, "s");
        figure((name + "_run_ok").c_str(), ok, "bool");
        figure((name + "_run_peak_memory").c_str(), static_cast<double>(best.peak_kb) * 1024.0,
               "bytes");
        if (row.type == GDT_Byte) {
            byte_run = best.seconds;
        } else {
            figure((name + "_over_byte").c_str(), ratio(best.seconds, byte_run), "x");
        }
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
            std::filesystem::remove(entry.path(), ec);
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}
