#include "engine/pass_report.h"

#include <charconv>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "base/console.h"
#include "base/run_state.h"

namespace {

// "\n\t\tsegment %d num_pix %d length %lf " without the formatted-output machinery: a pass of a
// large raster lists hundreds of thousands of segments. The fixed notation with six decimals is
// the one "%lf" prints, digit for digit.
void write_segment_line(std::FILE* info, int l, int points, double length) {
    char line[400];
    char* p = line;
    char* const end = line + sizeof line;
    auto text = [&](const char* t) {
        const std::size_t n = std::strlen(t);
        std::memcpy(p, t, n);
        p += n;
    };
    text("\n\t\tsegment ");
    p = std::to_chars(p, end, l).ptr;
    text(" num_pix ");
    p = std::to_chars(p, end, points).ptr;
    text(" length ");
    p = std::to_chars(p, end, length, std::chars_format::fixed, 6).ptr;
    text(" ");
    std::fwrite(line, 1, static_cast<std::size_t>(p - line), info);
}

}  // namespace

void report_pass(RunState& s, Console& c, int k, const PassWalks& w) {
    std::FILE* info = s.finfo.get();
    print(c, "\n\n\t\tNumber of segments : %d ", s.num_segm[k]);
    std::fprintf(info, "\n\n\tOrder number %d ", k);
    std::fprintf(info, "\n\n\t\tNumber of segments : %d ", s.num_segm[k]);
    double total_distance = 0.0;  // metres
    int l = 0;
    for (std::size_t walk = 0; walk < w.segm_dist.size(); ++walk) {
        if (!w.segm_counted[walk]) continue;
        ++l;
        total_distance += w.segm_dist[walk];
        write_segment_line(info, l, w.segm_points[walk], w.segm_dist[walk]);
    }
    std::fprintf(info, "\n\n\t\tTotal length = %lf meters ", total_distance);
    s.red_length += total_distance;
    if (s.num_segm[k] == 1) {
        print(c, "\n\t\tlength of this segment =  %lf ", total_distance);
    } else {
        print(c, "\n\t\ttotal length of the sum of these segments =  %lf ", total_distance);
    }
}

void merge_labels(RunState& s) {
    for (int i = 0; i < s.nb_lig; ++i) {
        for (int j = 0; j < s.nb_col; ++j) {
            if (s.tab4[i][j] != 255) s.tab5[i][j] = s.tab4[i][j];
        }
    }
}
