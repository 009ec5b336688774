#include "formats/gis/band_classes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "base/bands.h"
#include "base/threads.h"
#include "formats/gis/gdal_session.h"
#include "formats/gis/read_chunks.h"

namespace {

// The next class for a value met for the first time.
unsigned char new_class(ValueClasses& classes, double v) {
    if (classes.values.size() >= static_cast<std::size_t>(kValueClasses)) return kOtherClass;
    classes.values.push_back(v);
    return static_cast<unsigned char>(classes.values.size() - 1);
}

// Byte, Int16, UInt16: a table of every value of the type.
template <typename T>
struct TableClasses {
    static constexpr long long kOffset = -static_cast<long long>(std::numeric_limits<T>::min());
    std::vector<unsigned char> table =
        std::vector<unsigned char>(std::size_t{1} << (8 * sizeof(T)), kUnassigned);

    static bool holds(double v) {
        return v == std::floor(v) && v >= static_cast<double>(std::numeric_limits<T>::min()) &&
               v <= static_cast<double>(std::numeric_limits<T>::max());
    }
    unsigned char& at(double v) { return table[static_cast<std::size_t>(v + kOffset)]; }
    void prepare(ValueClasses& classes, const double* asked, bool has_nodata, double nodata) {
        if (asked != nullptr && holds(*asked)) at(*asked) = new_class(classes, *asked);
        if (has_nodata && holds(nodata)) at(nodata) = kNoDataClass;
    }
    void line(const T* in, unsigned char* out, int columns, ValueClasses& classes) {
        unsigned char* t = table.data();
        for (int c = 0; c < columns; ++c) {
            const auto index = static_cast<std::size_t>(in[c] + kOffset);
            unsigned char k = t[index];
            if (k == kUnassigned) k = t[index] = new_class(classes, static_cast<double>(in[c]));
            out[c] = k;
        }
    }
};

// Real and wide integer cells: the class of the cell before, else the first few values met in
// a short list, else a hash map of the values met. -0 and +0 are one value; NaN is NoData.
//
// A stream raster holds two or three values, and the value changes at both edges of every
// stream on every line: the short list keeps those changes (two a stream pixel, millions a
// band) out of the hash map, where each would cost a hashed lookup.
template <typename T>
struct MapClasses {
    static constexpr int kFew = 8;
    std::unordered_map<T, unsigned char> known;
    bool has_nodata = false;
    T nodata = 0;
    T last = std::numeric_limits<T>::quiet_NaN();
    unsigned char last_class = kNoDataClass;
    std::array<T, kFew> few{};  // never NaN; a value's class never changes once given
    std::array<unsigned char, kFew> few_class{};
    int few_count = 0;

