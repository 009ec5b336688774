// Any fault of the file ends the run with a message naming the file and the place; nothing is
// filled in silently.

#include "dialogue/ascii_input.h"

#include "base/console.h"
#include "base/pixel_size.h"
#include "dialogue/allocate.h"
#include "dialogue/run_end.h"
#include "dialogue/run_state.h"
#include "formats/ascii_image.h"

namespace {

[[noreturn]] void header_refused(RunState& s, Console& c, const AsciiHeader& h,
                                 const AsciiReadResult& r) {
    s.f1.reset();
    const char* file = s.nomim1.c_str();
    switch (r.fault) {
        case AsciiFault::bad_header_value:
            end_run(c, 1, "\n\tFile %s: the value of %s (header line %d) is not a number\n", file,
                    h.keyword.c_str(), r.item);
        case AsciiFault::bad_size:
            end_run(c, 1,
                    "\n\tFile %s: the value of %s (header line %d) is not a whole number from 1"
                    " to 2147483647\n",
                    file, h.keyword.c_str(), r.item);
        case AsciiFault::truncated:
            end_run(c, 1, "\n\tFile %s ends within its header, at header line %d\n", file, r.item);
        default:
            end_run(c, 1, "\n\tFile %s could not be read\n", file);
    }
}

[[noreturn]] void cells_refused(RunState& s, Console& c, const AsciiReadResult& r) {
    s.f1.reset();
    const char* file = s.nomim1.c_str();
    switch (r.fault) {
        case AsciiFault::bad_cell:
            end_run(c, 1, "\n\tFile %s: cell of line %d, column %d is not a whole number\n", file,
                    r.line, r.column);
        case AsciiFault::truncated:
            end_run(c, 1, "\n\tFile %s ends before the cell of line %d, column %d\n", file, r.line,
                    r.column);
        default:
            end_run(c, 1, "\n\tFile %s could not be read at line %d\n", file, r.line);
    }
}

}  // namespace

void load_ascii_input(RunState& s, Console& c) {
    print(c, "\n");
    AsciiReader reader(s.f1.get());
    AsciiHeader h;
    const AsciiReadResult header = ascii_read_header(reader, h);
    if (!header) header_refused(s, c, h, header);
    s.nb_col = h.ncols;
    s.nb_lig = h.nrows;
    s.X_min = h.xllcorner;
    s.Y_min = h.yllcorner;
    s.dpix_size = h.cellsize;
    if (!valid_pixel_size(s.dpix_size)) {
        s.f1.reset();
        end_run(c, 1,
                "\n\tFile %s: the cell size (header line 5) must be a number of metres above 0\n",
                s.nomim1.c_str());
    }
    if (!pixel_size_in_range(s.dpix_size)) {
        s.f1.reset();
        end_run(c, 1, "\n\tFile %s: the cell size (header line 5) must be a number of metres %s\n",
                s.nomim1.c_str(), kPixelSizeRange);
    }

    unsigned long long bytes = 0;
    if (!ascii_file_may_hold(s.nomim1, s.nb_lig, s.nb_col, bytes)) {
        s.f1.reset();
        end_run(c, 1, "\n\tFile %s holds %llu bytes, too few for %d lines x %d columns of cells\n",
                s.nomim1.c_str(), bytes, s.nb_lig, s.nb_col);
    }
    s.tab1 = allocate_grid(s, c, "an image");

    const AsciiReadResult cells = read_ascii_cells(
        reader, s.tab1, s.nb_lig, s.nb_col,
        [&](int i) { print(c, "\tline %d                \r", i); }, s.threads);
    if (!cells) cells_refused(s, c, cells);
    print(c, "\n");
    s.f1.reset();
}
