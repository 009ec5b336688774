// Nothing is asked: a raw image without its descriptor, or a BMP image without a pixel size,
// is refused with its reason.

#include "cli/network_input.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/file.h"
#include "base/input_file.h"
#include "base/nrutil.h"
#include "base/pixel_size.h"
#include "base/run_state.h"
#include "formats/ascii_image.h"
#include "formats/grey_bmp.h"
#include "formats/image.h"
#include "formats/raw_image.h"

namespace {

std::string lower_extension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return ext;
}

// Only a regular file is read: a folder, a pipe or a device could block or never end.
File open_input(const std::string& path, std::string& fault) {
    InputFault why = InputFault::none;
    File f = open_input_file(path, why);
    if (f) return f;
    const std::string reason = why == InputFault::missing       ? "no such file"
                               : why == InputFault::not_regular ? "not a regular file"
                                                                : std::strerror(errno);
    fault = path + ": cannot be opened (" + reason + ")";
    return nullptr;
}

std::string sizes(const RunState& s) {
    return std::to_string(s.nb_lig) + " lines x " + std::to_string(s.nb_col) + " columns";
}

bool allocate(RunState& s, std::string& fault) {
    s.tab1 = ByteGrid(ucmatrice(s.nb_col, s.nb_lig), s.nb_lig);
    if (!s.tab1) fault = s.nomim1 + ": not enough memory for an image of " + sizes(s);
    return static_cast<bool>(s.tab1);
}

bool load_raw(RunState& s, std::string& fault) {
    s.nomdescr1 = descriptor_of(s.nomim1);
    File image = open_input(s.nomim1, fault);
    if (!image) return false;
    File descriptor = open_input(s.nomdescr1, fault);
    if (!descriptor) {
        fault += "; the descriptor of a raw image gives its lines, columns and pixel size";
        return false;
    }
    RawDescriptor d;
    const bool complete = read_raw_descriptor(descriptor.get(), d);
    if (!complete || d.nb_lig <= 0 || d.nb_col <= 0) {
        fault = s.nomdescr1 +
                ": expected six numbers, the lines and the columns positive (lines, columns, 1, 0,"
                " 255, pixel size)";
        return false;
    }
    keep_raw_descriptor(d, s);
    unsigned long long bytes = 0;
    if (!raw_file_holds(s.nomim1, s.nb_lig, s.nb_col, bytes)) {
        fault = s.nomim1 + ": holds " + std::to_string(bytes) + " bytes, fewer than " + sizes(s);
        return false;
    }
    if (!allocate(s, fault)) return false;
    int failed_line = 0;
    if (!read_raw_rows(image.get(), s.tab1, s.nb_lig, s.nb_col, failed_line)) {
        fault = s.nomim1 + ": could not be read at line " + std::to_string(failed_line);
        return false;
    }
    return true;
}

bool load_bmp(RunState& s, std::string& fault) {
    if (!open_input(s.nomim1, fault)) return false;
    int type = 0;
    Color32* palette = nullptr;  // no palette wanted: the stored values are the greys
    unsigned char** grid = ChargeBMP(s.nomim1.c_str(), &s.nb_col, &s.nb_lig, &type, &palette);
    if (grid == nullptr) {
        fault = s.nomim1 +
                ": cannot be read: an uncompressed BMP image of 8 bits (with a palette of 256"
                " entries) or 24 bits per pixel is expected, complete";
        return false;
    }
    s.tab1 = ByteGrid(grid, s.nb_lig);
    if (type == 2) bgr_to_grey(s.tab1, s.nb_lig, s.nb_col);
    return true;
}

std::string ascii_fault(const RunState& s, const AsciiHeader& h, const AsciiReadResult& r) {
    const std::string& file = s.nomim1;
    switch (r.fault) {
        case AsciiFault::bad_header_value:
            return file + ": the value of " + h.keyword + " (header line " +
                   std::to_string(r.item) + ") is not a number";
        case AsciiFault::bad_size:
            return file + ": the value of " + h.keyword + " (header line " +
                   std::to_string(r.item) + ") is not a whole number from 1 to 2147483647";
        case AsciiFault::bad_cell:
            return file + ": the cell of line " + std::to_string(r.line) + ", column " +
                   std::to_string(r.column) + " is not a whole number";
        case AsciiFault::truncated:
            if (r.item > 0) {
                return file + ": ends within its header, at header line " + std::to_string(r.item);
            }
            return file + ": ends before the cell of line " + std::to_string(r.line) + ", column " +
                   std::to_string(r.column);
        default:
            return file + ": could not be read";
    }
}

bool load_ascii(RunState& s, std::string& fault) {
    File f = open_input(s.nomim1, fault);
    if (!f) return false;
    AsciiReader reader(f.get());
    AsciiHeader h;
    const AsciiReadResult header = ascii_read_header(reader, h);
    if (!header) {
        fault = ascii_fault(s, h, header);
        return false;
    }
    s.nb_col = h.ncols;
    s.nb_lig = h.nrows;
    s.X_min = h.xllcorner;
    s.Y_min = h.yllcorner;
    s.dpix_size = h.cellsize;
    s.open_ascii_OK = true;
    unsigned long long bytes = 0;
    if (!ascii_file_may_hold(s.nomim1, s.nb_lig, s.nb_col, bytes)) {
        fault = s.nomim1 + ": holds " + std::to_string(bytes) + " bytes, too few for " + sizes(s) +
                " of cells";
        return false;
    }
    if (!allocate(s, fault)) return false;
    const AsciiReadResult cells = read_ascii_cells(reader, s.tab1, s.nb_lig, s.nb_col, nullptr);
    if (!cells) {
        fault = ascii_fault(s, h, cells);
        return false;
    }
    return true;
}

}  // namespace

std::optional<int> image_type_of(const std::string& path) {
    const std::string ext = lower_extension(path);
    if (ext == ".raw") return 0;
    if (ext == ".bmp") return 1;
    if (ext == ".asc") return 2;
    return std::nullopt;
}

std::string descriptor_of(const std::string& path) {
    return std::filesystem::path(path).replace_extension(".txt").string();
}

bool load_network(RunState& s, const std::string& path, int type, std::optional<double> pixel_size,
                  std::string& fault) {
    s.nomim1 = path;
    s.river_type = type;
    const bool loaded = type == 0   ? load_raw(s, fault)
                        : type == 1 ? load_bmp(s, fault)
                                    : load_ascii(s, fault);
    if (!loaded) return false;
    if (pixel_size) s.dpix_size = *pixel_size;
    // Lengths are counted in pixel sizes: without a positive one every figure would be wrong.
    if (!valid_pixel_size(s.dpix_size)) {
        fault = path + (type == 1 ? ": a BMP image carries no pixel size; give --pixel-size"
                                  : ": the pixel size of the file is not a positive number;"
                                    " give --pixel-size");
        s.tab1.reset();
        return false;
    }
    return true;
}