    static bool fits(double v) {
        return std::isfinite(v) &&
               std::fabs(v) <= static_cast<double>(std::numeric_limits<T>::max());
    }
    void prepare(ValueClasses& classes, const double* asked, bool nodata_given, double value) {
        if (asked != nullptr && fits(*asked))
            known[static_cast<T>(*asked) + T(0)] = new_class(classes, *asked);
        // A NoData value the type cannot hold marks no cell; a NaN one is every NaN, as ever.
        has_nodata =
            nodata_given && fits(value) && static_cast<double>(static_cast<T>(value)) == value;
        if (has_nodata) nodata = static_cast<T>(value);
    }
    unsigned char slow(T v, ValueClasses& classes) {
        if (std::isnan(v) || (has_nodata && v == nodata)) return kNoDataClass;
        const T key = v + T(0);  // -0 + 0 is +0
        auto [it, added] = known.try_emplace(key, kOtherClass);
        if (added) it->second = new_class(classes, static_cast<double>(key));
        return it->second;
    }
    unsigned char recent(T v, ValueClasses& classes) {
        for (int k = 0; k < few_count; ++k) {
            if (few[static_cast<std::size_t>(k)] == v)
                return few_class[static_cast<std::size_t>(k)];
        }
        const unsigned char c = slow(v, classes);
        if (few_count < kFew) {
            few[static_cast<std::size_t>(few_count)] = v;
            few_class[static_cast<std::size_t>(few_count)] = c;
            ++few_count;
        }
        return c;
    }
    void line(const T* in, unsigned char* out, int columns, ValueClasses& classes) {
        for (int c = 0; c < columns; ++c) {
            const T v = in[c];
            if (v == last) {
                out[c] = last_class;
            } else if (std::isnan(v)) {
                out[c] = kNoDataClass;
            } else {
                last_class = out[c] = recent(v, classes);
                last = v;
            }
        }
    }
};

template <typename T>
constexpr GDALDataType gdal_type() {
    if constexpr (std::is_same_v<T, std::uint8_t>) return GDT_Byte;
    if constexpr (std::is_same_v<T, std::int16_t>) return GDT_Int16;
    if constexpr (std::is_same_v<T, std::uint16_t>) return GDT_UInt16;
    if constexpr (std::is_same_v<T, float>) return GDT_Float32;
    return GDT_Float64;
}

// Reads lines [first, first + n) of a GeoTIFF band whose cells are T, n a whole number of
// block heights (or the last lines), block by block straight into buf (n x columns cells).
// GDAL's read through its block cache would allocate and free every block: a Float32 block of
// 256 x 256 cells (256 KiB) is above the size the allocator gives back to the system at once,
// so every block of the band would cost fresh pages, a quarter of a Float32 run.
template <typename T>
bool read_blocks(GDALRasterBandH band, int first, int n, int columns, int block_x, int block_y,
                 std::vector<T>& block, std::vector<T>& buf) {
    const std::size_t bx = static_cast<std::size_t>(block_x);
    block.resize(bx * static_cast<std::size_t>(block_y));
    for (int top = first; top < first + n; top += block_y) {
        const int height = std::min(block_y, first + n - top);
        for (int left = 0; left < columns; left += block_x) {
            if (GDALReadBlock(band, left / block_x, top / block_y, block.data()) != CE_None)
                return false;
            const int width = std::min(block_x, columns - left);
            for (int l = 0; l < height; ++l) {
                std::copy_n(
                    block.data() + static_cast<std::size_t>(l) * bx,
                    static_cast<std::size_t>(width),
                    buf.data() + static_cast<std::size_t>(top - first + l) * columns + left);
            }
        }
    }
    return true;
}

template <typename T, typename Classes>
bool read_as(GDALRasterBandH band, const double* asked, ByteGrid& grid, ValueClasses& classes,
             std::string& fault, const std::function<void(double)>* progress) {
    const int columns = GDALGetRasterBandXSize(band);
    const int lines = GDALGetRasterBandYSize(band);
    int has_nodata = 0;
    const double nodata = GDALGetRasterNoDataValue(band, &has_nodata);
    Classes sorter;
    sorter.prepare(classes, asked, has_nodata != 0, nodata);
    // A mask of its own (a mask band, an alpha band, one for the dataset) is read beside the
    // cells; one made of the NoData value is the value compared above.
    const int flags = GDALGetMaskFlags(band);
    const bool masked = (flags & GMF_ALL_VALID) == 0 && flags != GMF_NODATA;
    GDALRasterBandH mask = masked ? GDALGetMaskBand(band) : nullptr;

    int block_x = 0, block_y = 0;
    GDALGetBlockSize(band, &block_x, &block_y);
    block_y = std::max(block_y, 1);
    const long long chunk = chunk_lines(
        static_cast<long long>(columns) * static_cast<long long>(sizeof(T)), block_y, lines);
    std::vector<T> buf(static_cast<std::size_t>(chunk) * static_cast<std::size_t>(columns));
    std::vector<unsigned char> mask_buf(mask ? buf.size() : 0);
    // A one-band GeoTIFF whose cells are T is read block by block (read_blocks), when every
    // chunk is a whole number of blocks (with several bands GDAL would put the blocks of the
    // others in its cache as it reads).
    GDALDatasetH ds = GDALGetBandDataset(band);
    GDALDriverH driver = ds ? GDALGetDatasetDriver(ds) : nullptr;
    const bool by_blocks = driver != nullptr && GDALGetRasterCount(ds) == 1 &&
                           std::string(GDALGetDriverShortName(driver)) == "GTiff" &&
                           GDALGetRasterDataType(band) == gdal_type<T>() && block_x > 0 &&
                           chunk % block_y == 0;
    std::vector<T> block;
    // Two histograms taken in turn, so that runs of one class do not wait on one counter.
    std::array<long long, 256> even{}, odd{};
    for (int first = 0; first < lines; first += static_cast<int>(chunk)) {
        const int n = static_cast<int>(std::min<long long>(chunk, lines - first));
        const bool read = by_blocks
                              ? read_blocks(band, first, n, columns, block_x, block_y, block, buf)
                              : GDALRasterIO(band, GF_Read, 0, first, columns, n, buf.data(),
                                             columns, n, gdal_type<T>(), 0, 0) == CE_None;
        if (!read || (mask && GDALRasterIO(mask, GF_Read, 0, first, columns, n, mask_buf.data(),
                                           columns, n, GDT_Byte, 0, 0) != CE_None)) {
            fault = "lines " + std::to_string(first) + " to " + std::to_string(first + n - 1) +
                    " cannot be read" + gdal_detail();
            return false;
        }
        // Each block is read once: GDAL's cache of them would only grow (by the whole band,
        // four bytes a cell for Float32) and cost the time of filling it. A block taller than
        // a chunk is kept until its last line is read.
        if ((first + n) % block_y == 0 || first + n == lines) {
            GDALFlushRasterCache(band);
            if (mask) GDALFlushRasterCache(mask);
        }
        for (int l = 0; l < n; ++l) {
            unsigned char* row = grid[first + l];
            const std::size_t at = static_cast<std::size_t>(l) * static_cast<std::size_t>(columns);
            sorter.line(buf.data() + at, row, columns, classes);
            if (mask) {
                const unsigned char* valid = mask_buf.data() + at;
                for (int c = 0; c < columns; ++c) {
                    if (valid[c] == 0) row[c] = kNoDataClass;
                }
            }
            int c = 0;
            for (; c + 1 < columns; c += 2) {
                ++even[row[c]];
                ++odd[row[c + 1]];
            }
            if (c < columns) ++even[row[c]];
        }
        if (progress != nullptr) (*progress)(static_cast<double>(first + n) / lines);
    }
    for (int k = 0; k < 256; ++k)
        classes.counts[static_cast<std::size_t>(k)] =
            even[static_cast<std::size_t>(k)] + odd[static_cast<std::size_t>(k)];
    return true;
}

// Byte cells of a raster held in memory (GDAL's memory driver: an array of the caller's): copied
// into the grid in one piece, then counted in bands of lines on every thread. The classes are
// those TableClasses gives, in the order the values are first met row by row; the grid keeps the
// values, and `unclassed` the class of each.
bool read_bytes_in_memory(GDALRasterBandH band, const double* asked, ByteGrid& grid,
                          ValueClasses& classes, std::string& fault,
                          const std::function<void(double)>* progress,
                          std::array<unsigned char, 256>& unclassed) {
    const int columns = GDALGetRasterBandXSize(band);
    const int lines = GDALGetRasterBandYSize(band);
    if (GDALRasterIO(band, GF_Read, 0, 0, columns, lines, grid[0], columns, lines, GDT_Byte, 0,
                     0) != CE_None) {
        fault = "the cells cannot be read" + gdal_detail();
        return false;
    }
    constexpr long long kNever = std::numeric_limits<long long>::max();
    struct Seen {
        std::array<long long, 256> counts{};
        std::array<long long, 256> first{};  // row-major index of the first cell of each value
    };
    const int bands = band_count(engine_threads(), lines, columns);
    std::vector<Seen> seen(static_cast<std::size_t>(bands));
    unsigned char** rows = grid.rows;
    for_bands(bands, 0, lines, [&](int b, int first, int last) {
        Seen& mine = seen[static_cast<std::size_t>(b)];
        mine.first.fill(kNever);
        for (int i = first; i < last; ++i) {
            const unsigned char* row = rows[i];
            // Two histograms taken in turn, so that runs of one value do not wait on one counter.
            std::array<long long, 256> even{}, odd{};
            int c = 0;
            for (; c + 1 < columns; c += 2) {
                ++even[row[c]];
                ++odd[row[c + 1]];
            }
            if (c < columns) ++even[row[c]];
            for (std::size_t v = 0; v < 256; ++v) {
                const long long n = even[v] + odd[v];
                if (n == 0) continue;
                mine.counts[v] += n;
                // A value met for the first time in the band: its first cell on this line.
                if (mine.first[v] == kNever) {
                    const auto* at = std::find(row, row + columns, static_cast<unsigned char>(v));
                    mine.first[v] = static_cast<long long>(i) * columns + (at - row);
                }
            }
        }
    });
    std::array<long long, 256> counts{};
    std::array<long long, 256> first{};
    first.fill(kNever);
    for (const Seen& band_seen : seen) {
        for (std::size_t v = 0; v < 256; ++v) {
            counts[v] += band_seen.counts[v];
            first[v] = std::min(first[v], band_seen.first[v]);
        }
    }
    int has_nodata = 0;
    const double nodata = GDALGetRasterNoDataValue(band, &has_nodata);
    TableClasses<std::uint8_t> table;
    table.prepare(classes, asked, has_nodata != 0, nodata);
    std::vector<int> met;
    for (int v = 0; v < 256; ++v) {
        if (first[static_cast<std::size_t>(v)] != kNever) met.push_back(v);
    }
    std::sort(met.begin(), met.end(), [&](int a, int b) {
        return first[static_cast<std::size_t>(a)] < first[static_cast<std::size_t>(b)];
    });
    for (const int v : met) {
        unsigned char& k = table.at(v);
        if (k == kUnassigned) k = new_class(classes, v);
        classes.counts[k] += counts[static_cast<std::size_t>(v)];
    }
    for (int v = 0; v < 256; ++v) unclassed[static_cast<std::size_t>(v)] = table.at(v);
    if (progress != nullptr) (*progress)(1.0);
    return true;
}

// Whether a band is Byte cells of a raster held in memory, with no mask of its own.
bool bytes_in_memory(GDALRasterBandH band) {
    GDALDatasetH ds = GDALGetBandDataset(band);
    GDALDriverH driver = ds ? GDALGetDatasetDriver(ds) : nullptr;
    const int flags = GDALGetMaskFlags(band);
    return driver != nullptr && std::string(GDALGetDriverShortName(driver)) == "MEM" &&
           GDALGetRasterDataType(band) == GDT_Byte &&
           ((flags & GMF_ALL_VALID) != 0 || flags == GMF_NODATA);
}

}  // namespace

