#include "formats/gis/network_reader.h"

#include <cpl_conv.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <optional>
#include <vector>

#include "base/nrutil.h"
#include "base/threads.h"
#include "formats/gis/band_classes.h"
#include "formats/gis/bmp_v3_view.h"
#include "formats/gis/gdal_session.h"
#include "formats/gis/read_chunks.h"
#include "formats/gis/safe_open.h"

namespace {

// How the read buffer maps to network / not network.
enum class Compare {
    lut8,   // Byte buffer through a 256-entry table
    lut16,  // UInt16 buffer through a 65536-entry table
    exact,  // Float64 buffer compared with a value
    rgb,    // three bytes per pixel compared with a colour
};

struct Plan {
    Compare compare = Compare::lut8;
    std::vector<unsigned char> lut;  // 1 = network, for lut8 / lut16
    double value = 0.0;              // for exact
    unsigned char rgb[3] = {0, 0, 0};
    GDALRasterBandH band = nullptr;  // the band read, for every kind but rgb
    int rgb_bands[3] = {1, 2, 3};
};

std::string colour_text(const NetworkSelector& s) {
    return std::to_string(s.red) + "," + std::to_string(s.green) + "," + std::to_string(s.blue);
}

int band_bits(GDALRasterBandH band) {
    const char* nbits = GDALGetMetadataItem(band, "NBITS", "IMAGE_STRUCTURE");
    int bits = nbits ? std::atoi(nbits) : 0;
    return bits > 0 && bits < 8 ? bits : 8;
}

bool plan_value(const NetworkSelector& s, GDALRasterBandH band, Plan& plan, std::string& fault) {
    const GDALDataType type = GDALGetRasterDataType(band);
    const double v = s.value;
    if (!std::isfinite(v)) {
        fault = "the network value is not a finite number";
        return false;
    }
    plan.band = band;
    if (type == GDT_Byte || type == GDT_UInt16) {
        const int entries = type == GDT_Byte ? 256 : 65536;
        plan.compare = type == GDT_Byte ? Compare::lut8 : Compare::lut16;
        plan.lut.assign(entries, 0);
        if (v >= 0 && v < entries && v == std::floor(v)) plan.lut[static_cast<int>(v)] = 1;
        return true;
    }
    if ((type == GDT_Int64 || type == GDT_UInt64) && std::fabs(v) > 9007199254740992.0) {
        fault = "a value beyond 2^53 cannot be compared exactly on 64-bit integer cells";
        return false;
    }
    plan.compare = Compare::exact;
    plan.value = v;
    return true;
}

bool plan_palette(const NetworkSelector& s, GDALRasterBandH band, GDALColorTableH table, Plan& plan,
                  std::string& fault) {
    const GDALDataType type = GDALGetRasterDataType(band);
    if (type != GDT_Byte && type != GDT_UInt16) {
        fault = std::string("a palette on ") + GDALGetDataTypeName(type) +
                " cells is not supported (8 or 16-bit indices only)";
        return false;
    }
    const GDALPaletteInterp interp = GDALGetPaletteInterpretation(table);
    if (interp != GPI_RGB && interp != GPI_Gray) {
        fault = std::string("a palette of kind ") + GDALGetPaletteInterpretationName(interp) +
                " is not supported (RGB or grey palettes only)";
        return false;
    }
    const int entries = type == GDT_Byte ? 256 : 65536;
    plan.compare = type == GDT_Byte ? Compare::lut8 : Compare::lut16;
    plan.band = band;
    plan.lut.assign(entries, 0);
    const int count = std::min(GDALGetColorEntryCount(table), entries);
    int found = 0;
    for (int i = 0; i < count; ++i) {
        const GDALColorEntry* e = GDALGetColorEntry(table, i);
        const bool same = interp == GPI_RGB
                              ? e->c1 == s.red && e->c2 == s.green && e->c3 == s.blue
                              : e->c1 == s.red && s.red == s.green && s.green == s.blue;
        if (same) {
            plan.lut[i] = 1;
            ++found;
        }
    }
    if (found == 0) {
        fault = "colour " + colour_text(s) + " is not in the palette (" + std::to_string(count) +
                " entries)";
        return false;
    }
    return true;
}

bool plan_colour(const NetworkSelector& s, GDALDatasetH ds, GDALRasterBandH band, Plan& plan,
                 std::string& fault) {
    if (GDALColorTableH table = GDALGetRasterColorTable(band))
        return plan_palette(s, band, table, plan, fault);
    const int count = GDALGetRasterCount(ds);
    if (count >= 3) {
        int found[3] = {0, 0, 0};
        for (int b = 1; b <= count; ++b) {
            const GDALColorInterp ci = GDALGetRasterColorInterpretation(GDALGetRasterBand(ds, b));
            if (ci == GCI_RedBand && !found[0]) found[0] = b;
            if (ci == GCI_GreenBand && !found[1]) found[1] = b;
            if (ci == GCI_BlueBand && !found[2]) found[2] = b;
        }
        const bool by_interp = found[0] && found[1] && found[2];
        for (int k = 0; k < 3; ++k) {
            plan.rgb_bands[k] = by_interp ? found[k] : k + 1;
            const GDALDataType t = GDALGetRasterDataType(GDALGetRasterBand(ds, plan.rgb_bands[k]));
            if (t != GDT_Byte) {
                fault = std::string(
                            "colour selection needs 8-bit red, green and blue bands, "
                            "not ") +
                        GDALGetDataTypeName(t);
                return false;
            }
        }
        plan.compare = Compare::rgb;
        plan.rgb[0] = s.red;
        plan.rgb[1] = s.green;
        plan.rgb[2] = s.blue;
        return true;
    }
    if (GDALGetRasterDataType(band) == GDT_Byte && s.red == s.green && s.green == s.blue) {
        // A grey image: the colour's grey level at the band's bit depth.
        const int top = (1 << band_bits(band)) - 1;
        plan.compare = Compare::lut8;
        plan.band = band;
        plan.lut.assign(256, 0);
        if (s.red * top % 255 == 0) plan.lut[s.red * top / 255] = 1;
        return true;
    }
    fault = "colour " + colour_text(s) +
            " cannot be found: the image has no palette and no red, green and blue bands"
            " (choose the network by value)";
    return false;
}

int buffer_pixel_bytes(const Plan& p) {
    switch (p.compare) {
        case Compare::lut8:
            return 1;
        case Compare::lut16:
            return 2;
        case Compare::exact:
            return 8;
        case Compare::rgb:
            return 3;
    }
    return 1;
}

// Turns `lines` buffer lines into grid rows starting at grid line `first`; returns the count of
// network pixels set.
long long translate(const Plan& p, const unsigned char* buf, int columns, int lines, int first,
                    unsigned char** rows, unsigned char nv) {
    long long n = 0;
    for (int l = 0; l < lines; ++l) {
        unsigned char* row = rows[first + l];
        switch (p.compare) {
            case Compare::lut8: {
                const unsigned char* in = buf + static_cast<std::size_t>(l) * columns;
                const unsigned char* lut = p.lut.data();
                for (int c = 0; c < columns; ++c) {
                    const unsigned char hit = lut[in[c]];
                    row[c] = hit ? nv : 255;
                    n += hit;
                }
                break;
            }
            case Compare::lut16: {
                const auto* in = reinterpret_cast<const std::uint16_t*>(buf) +
                                 static_cast<std::size_t>(l) * columns;
                for (int c = 0; c < columns; ++c) {
                    const unsigned char hit = p.lut[in[c]];
                    row[c] = hit ? nv : 255;
                    n += hit;
                }
                break;
            }
            case Compare::exact: {
                const auto* in =
                    reinterpret_cast<const double*>(buf) + static_cast<std::size_t>(l) * columns;
                for (int c = 0; c < columns; ++c) {
                    const bool hit = in[c] == p.value;
                    row[c] = hit ? nv : 255;
                    n += hit;
                }
                break;
            }
            case Compare::rgb: {
                const unsigned char* in = buf + static_cast<std::size_t>(l) * columns * 3;
                for (int c = 0; c < columns; ++c) {
                    const unsigned char* px = in + 3 * c;
                    const bool hit = px[0] == p.rgb[0] && px[1] == p.rgb[1] && px[2] == p.rgb[2];
                    row[c] = hit ? nv : 255;
                    n += hit;
                }
                break;
            }
        }
    }
    return n;
}

bool read_chunk(GDALDatasetH ds, const Plan& p, int first, int lines, int columns,
                unsigned char* buf) {
    if (p.compare == Compare::rgb) {
        int bands[3] = {p.rgb_bands[0], p.rgb_bands[1], p.rgb_bands[2]};
        return GDALDatasetRasterIO(ds, GF_Read, 0, first, columns, lines, buf, columns, lines,
                                   GDT_Byte, 3, bands, 3, 3LL * columns, 1) == CE_None;
    }
    const GDALDataType type = p.compare == Compare::lut8    ? GDT_Byte
                              : p.compare == Compare::lut16 ? GDT_UInt16
                                                            : GDT_Float64;
    return GDALRasterIO(p.band, GF_Read, 0, first, columns, lines, buf, columns, lines, type, 0,
                        0) == CE_None;
}

// By value: the band read once into value classes, the network chosen, the classes mapped to
// network, background and outside (network_values.h).
bool read_by_value(GDALRasterBandH band, const NetworkSelector& selector, unsigned char nv,
                   int columns, int lines, NetworkRaster& out, std::string& fault,
                   const std::function<void(double)>* progress) {
    ByteGrid grid(ucmatrice(columns, lines), lines);
    if (!grid) {
        fault = "not enough memory for a grid of " + std::to_string(lines) + " lines and " +
                std::to_string(columns) + " columns";
        return false;
    }
    ValueClasses classes;
    const double* asked = selector.value_given ? &selector.value : nullptr;
    std::optional<std::array<unsigned char, 256>> unclassed;
    if (!read_band_classes(band, asked, grid, classes, fault, progress, &unclassed)) return false;
    NetworkChoice choice;
    out.lines = lines;
    out.columns = columns;
    if (!choose_network(classes, asked, nv, choice, out.refusal)) {
        out.grid.reset();
        out.network_pixels = 0;
        return true;
    }
    // Cells left as their values are mapped to their classes' bytes in the same pass.
    std::array<unsigned char, 256> remap = choice.remap;
    if (unclassed) {
        for (std::size_t v = 0; v < 256; ++v) remap[v] = choice.remap[(*unclassed)[v]];
    }
    remap_classes(grid, lines, columns, remap, engine_threads());
    out.grid = std::move(grid);
    out.network_pixels = choice.network_pixels;
    out.network_byte = choice.network_byte;
    out.outside = choice.outside;
    out.network_text = std::move(choice.network_text);
    out.refusal.clear();
    return true;
}

// world_base: the file whose world file (.bpw, .wld) places a dataset opened through a view.
bool georef_of(GDALDatasetH ds, const std::string& world_base, Georef& g, std::string& fault) {
    double gt[6];
    bool has_gt = GDALGetGeoTransform(ds, gt) == CE_None;
    if (!has_gt && !world_base.empty())
        has_gt = GDALReadWorldFile(world_base.c_str(), nullptr, gt) ||
                 GDALReadWorldFile(world_base.c_str(), "wld", gt);
    std::string wkt;
    if (OGRSpatialReferenceH srs = GDALGetSpatialRef(ds)) {
        char* text = nullptr;
        if (OSRExportToWkt(srs, &text) == OGRERR_NONE && text) wkt = text;
        CPLFree(text);
        if (wkt.empty()) {
            const char* opts[] = {"FORMAT=WKT2_2019", nullptr};
            if (OSRExportToWktEx(srs, &text, opts) == OGRERR_NONE && text) wkt = text;
            CPLFree(text);
        }
    }
    std::string why;
    if (!make_georef(has_gt ? gt : nullptr, wkt, g, why)) {
        fault = "georeference not usable: " + why;
        return false;
    }
    return true;
}

bool read_from_dataset(GDALDatasetH h, const std::string& path, const std::string& world_base,
                       const NetworkSelector& selector, unsigned char nv, NetworkRaster& out,
                       std::string& error, const std::function<void(double)>* progress);

bool read_network_inner(const std::string& path, const NetworkSelector& selector, unsigned char nv,
                        NetworkRaster& out, std::string& error,
                        const std::function<void(double)>* progress) {
    if (nv == 255) {
        error = path + ": the network value 255 is the background value";
        return false;
    }
    GdalSession session;
    // A BMP with a version 4 or 5 header is read through a view GDAL can decode; the view
    // outlives the dataset.
    BmpView view;
    GdalDataset ds = open_network_raster(path);
    if (!ds) {
        const std::string why = gdal_detail();
        make_bmp_v3_view(path, view);
        if (!view.path.empty()) ds = open_network_raster(view.path);
        if (!ds) {
            error = path + ": cannot be opened as a raster" + why;
            return false;
        }
    }
    return read_from_dataset(ds.get(), path, view.path.empty() ? "" : path, selector, nv, out,
                             error, progress);
}

// world_base: the file whose world file places a dataset opened through a view, or "".
bool read_from_dataset(GDALDatasetH h, const std::string& path, const std::string& world_base,
                       const NetworkSelector& selector, unsigned char nv, NetworkRaster& out,
                       std::string& error, const std::function<void(double)>* progress) {
    auto fail = [&](const std::string& fault) {
        error = path + ": " + fault;
        return false;
    };
    if (nv == 255) return fail("the network value 255 is the background value");
    const int columns = GDALGetRasterXSize(h);
    const int lines = GDALGetRasterYSize(h);
    const int bands = GDALGetRasterCount(h);
    if (columns <= 0 || lines <= 0 || bands <= 0) return fail("the raster has no cells");
    if (selector.band < 1 || selector.band > bands)
        return fail("band " + std::to_string(selector.band) + " does not exist (" +
                    std::to_string(bands) + " band" + (bands > 1 ? "s)" : ")"));
    GDALRasterBandH band = GDALGetRasterBand(h, selector.band);
    const GDALDataType type = GDALGetRasterDataType(band);
    if (GDALDataTypeIsComplex(type))
        return fail(std::string("complex cells (") + GDALGetDataTypeName(type) +
                    ") cannot hold a network");
    if (type == GDT_Unknown) return fail("the cells have an unknown data type");

    Plan plan;
    std::string fault;
    const bool planned = selector.kind == NetworkSelector::Kind::value
                             ? plan_value(selector, band, plan, fault)
                             : plan_colour(selector, h, band, plan, fault);
    if (!planned) return fail(fault);
    Georef georef;
    if (!georef_of(h, world_base, georef, fault)) return fail(fault);
    if (selector.kind == NetworkSelector::Kind::value) {
        if (!read_by_value(band, selector, nv, columns, lines, out, fault, progress))
            return fail(fault);
        out.georef = std::move(georef);
        return true;
    }

    // Chunks are whole multiples of the block height so that each block is decoded once.
    int block_x = 0, block_y = 0;
    GDALGetBlockSize(plan.band ? plan.band : GDALGetRasterBand(h, plan.rgb_bands[0]), &block_x,
                     &block_y);
    const long long line_bytes = static_cast<long long>(columns) * buffer_pixel_bytes(plan);
    const long long chunk = chunk_lines(line_bytes, block_y, lines);
    std::vector<unsigned char> buf(static_cast<std::size_t>(chunk * line_bytes));

    ByteGrid grid(ucmatrice(columns, lines), lines);
    if (!grid)
        return fail("not enough memory for a grid of " + std::to_string(lines) + " lines and " +
                    std::to_string(columns) + " columns");
    long long count = 0;
    for (int first = 0; first < lines; first += static_cast<int>(chunk)) {
        const int n = static_cast<int>(std::min<long long>(chunk, lines - first));
        if (!read_chunk(h, plan, first, n, columns, buf.data()))
            return fail("lines " + std::to_string(first) + " to " + std::to_string(first + n - 1) +
                        " cannot be read" + gdal_detail());
        count += translate(plan, buf.data(), columns, n, first, grid.rows, nv);
        if (progress != nullptr) (*progress)(static_cast<double>(first + n) / lines);
    }
    out.grid = std::move(grid);
    out.lines = lines;
    out.columns = columns;
    out.network_pixels = count;
    out.georef = std::move(georef);
    out.network_byte = nv;
    out.outside = -1;
    out.network_text = "colour " + colour_text(selector);
    out.refusal.clear();
    return true;
}

}  // namespace

bool read_network(const std::string& path, const NetworkSelector& selector,
                  unsigned char network_value, NetworkRaster& out, std::string& error,
                  const std::function<void(double)>* progress) {
    try {
        return read_network_inner(path, selector, network_value, out, error, progress);
    } catch (const std::bad_alloc&) {
        error = path + ": not enough memory to read the raster";
    } catch (const std::exception& e) {
        error = path + ": " + e.what();
    }
    return false;
}

bool read_network_dataset(void* dataset, const std::string& name, const NetworkSelector& selector,
                          unsigned char network_value, NetworkRaster& out, std::string& error,
                          const std::function<void(double)>* progress) {
    try {
        const GdalSession session;
        return read_from_dataset(static_cast<GDALDatasetH>(dataset), name, "", selector,
                                 network_value, out, error, progress);
    } catch (const std::bad_alloc&) {
        error = name + ": not enough memory to read the raster";
    } catch (const std::exception& e) {
        error = name + ": " + e.what();
    }
    return false;
}
