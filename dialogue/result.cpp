#include "dialogue/result.h"

#include "base/console.h"
#include "base/output_file.h"
#include "dialogue/run_state.h"
#include "formats/ascii_image.h"
#include "formats/grey_bmp.h"
#include "formats/raw_image.h"
#include "formats/report_lines.h"

namespace {

// True when the image was written, and when the result type asks for none. The raw and ASCII
// streams were opened at output set-up on temporaries (the raw descriptor written there too) and
// are closed here; the files are put in place only when complete: the raw image together with
// its descriptor, or neither.
bool write_image(RunState& s, Console& c) {
    switch (s.image_type) {
        case ImageType::raw: {
            bool written = write_raw_image(s.f2, s.tab5, s.nb_lig, s.nb_col);
            written = close_output(s.f2d) && written;
            if (!written) {
                abandon(s.result_out);
                abandon(s.descr_out);
                return false;
            }
            return put_in_place(s.result_out) && put_in_place(s.descr_out);
        }
        case ImageType::bmp:
            return save_grey_bmp(s.nomim2, s.tab5, s.nb_lig, s.nb_col);
        case ImageType::ascii: {
            print(c, "\n\n");
            const bool written = write_ascii_image(
                s.f2, s.tab5, s.nb_lig, s.nb_col, s.X_min, s.Y_min, s.dpix_size,
                [&](int i) { print(c, "\tline %d                \r", i); }, s.threads);
            if (!written) abandon(s.result_out);
            return written && put_in_place(s.result_out);
        }
        default:
            return true;
    }
}

}  // namespace

void write_result(RunState& s, Console& c) {
    print(c, "\n\n\tTotal drainage network length = %lf meters ", s.red_length);
    const bool written = write_image(s, c);
    report_closing(s.finfo.get(), s.red_length, s.nomim2, written);
    if (written) {
        print(c, "\n\n\tName of the resulting file : %s ", s.nomim2.c_str());
    } else {
        s.status = 1;
        print(c, "\n\n\tThe resulting file %s could not be written ", s.nomim2.c_str());
    }
}
