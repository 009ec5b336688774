// The pass loop. Pass k labels with k every pixel that its walks trace, which is the Strahler
// order of the stream: a junction whose upstream branches were all erased by the passes before
// is an end point of the next pass.
//
// This engine scans whole grids in every pass, step by step as the passes are defined. The
// program runs the faster `treatment`; this one stays as the reference that it must match byte
// for byte (tests and benchmarks).

#include "tests/support/plain_treatment.h"

#include <algorithm>

#include "base/console.h"
#include "base/run_state.h"
#include "dialogue/phases.h"
#include "engine/classify.h"
#include "engine/fill.h"
#include "engine/length.h"
#include "engine/pass_report.h"
#include "engine/result.h"
#include "engine/step_images.h"
#include "engine/walks.h"
#include "tests/support/trace.h"

void plain_treatment(RunState& s, Console& c) {
    s.red_length = 0.0;
    for (int i = 0; i < s.nb_lig; ++i) {
        std::copy(s.tab1[i], s.tab1[i] + s.nb_col, s.tab[i]);
    }
    const StepLengths d = step_lengths(s.dpix_size);
    fill_grid(s.tab5, s.nb_lig, s.nb_col, 255);
    s.num_segm.fill(0);

    // num_segm has no entry beyond order 63 (the parameters dialogue refuses more).
    const int last = std::min(s.Num_order, static_cast<int>(s.num_segm.size()) - 1);
    for (int k = 1; k <= last; ++k) {
        PassWalks w;
        print(c, "\n\n\tOrder = %d ", k);
        classify_points(s);
        mark_border(s, c);
        key_pause(s, c);
        name_step_images(s, k);
        if (s.save_step == 1) save_points_image(s, c);
        fill_grid(s.tab4, s.nb_lig, s.nb_col, 255);
        trace_segments(s, k, d, w);
        if (s.save_step == 1) save_segments_image(s, c);
        report_pass(s, c, k, w);
        merge_labels(s);
    }
    write_result(s, c);
}
