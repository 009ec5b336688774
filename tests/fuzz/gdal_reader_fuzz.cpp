// The GIS network reader on arbitrary file contents (GeoTIFF, PNG, VRT seeds), through the
// checks the command line makes before GDAL opens a file: a refusal or a read that fails with a
// message, a refusal of the network its values give, or a grid of the raster's size holding only
// the network's byte, 255 and the byte of the cells outside the image; never a crash,
// a hang, a leak or undefined behaviour.

#include <gdal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "formats/gis/gdal_session.h"
#include "formats/gis/network_reader.h"
#include "formats/gis/safe_open.h"

namespace {

// Rasters larger than this are skipped: a few bytes may declare a size whose grid the fuzzer's
// memory limit would refuse, which says nothing about the reader.
constexpr long long kMostCells = 1 << 22;

// A folder of this process with a small GeoTIFF, n.tif, that a VRT input may name as its source;
// removed at exit.
struct Folder {
    std::string path = "/tmp/branchranker_fuzz_gdal_" + std::to_string(::getpid());
    Folder() {
        ::mkdir(path.c_str(), 0700);
        GdalSession session;
        GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), (path + "/n.tif").c_str(), 8, 8,
                                     1, GDT_Byte, nullptr);
        if (ds == nullptr) return;
        unsigned char cells[64];
        for (int i = 0; i < 64; ++i) cells[i] = (i % 8 == 4) ? 0 : 255;
        if (GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Write, 0, 0, 8, 8, cells, 8, 8, GDT_Byte, 0,
                         0) != CE_None)
            std::abort();
        GDALClose(ds);
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const std::string& folder() {
    static const Folder f;
    return f.path;
}

const char* extension_of(const std::uint8_t* data, std::size_t size) {
    if (size >= 4 && (std::memcmp(data, "II*", 3) == 0 || std::memcmp(data, "MM\0*", 4) == 0))
        return ".tif";
    if (size >= 4 && std::memcmp(data, "\x89PNG", 4) == 0) return ".png";
    if (size >= 1 && data[0] == '<') return ".vrt";
    return ".bin";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = folder() + "/input" + extension_of(data, size);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    if (gis_input_refusal(path).empty()) {
        long long cells = 0;
        {
            GdalSession session;
            GdalDataset ds = open_network_raster(path);
            if (ds)
                cells = static_cast<long long>(GDALGetRasterXSize(ds.get())) *
                        GDALGetRasterYSize(ds.get());
        }
        if (cells > 0 && cells <= kMostCells) {
            NetworkSelector selector;
            selector.band = 1 + static_cast<int>(size % 2);
            // Half the inputs by value 0, half by the rule that chooses the network's values.
            selector.value_given = size % 4 < 2;
            NetworkRaster raster;
            std::string error;
            if (read_network(path, selector, 0, raster, error)) {
                // A network chosen by the values may be refused (an empty grid, and why).
                if (!raster.refusal.empty()) {
                    if (raster.grid) std::abort();
                } else {
                    if (!raster.grid || raster.lines <= 0 || raster.columns <= 0) std::abort();
                    // The network's byte, 255, and the byte of the cells outside the image.
                    for (int i = 0; i < raster.lines; ++i)
                        for (int j = 0; j < raster.columns; ++j) {
                            const int v = raster.grid[i][j];
                            if (v != raster.network_byte && v != 255 && v != raster.outside)
                                std::abort();
                        }
                }
            } else if (error.empty()) {
                std::abort();  // a failure always says why
            }
        }
    }
    std::remove(path.c_str());
    return 0;
}
