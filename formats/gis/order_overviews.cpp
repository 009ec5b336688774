#include "formats/gis/order_overviews.h"

#include <algorithm>
#include <cstddef>

namespace {

// Orders are kept one up while they are reduced, so that "no network" (255) is 0 and the
// highest order is a plain maximum.
inline unsigned char up(unsigned char v) {
    return static_cast<unsigned char>(v + 1);
}
inline unsigned char down(unsigned char v) {
    return static_cast<unsigned char>(v - 1);
}

// One level: its band, its size, the lines made and not yet written.
struct Level {
    GDALRasterBandH band = nullptr;
    int columns = 0;
    int lines = 0;
    int written = 0;                  // lines written so far
    std::vector<unsigned char> rows;  // lines made since, `columns` each, kept one up
};

bool flush(Level& level, int tile, bool last) {
    const int held = static_cast<int>(level.rows.size() / static_cast<std::size_t>(level.columns));
    if (held == 0 || (!last && held < tile)) return true;
    std::vector<unsigned char> out(level.rows.size());
    std::transform(level.rows.begin(), level.rows.end(), out.begin(), down);
    if (GDALRasterIO(level.band, GF_Write, 0, level.written, level.columns, held, out.data(),
                     level.columns, held, GDT_Byte, 0, 0) != CE_None)
        return false;
    level.written += held;
    level.rows.clear();
    return true;
}

// Halves `lines` lines of `columns` cells (kept one up) into the next level's lines.
void halve(const unsigned char* in, int lines, int columns, Level& next) {
    for (int l = 0; l < lines; l += 2) {
        const std::size_t at = next.rows.size();
        next.rows.resize(at + static_cast<std::size_t>(next.columns), 0);
        unsigned char* out = next.rows.data() + at;
        for (int k = l; k < std::min(l + 2, lines); ++k) {
            const unsigned char* row = in + static_cast<std::size_t>(k) * columns;
            for (int c = 0; c < columns; ++c) out[c / 2] = std::max(out[c / 2], row[c]);
        }
    }
}

}  // namespace

std::vector<int> overview_levels(int lines, int columns, int tile) {
    std::vector<int> levels;
    for (int level = 2; std::max(lines, columns) / (level / 2) > tile; level *= 2)
        levels.push_back(level);
    return levels;
}

bool write_order_overviews(GDALRasterBandH band, const ByteGrid& grid, int lines, int columns,
                           const std::vector<int>& levels, int tile) {
    if (levels.empty()) return true;
    std::vector<Level> made(levels.size());
    for (std::size_t k = 0; k < levels.size(); ++k) {
        made[k].band = GDALGetOverview(band, static_cast<int>(k));
        if (made[k].band == nullptr) return false;
        made[k].columns = GDALGetRasterBandXSize(made[k].band);
        made[k].lines = GDALGetRasterBandYSize(made[k].band);
    }
    // The base is taken in bands of as many lines as the coarsest level covers with one of its
    // lines: each band gives whole lines of every level.
    const int band_lines = levels.back();
    std::vector<unsigned char> base(static_cast<std::size_t>(band_lines) * columns);
    std::vector<unsigned char> from;
    for (int first = 0; first < lines; first += band_lines) {
        const int n = std::min(band_lines, lines - first);
        for (int l = 0; l < n; ++l) {
            std::transform(grid[first + l], grid[first + l] + columns,
                           base.begin() + static_cast<std::ptrdiff_t>(l) * columns, up);
        }
        const unsigned char* in = base.data();
        int in_lines = n;
        int in_columns = columns;
        for (Level& level : made) {
            const std::size_t at = level.rows.size();
            halve(in, in_lines, in_columns, level);
            from.assign(level.rows.begin() + static_cast<std::ptrdiff_t>(at), level.rows.end());
            in = from.data();
            in_lines = (in_lines + 1) / 2;
            in_columns = level.columns;
            if (!flush(level, tile, false)) return false;
        }
    }
    for (Level& level : made) {
        if (!flush(level, tile, true)) return false;
    }
    return true;
}
