#include "dialogue/result.h"

#include "base/console.h"
#include "base/output_file.h"
#include "dialogue/run_state.h"
#include "run/order_grid.h"
#include "run/report_file.h"

namespace {

// True when the image was written. The raw result is the result grid itself when it could be
// mapped from its temporary; each file is put in place only when complete, the raw image
// together with its descriptor, or neither.
bool write_image(RunState& s, Console& c) {
    if (s.image_type == ImageType::ascii) print(c, "\n\n");
    return write_order_grid(s, [&](int i) { print(c, "\tline %d                \r", i); }).empty();
}

}  // namespace

void write_result(RunState& s, Console& c) {
    print(c, "\n\n\tTotal drainage network length = %lf meters ", s.red_length);
    const bool written = write_image(s, c);
    report_end(s.finfo.get(), s, written);
    if (written) {
        print(c, "\n\n\tName of the resulting file : %s ", s.nomim2.c_str());
    } else {
        s.status = 1;
        print(c, "\n\n\tThe resulting file %s could not be written ", s.nomim2.c_str());
    }
}
