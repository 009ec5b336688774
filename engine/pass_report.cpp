#include "engine/pass_report.h"

#include <cstddef>
#include <cstdio>

#include "driver/console.h"
#include "driver/run_state.h"

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
        std::fprintf(info, "\n\t\tsegment %d num_pix %d length %lf ", l, w.segm_points[walk],
                     w.segm_dist[walk]);
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
