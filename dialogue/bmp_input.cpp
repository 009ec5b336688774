// The pixel size is asked: a BMP file does not carry it in a form this program trusts.

#include "dialogue/bmp_input.h"

#include <cerrno>
#include <new>

#include "base/console.h"
#include "base/file.h"
#include "dialogue/ask.h"
#include "dialogue/network_file.h"
#include "dialogue/run_end.h"
#include "dialogue/run_state.h"
#include "formats/grey_bmp.h"
#include "formats/image.h"

void load_bmp_input(RunState& s, Console& c) {
    // A file that cannot be opened at all is answered like a missing raw or ASCII input.
    open_network_file(c, s.nomim1);
    int type = 0;
    Color32* palette = nullptr;  // null: no palette wanted, the stored values are the greys
    unsigned char** grid =
        ChargeBMP(s.nomim1.c_str(), &s.nb_col, &s.nb_lig, &type, &palette, s.threads);
    // Storage that ran out is no fault of the file: the run ends as on any other lack of memory.
    if (grid == nullptr && errno == ENOMEM) throw std::bad_alloc();
    if (grid == nullptr) {
        end_run(c, 1,
                "\n\tFile %s cannot be read: an uncompressed BMP image of 8 bits (with a palette"
                " of 256 entries) or 24 bits per pixel is expected, complete\n",
                s.nomim1.c_str());
    }
    s.tab1 = ByteGrid(grid, s.nb_lig);
    if (type == 2) bgr_to_grey(s.tab1, s.nb_lig, s.nb_col);

    if (s.dpix_size == 0.0) s.dpix_size = ask_pixel_size(c, "\n\tpixel size? ");
}
