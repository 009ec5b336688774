#include "cli/order_image.h"

#include <cstdio>
#include <functional>

#include "base/file.h"
#include "base/output_file.h"
#include "base/run_state.h"
#include "formats/ascii_image.h"
#include "formats/grey_bmp.h"
#include "formats/raw_image.h"

namespace {

// write closes the file it is given, as the raw and ASCII writers do.
bool write_whole(const std::string& path, const std::function<bool(File&)>& write) {
    PendingOutput out;
    File f = begin_output(out, path);
    if (!f || !write(f)) return false;  // the temporary goes with out
    return put_in_place(out);
}

}  // namespace

bool write_order_image(const RunState& s, std::string& failed) {
    if (s.image_type == 0) {
        const bool descriptor = write_whole(s.nomdescr2, [&](File& f) {
            return write_result_descriptor(f.get(), s.nb_lig, s.nb_col, s.dpix_size) &&
                   close_output(f);
        });
        if (!descriptor) {
            failed = s.nomdescr2;
            return false;
        }
    }
    bool image = false;
    switch (s.image_type) {
        case 0:
            image = write_whole(
                s.nomim2, [&](File& f) { return write_raw_image(f, s.tab5, s.nb_lig, s.nb_col); });
            break;
        case 1:  // written whole by the BMP writer itself
            image = save_grey_bmp(s.nomim2, s.tab5, s.nb_lig, s.nb_col);
            break;
        default:
            image = write_whole(s.nomim2, [&](File& f) {
                return write_ascii_image(f, s.tab5, s.nb_lig, s.nb_col, s.X_min, s.Y_min,
                                         s.dpix_size, nullptr);
            });
            break;
    }
    if (!image) failed = s.nomim2;
    return image;
}
