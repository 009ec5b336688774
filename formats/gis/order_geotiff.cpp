#include "formats/gis/order_geotiff.h"

#include <gdal.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "formats/gis/gdal_session.h"
#include "formats/gis/order_overviews.h"
#include "formats/gis/order_palette.h"
#include "formats/gis/pending_dataset.h"

namespace {

// A rejected colour table or coordinate system would go to a .aux.xml beside the file.
std::vector<std::string> geotiff_companions(const std::string& path) {
    return {std::filesystem::path(path).extension().string() + ".aux.xml"};
}

constexpr int kTile = 256;

// Memory set aside before the file is made and given back just before it is closed: the
// GeoTIFF library that writes the georeference keys on closing does not check its allocations,
// and would crash instead of failing when the memory has run out in between.
constexpr std::size_t kCloseReserve = std::size_t{16} << 20;

bool set_colour_table(GDALRasterBandH band, int highest) {
    GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
    for (int v = 0; v < 256; ++v) {
        const OrderColour c = order_colour(v, highest);
        const GDALColorEntry e = {c.red, c.green, c.blue, c.alpha};
        GDALSetColorEntry(table, v, &e);
    }
    const bool ok = GDALSetRasterColorTable(band, table) == CE_None;
    GDALDestroyColorTable(table);
    return ok;
}

// "order 1" to "order <highest>" for a GIS legend; the other values have no name.
bool set_category_names(GDALRasterBandH band, int highest) {
    std::vector<std::string> names(256);
    for (int k = 1; k <= std::min(highest, kPaletteOrders); ++k)
        names[k] = "order " + std::to_string(k);
    names[255] = "no network";
    std::vector<char*> list;
    for (std::string& n : names) list.push_back(n.data());
    list.push_back(nullptr);
    return GDALSetRasterCategoryNames(band, list.data()) == CE_None;
}

bool write_inner(const std::string& path, const ByteGrid& grid, int lines, int columns, int highest,
                 const Georef& georef, std::string& error) {
    auto fail = [&](const std::string& fault) {
        error = path + ": " + fault;
        return false;
    };
    if (lines <= 0 || columns <= 0 || !grid) return fail("no cells to write");
    GdalSession session;
    GDALDriverH driver = GDALGetDriverByName("GTiff");
    if (!driver) return fail("GDAL has no GeoTIFF driver");
    std::unique_ptr<char[]> reserve(new (std::nothrow) char[kCloseReserve]);
    if (!reserve) return fail("not enough memory to write the image");
    PendingDataset pending;
    // The order names go to the .aux.xml beside the file, as would a rejected colour table or
    // coordinate system.
    pending.companions = geotiff_companions(path);
    if (!begin_dataset(path, pending, error)) return false;

    // DEFLATE level 3: on a 16384 x 16384 order image about 3 times faster than the default
    // level 6 for a file about a fifth larger.
    const char* options[] = {"TILED=YES", "BLOCKXSIZE=256",   "BLOCKYSIZE=256", "COMPRESS=DEFLATE",
                             "ZLEVEL=3",  "BIGTIFF=IF_SAFER", nullptr};
    GdalDataset ds(GDALCreate(driver, pending.temp.c_str(), columns, lines, 1, GDT_Byte,
                              const_cast<char**>(options)));
    if (!ds) return fail("cannot be created" + gdal_detail());
    GDALDatasetH h = ds.get();
    if (georef.has_geotransform &&
        GDALSetGeoTransform(h, const_cast<double*>(georef.geotransform)) != CE_None)
        return fail("the geotransform cannot be written" + gdal_detail());
    if (georef.has_crs && GDALSetProjection(h, georef.wkt.c_str()) != CE_None)
        return fail("the coordinate system cannot be written" + gdal_detail());
    GDALRasterBandH band = GDALGetRasterBand(h, 1);
    if (GDALSetRasterNoDataValue(band, 255.0) != CE_None || !set_colour_table(band, highest) ||
        GDALSetRasterColorInterpretation(band, GCI_PaletteIndex) != CE_None ||
        !set_category_names(band, highest))
        return fail("the NoData value, colour table or order names cannot be written" +
                    gdal_detail());

    // One row of tiles at a time: each tile is compressed once, from a contiguous copy.
    std::vector<unsigned char> strip(static_cast<std::size_t>(columns) * kTile);
    for (int first = 0; first < lines; first += kTile) {
        const int n = std::min(kTile, lines - first);
        for (int l = 0; l < n; ++l)
            std::memcpy(strip.data() + static_cast<std::size_t>(l) * columns, grid[first + l],
                        columns);
        if (GDALRasterIO(band, GF_Write, 0, first, columns, n, strip.data(), columns, n, GDT_Byte,
                         0, 0) != CE_None)
            return fail("cannot be written" + gdal_detail());
    }
    // Overviews made empty, then filled from the grid.
    std::vector<int> levels = overview_levels(lines, columns, kTile);
    if (!levels.empty() &&
        (GDALBuildOverviews(h, "NONE", static_cast<int>(levels.size()), levels.data(), 0, nullptr,
                            nullptr, nullptr) != CE_None ||
         !write_order_overviews(band, grid, lines, columns, levels, kTile)))
        return fail("its overviews cannot be written" + gdal_detail());
    reserve.reset();
    if (!close_dataset(ds)) return fail("cannot be completed" + gdal_detail());
    return commit_dataset(pending, error);
}

}  // namespace

std::string order_geotiff_refusal(const std::string& path) {
    return dataset_refusal(path, geotiff_companions(path), {});
}

bool write_order_geotiff(const std::string& path, const ByteGrid& grid, int lines, int columns,
                         int highest, const Georef& georef, std::string& error) {
    try {
        return write_inner(path, grid, lines, columns, highest, georef, error);
    } catch (const std::bad_alloc&) {
        error = path + ": not enough memory to write the image";
    } catch (const std::exception& e) {
        error = path + ": " + e.what();
    }
    return false;
}
