#include "cli/order_image.h"

#include <cstdio>

#include "base/file.h"
#include "base/run_state.h"
#include "cli/whole_file.h"
#include "formats/ascii_image.h"
#include "formats/grey_bmp.h"
#include "formats/raw_image.h"

bool write_order_image(const RunState& s, std::string& failed) {
    if (s.image_type == 0) {
        const bool descriptor = write_whole_file(s.nomdescr2, [&](const std::string& temporary) {
            File f = open_file(temporary, "w");
            if (!f || !write_result_descriptor(f.get(), s.nb_lig, s.nb_col, s.dpix_size)) {
                return false;
            }
            return std::fclose(f.release()) == 0;
        });
        if (!descriptor) {
            failed = s.nomdescr2;
            return false;
        }
    }
    const bool image = write_whole_file(s.nomim2, [&](const std::string& temporary) {
        switch (s.image_type) {
            case 0: {
                File f = open_file(temporary, "wb");
                return write_raw_image(f, s.tab5, s.nb_lig, s.nb_col);
            }
            case 1:
                return save_grey_bmp(temporary, s.tab5, s.nb_lig, s.nb_col);
            default: {
                File f = open_file(temporary, "w");
                return write_ascii_image(f, s.tab5, s.nb_lig, s.nb_col, s.X_min, s.Y_min,
                                         s.dpix_size, nullptr);
            }
        }
    });
    if (!image) failed = s.nomim2;
    return image;
}
