// The pass loop. Pass k labels with k every pixel that its walks trace, which is the Strahler
// order of the stream: a junction whose upstream branches were all erased by the passes before
// is an end point of the next pass.
//
// Only the preparation scans whole grids. A pass then works on what changes: its walks start
// from the list of end points, their labels go straight into the result tab5, and the codes of
// the pixels where the walks stopped give the next pass's end points (and bring the points image
// up to date, when it is kept for the step images). Neither the copy `tab` nor the per-pass
// labels `tab4` are needed (see fast_walk.h). The console text, the report and
// every image are the same, byte for byte, as those of plain_treatment, which scans the grids
// in every pass.

#include "engine/treatment.h"

#include <algorithm>
#include <vector>

#include "base/console.h"
#include "base/run_state.h"
#include "dialogue/phases.h"
#include "engine/fast_walk.h"
#include "engine/fill.h"
#include "engine/length.h"
#include "engine/neighbours.h"
#include "engine/pass_report.h"
#include "engine/point_updates.h"
#include "engine/result.h"
#include "engine/step_images.h"
#include "engine/walks.h"

void treatment(RunState& s, Console& c) {
    s.red_length = 0.0;
    const StepLengths d = step_lengths(s.dpix_size);
    fill_grid(s.tab5, s.nb_lig, s.nb_col, 255);
    s.num_segm.fill(0);

    // num_segm has no entry beyond order 63 (the parameters dialogue refuses more).
    const int last = std::min(s.Num_order, static_cast<int>(s.num_segm.size()) - 1);
    if (last >= 1) {
        std::vector<PixelIndex> starts = classify_all(s);
        const std::string border = mark_border_once(s);
        const WalkGrids g{s.tab1.rows, s.tab2.rows, s.tab5.rows, network_value(s.val_red),
                          s.nb_lig,    s.nb_col};
        std::vector<PixelIndex> stops;
        for (int k = 1; k <= last; ++k) {
            PassWalks w;
            print(c, "\n\n\tOrder = %d ", k);
            c.out->write(border.data(), static_cast<std::streamsize>(border.size()));
            key_pause(s, c);
            name_step_images(s, k);
            if (s.save_step == 1) save_points_image(s, c);

            stops.clear();
            for (PixelIndex p : starts) {
                ++w.segm_order;
                const WalkEnd end = fast_walk(g, k, static_cast<int>(p / s.nb_col),
                                              static_cast<int>(p % s.nb_col), d);
                if (end.counted) {
                    ++s.num_segm[k];
                    stops.push_back(static_cast<PixelIndex>(end.last_i) * s.nb_col + end.last_j);
                }
                w.segm_points.push_back(end.points);
                w.segm_dist.push_back(end.length);
                w.segm_counted.push_back(end.counted ? 1 : 0);
            }

            if (s.save_step == 1) save_segments_image(s, c);
            report_pass(s, c, k, w);
            starts = reclassify_stops(s, stops);
        }
    }
    write_result(s, c);
}
