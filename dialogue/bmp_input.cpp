// BMP input: the network image read by ChargeBMP, a 24-bit picture turned into grey values,
// then the pixel size, which a BMP file does not carry in a form this program trusts.

#include <cstdlib>

#include "base/console.h"
#include "base/file.h"
#include "base/run_state.h"
#include "dialogue/ask.h"
#include "dialogue/phases.h"
#include "dialogue/run_end.h"
#include "formats/image.h"

namespace {

// Turns each line of blue, green, red triples into one grey byte per pixel, in place, with
// integer weights that keep a grey pixel (R = G = B) at exactly its value. Each line is then
// shrunk to nb_col bytes; a line that cannot shrink keeps its size, which release does not need.
void to_grey(ByteGrid& grid, int nb_lig, int nb_col) {
    for (int i = 0; i < nb_lig; ++i) {
        unsigned char* line = grid.rows[i];
        for (int j = 0; j < nb_col; ++j) {
            const unsigned char* bgr = line + 3 * static_cast<std::size_t>(j);
            const unsigned v = (299u * bgr[2] + 587u * bgr[1] + 114u * bgr[0] + 500u) / 1000u;
            line[j] = static_cast<unsigned char>(v);
        }
        if (void* shrunk = std::realloc(line, static_cast<std::size_t>(nb_col))) {
            grid.rows[i] = static_cast<unsigned char*>(shrunk);
        }
    }
}

}  // namespace

void load_bmp_input(RunState& s, Console& c) {
    // A file that cannot be opened at all is answered like a missing raw or ASCII input.
    if (!open_file(s.nomim1, "rb")) {
        print(c, "\n\tFile %s unknown\n", s.nomim1.c_str());
        throw RunEnd{0, true};
    }
    int type = 0;
    Color32* palette = nullptr;  // null: no palette wanted, the stored values are the greys
    unsigned char** grid = ChargeBMP(s.nomim1.c_str(), &s.nb_col, &s.nb_lig, &type, &palette);
    if (grid == nullptr) {
        end_run(c, 1,
                "\n\tFile %s cannot be read: an uncompressed BMP image of 8 bits (with a palette"
                " of 256 entries) or 24 bits per pixel is expected, complete\n",
                s.nomim1.c_str());
    }
    s.tab1 = ByteGrid(grid, s.nb_lig);
    if (type == 2) to_grey(s.tab1, s.nb_lig, s.nb_col);

    if (s.dpix_size == 0.0) {
        s.dpix_size = ask_real(c, [&] { print(c, "\n\tpixel size? "); });
    }
}