bool read_band_classes(GDALRasterBandH band, const double* asked, ByteGrid& grid,
                       ValueClasses& classes, std::string& fault,
                       const std::function<void(double)>* progress,
                       std::optional<std::array<unsigned char, 256>>* unclassed) {
    if (unclassed != nullptr && bytes_in_memory(band)) {
        unclassed->emplace();
        return read_bytes_in_memory(band, asked, grid, classes, fault, progress, **unclassed);
    }
    switch (GDALGetRasterDataType(band)) {
        case GDT_Byte:
            return read_as<std::uint8_t, TableClasses<std::uint8_t>>(band, asked, grid, classes,
                                                                     fault, progress);
        case GDT_Int16:
            return read_as<std::int16_t, TableClasses<std::int16_t>>(band, asked, grid, classes,
                                                                     fault, progress);
        case GDT_UInt16:
            return read_as<std::uint16_t, TableClasses<std::uint16_t>>(band, asked, grid, classes,
                                                                       fault, progress);
        case GDT_Float32:
            return read_as<float, MapClasses<float>>(band, asked, grid, classes, fault, progress);
        default:
            return read_as<double, MapClasses<double>>(band, asked, grid, classes, fault, progress);
    }
}

void remap_classes(ByteGrid& grid, int lines, int columns,
                   const std::array<unsigned char, 256>& remap, int threads) {
    unsigned char** rows = grid.rows;
    const unsigned char* table = remap.data();
    for_bands(band_count(threads, lines, columns), 0, lines, [=](int, int first, int last) {
        for (int i = first; i < last; ++i) {
            unsigned char* row = rows[i];
            for (int j = 0; j < columns; ++j) row[j] = table[row[j]];
        }
    });
}
