#include "formats/raw_image.h"

#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "base/bands.h"
#include "base/input_file.h"
#include "base/scan.h"

namespace {

// Six numbers take a few dozen bytes; whatever a descriptor holds beyond its first 64 KiB is
// never read, so a huge or endless file cannot exhaust memory or time.
constexpr std::size_t kDescriptorBytes = 64 * 1024;

std::string read_text(std::FILE* f) {
    std::string text;
    char chunk[4096];
    std::size_t n;
    while (text.size() < kDescriptorBytes && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        text.append(chunk, n);
    }
    return text;
}

// The pixel size truncated toward zero, as a decimal integer (2.9 gives 2, -2.9 gives -2), also
// when it lies beyond the range of an int.
std::string truncated(double pixel) {
    char text[400];
    if (pixel > -2147483648.0 && pixel < 2147483648.0) {
        std::snprintf(text, sizeof text, "%d", static_cast<int>(pixel));
    } else {
        std::snprintf(text, sizeof text, "%.0f", std::trunc(pixel));
    }
    return text;
}

// Reads and writes go in pieces of about this size: one call each, straight between the file and
// the grid, instead of one per line.
constexpr std::size_t kPieceBytes = std::size_t{8} << 20;

// How many lines from line `first` on follow one another in memory (as in a grid of ucmatrice),
// up to kPieceBytes in all; at least one.
int run_of_lines(const ByteGrid& grid, int first, int nb_lig, std::size_t width) {
    const std::size_t most = kPieceBytes / width > 1 ? kPieceBytes / width : 1;
    int last = first;
    while (last + 1 < nb_lig && static_cast<std::size_t>(last + 1 - first) < most &&
           grid[last + 1] == grid[last] + width) {
        ++last;
    }
    return last - first + 1;
}

}  // namespace

bool raw_file_holds(const std::string& path, int nb_lig, int nb_col, unsigned long long& bytes) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    bytes = ec ? 0 : static_cast<unsigned long long>(size);
    const long long needed = static_cast<long long>(nb_lig) * nb_col;
    return !ec && bytes >= static_cast<unsigned long long>(needed);
}

bool read_raw_descriptor(std::FILE* f, RawDescriptor& d) {
    const std::string text = read_text(f);
    const char* p = text.data();
    const char* end = p + text.size();
    return scan_int(p, end, d.nb_lig) && scan_int(p, end, d.nb_col) && scan_int(p, end, d.val) &&
           scan_int(p, end, d.mind) && scan_int(p, end, d.maxd) && scan_real(p, end, d.dpix_size);
}

bool read_raw_rows(std::FILE* f, const ByteGrid& grid, int nb_lig, int nb_col, int& failed_line,
                   int threads) {
    const auto width = static_cast<std::size_t>(nb_col);
    const int bands = band_count(threads, nb_lig, nb_col);
    const off_t start = bands > 1 ? ::ftello(f) : -1;
    if (start >= 0) {
        // Bands of lines read at their own places in the file, one thread each: the system's
        // copy into pages touched for the first time (each cleared first) is most of a read.
        std::vector<int> short_at(static_cast<std::size_t>(bands), -1);  // first line not read
        for_bands(bands, 0, nb_lig, [&](int band, int first, int last) {
            for (int i = first; i < last;) {
                const int lines = run_of_lines(grid, i, last, width);
                const std::size_t want = static_cast<std::size_t>(lines) * width;
                const std::size_t got =
                    read_at(::fileno(f), grid[i], want,
                            start + static_cast<off_t>(static_cast<std::size_t>(i) * width));
                if (got != want) {
                    short_at[static_cast<std::size_t>(band)] = i + static_cast<int>(got / width);
                    return;
                }
                i += lines;
            }
        });
        for (int line : short_at) {
            if (line >= 0) {
                failed_line = line;
                return false;
            }
        }
        // The stream goes where reading it would have left it.
        ::fseeko(f, start + static_cast<off_t>(static_cast<std::size_t>(nb_lig) * width), SEEK_SET);
        return true;
    }
    for (int i = 0; i < nb_lig;) {
        const int lines = run_of_lines(grid, i, nb_lig, width);
        const std::size_t want = static_cast<std::size_t>(lines) * width;
        const std::size_t got = std::fread(grid[i], 1, want, f);
        if (got != want) {
            failed_line = i + static_cast<int>(got / width);
            return false;
        }
        i += lines;
    }
    return true;
}

bool write_input_descriptor(std::FILE* f, int nb_lig, int nb_col, double dpix_size) {
    return std::fprintf(f, "%d\n%d\n%d\n%d\n%d\n%lf\n", nb_lig, nb_col, 1, 0, 255, dpix_size) > 0;
}

bool write_result_descriptor(std::FILE* f, int nb_lig, int nb_col, double dpix_size) {
    return std::fprintf(f, "%d\n%d\n%d\n%d\n%d\n%s\n", nb_lig, nb_col, 1, 0, 255,
                        truncated(dpix_size).c_str()) >= 0 &&
           std::fflush(f) == 0;
}

ByteGrid map_raw_image(const File& f, int nb_lig, int nb_col) {
    if (!f) return {};
    return ByteGrid(ucmatrice_on_file(nb_col, nb_lig, ::fileno(f.get())), nb_lig, true);
}

bool write_raw_image(File& f, const ByteGrid& grid, int nb_lig, int nb_col) {
    if (!f) return false;
    if (grid.on_file) return std::fclose(f.release()) == 0;
    const auto width = static_cast<std::size_t>(nb_col);
    bool ok = true;
    for (int i = 0; i < nb_lig && ok;) {
        const int lines = run_of_lines(grid, i, nb_lig, width);
        const std::size_t want = static_cast<std::size_t>(lines) * width;
        ok = std::fwrite(grid[i], 1, want, f.get()) == want;
        i += lines;
    }
    return std::fclose(f.release()) == 0 && ok;
}
