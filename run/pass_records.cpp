#include "run/pass_records.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "base/output_file.h"
#include "formats/grey_bmp.h"
#include "run/network_run.h"
#include "run/result_names.h"

namespace {

// The points image of a pass waits under this name until the pass has walked: beside the file
// the name leads to (links followed), and named as a temporary of base/output_file.h, so that a
// run killed meanwhile leaves only a .tmp- file.
std::string pending_name(const std::string& image) {
    return output_target(image) + ".tmp-pending";
}

// A device or a pipe under the image's name is written straight, as base/output_file.h does,
// never replaced by a rename.
bool written_straight(const std::string& image) {
    struct stat st {};
    return ::stat(image.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

void remove_pending(const std::string& image) {
    std::error_code ec;
    std::filesystem::remove(pending_name(image), ec);
}

}  // namespace

// The points image shows the pass before its walks, so it is saved now, whole, under its
// pending name: whether the pass walks at all is known only at its end, and a pass that finds
// nothing must not replace the image of an earlier pass (passes after 5 share the pass-5 names).
void PassRecorder::pass_begins(int k, const std::string& border_text) {
    static_cast<void>(border_text);
    if (used_up || s.save_step != 1) return;
    const std::string image = step_image_name(s.nomim_step, "points", k);
    points_written = save_grey_bmp(written_straight(image) ? image : pending_name(image), s.tab2,
                                   s.nb_lig, s.nb_col);
}

void PassRecorder::pass_ends(int k, const PassWalks& w) {
    if (used_up) return;
    const std::string points_image = step_image_name(s.nomim_step, "points", k);
    if (stop_when_used_up && w.segm_order == 0) {
        used_up = true;
        if (s.save_step == 1) remove_pending(points_image);
        return;
    }
    PassRecord pass;
    pass.k = k;
    pass.segments = counted_walks(w);
    pass.total = counted_length(w);
    pass.first_segment = record.segments.size();
    if (s.save_step == 1) {
        pass.steps = true;
        pass.points_image = points_image;
        pass.segments_image = step_image_name(s.nomim_step, "segments", k);
        pass.points_saved =
            points_written && (written_straight(points_image) ||
                               std::rename(pending_name(points_image).c_str(),
                                           output_target(points_image).c_str()) == 0);
        if (!pass.points_saved) remove_pending(points_image);
        pass.segments_saved = save_grey_bmp(pass.segments_image, s.tab1, s.nb_lig, s.nb_col);
    }
    int number = 0;
    for (std::size_t walk = 0; walk < w.segm_dist.size(); ++walk) {
        if (!w.segm_counted[walk]) continue;
        TracedSegment seg;
        seg.pass = k;
        seg.number = ++number;
        seg.points = w.segm_points[walk];
        seg.length = w.segm_dist[walk];
        if (keep_paths && walk < w.segm_path.size() && !w.segm_path[walk].empty()) {
            seg.first = w.segm_path[walk].front();
            seg.last = w.segm_path[walk].back();
            seg.path = w.segm_path[walk];
        }
        record.segments.push_back(seg);
    }
    record.passes.push_back(pass);
}

void PassRecorder::network_done(const std::vector<long long>& flows_into) {
    const std::size_t n = std::min(flows_into.size(), record.segments.size());
    for (std::size_t i = 0; i < n; ++i) {
        const long long below = flows_into[i];
        const bool known = below >= 0 && static_cast<std::size_t>(below) < record.segments.size();
        record.segments[i].flows_into = known ? below : -1;
    }
}
