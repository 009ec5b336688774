#include "run/order_grid.h"

#include <filesystem>
#include <vector>

#include "base/output_file.h"
#include "base/output_set.h"
#include "formats/ascii_image.h"
#include "formats/grey_bmp.h"
#include "formats/raw_image.h"
#include "run/network_run.h"

bool write_whole(const std::string& path, const std::function<bool(File&)>& write) {
    PendingOutput out;
    File f = begin_output(out, path);
    if (!f || !write(f)) return false;  // the temporary goes with out
    return put_in_place(out);
}

std::string write_raw_pair(NetworkRun& s, const std::string& hdr_text) {
    PendingOutput descriptor_out;
    File d = begin_output(descriptor_out, s.nomdescr2);
    if (!d || !write_result_descriptor(d.get(), s.nb_lig, s.nb_col, s.dpix_size) ||
        !close_output(d))
        return s.nomdescr2;
    PendingOutput hdr_out;
    if (!hdr_text.empty()) {
        const std::string hdr = std::filesystem::path(s.nomim2).replace_extension(".hdr").string();
        File h = begin_output(hdr_out, hdr);
        if (!h || std::fwrite(hdr_text.data(), 1, hdr_text.size(), h.get()) != hdr_text.size() ||
            !close_output(h))
            return hdr;
    }
    PendingOutput image_out;
    PendingOutput& out = s.tab5.on_file ? s.result_out : image_out;
    if (!s.tab5.on_file) s.f2 = begin_output(image_out, s.nomim2);  // else already in its temporary
    if (!write_raw_image(s.f2, s.tab5, s.nb_lig, s.nb_col)) return s.nomim2;
    std::vector<SetMember> set;
    for (PendingOutput* o : {&out, &descriptor_out, &hdr_out})
        if (*o) set.push_back({o->temp, o->path});  // a device has been written straight
    std::string failed;
    if (!put_in_place_together(set, failed)) return failed;  // the temporaries go with their owners
    for (PendingOutput* o : {&out, &descriptor_out, &hdr_out}) o->temp.clear();
    return "";
}

std::string write_order_grid(NetworkRun& s, const std::function<void(int)>& line_done) {
    bool written = false;
    switch (s.image_type) {
        case ImageType::raw:
            return write_raw_pair(s, "");
        case ImageType::bmp:  // written whole by the BMP writer itself
            written = save_grey_bmp(s.nomim2, s.tab5, s.nb_lig, s.nb_col);
            break;
        default:
            written = write_whole(s.nomim2, [&](File& f) {
                return write_ascii_image(f, s.tab5, s.nb_lig, s.nb_col, s.X_min, s.Y_min,
                                         s.dpix_size, line_done, s.threads);
            });
            break;
    }
    return written ? "" : s.nomim2;
}
