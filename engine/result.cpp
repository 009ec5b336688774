#include "engine/result.h"

#include <cstddef>
#include <cstdio>

#include "base/console.h"
#include "base/run_state.h"
#include "formats/ascii_grid.h"
#include "formats/image.h"

namespace {

// Line 0 first, nothing between the lines; the descriptor was written at output set-up.
bool write_raw(RunState& s) {
    if (!s.f2) return false;
    const auto width = static_cast<std::size_t>(s.nb_col);
    bool ok = true;
    for (int i = 0; i < s.nb_lig && ok; ++i) {
        ok = std::fwrite(s.tab5[i], 1, width, s.f2.get()) == width;
    }
    return std::fclose(s.f2.release()) == 0 && ok;
}

bool write_ascii(RunState& s, Console& c) {
    print(c, "\n\n");
    if (!s.f2) return false;
    AsciiWriter w(s.f2.get());
    ascii_write_header(w, s.nb_col, s.nb_lig, s.X_min, s.Y_min, s.dpix_size);
    for (int i = 0; i < s.nb_lig; ++i) {
        if (i > 0 && i % 100 == 0) print(c, "\tline %d                \r", i);
        ascii_write_line(w, s.tab5[i], s.nb_col);
    }
    const bool ok = ascii_write_finish(w);
    return std::fclose(s.f2.release()) == 0 && ok;
}

// True when the image was written, and when the result type asks for none.
bool write_image(RunState& s, Console& c) {
    switch (s.image_type) {
        case 0:
            return write_raw(s);
        case 1:
            return SauveBMP(s.nomim2.c_str(), s.tab5.rows, s.nb_col, s.nb_lig, 0, nullptr) == 0;
        case 2:
            return write_ascii(s, c);
        default:
            return true;
    }
}

}  // namespace

void write_result(RunState& s, Console& c) {
    print(c, "\n\n\tTotal drainage network length = %lf meters ", s.red_length);
    const bool written = write_image(s, c);
    std::FILE* info = s.finfo.get();
    std::fprintf(info, "\n\n\tTotal drainage network length = %lf meters ", s.red_length);
    if (written) {
        std::fprintf(info, "\n\n\tName of the resulting file : %s ", s.nomim2.c_str());
        print(c, "\n\n\tName of the resulting file : %s ", s.nomim2.c_str());
    } else {
        s.status = 1;
        std::fprintf(info, "\n\n\tThe resulting file %s could not be written ", s.nomim2.c_str());
        print(c, "\n\n\tThe resulting file %s could not be written ", s.nomim2.c_str());
    }
}
