// The pass loop. Pass k labels with k every pixel that its walks trace, which is the Strahler
// order of the stream: a junction whose upstream branches were all erased by the passes before
// is an end point of the next pass.
//
// Only the preparation scans whole grids. A pass then works on what changes: its walks start
// from the list of end points, their labels go straight into the result tab5, and the codes of
// the pixels where the walks stopped give the next pass's end points (and bring the points image
// up to date, when it is kept for the step images). Neither the copy `tab` nor the per-pass
// labels `tab4` are needed (see fast_walk.h). What it reports to its front end, and so the
// console text, the report and every image, is the same, byte for byte, as what the reference
// engine of the tests reports, which scans the grids in every pass.

#include "engine/treatment.h"

#include <algorithm>
#include <vector>

#include "base/run_state.h"
#include "engine/fast_walk.h"
#include "engine/fill.h"
#include "engine/length.h"
#include "engine/neighbours.h"
#include "engine/pass_events.h"
#include "engine/point_updates.h"
#include "engine/walks.h"

void treatment(RunState& s, PassEvents& events) {
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
            events.pass_begins(k, border);

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

            s.red_length += counted_length(w);
            events.pass_ends(k, w);
            starts = reclassify_stops(s, stops);
        }
    }
}
