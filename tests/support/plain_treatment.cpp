// The pass loop. Pass k labels with k every pixel that its walks trace, which is the Strahler
// order of the stream: a junction whose upstream branches were all erased by the passes before
// is an end point of the next pass.
//
// This engine scans whole grids in every pass, step by step as the passes are defined. The
// program runs the faster `treatment`; this one stays as the reference that it must match byte
// for byte (tests and benchmarks), and is not part of the program.

#include "tests/support/plain_treatment.h"

#include <algorithm>

#include "dialogue/run_state.h"
#include "engine/classify.h"
#include "engine/fill.h"
#include "engine/length.h"
#include "engine/pass_events.h"
#include "engine/walks.h"
#include "tests/support/classify_points.h"
#include "tests/support/mark_border.h"
#include "tests/support/trace.h"

namespace {

// Copies every label of tab4 into tab5: a pixel keeps the order of the last pass that labelled it.
void merge_labels(RunState& s) {
    for (int i = 0; i < s.nb_lig; ++i) {
        for (int j = 0; j < s.nb_col; ++j) {
            if (s.tab4[i][j] != 255) s.tab5[i][j] = s.tab4[i][j];
        }
    }
}

}  // namespace

void plain_treatment(RunState& s, PassEvents& events) {
    s.red_length = 0.0;
    for (int i = 0; i < s.nb_lig; ++i) {
        std::copy(s.tab1[i], s.tab1[i] + s.nb_col, s.tab[i]);
    }
    const StepLengths d = step_lengths(s.dpix_size);
    fill_grid(s.tab5.rows, s.nb_lig, s.nb_col, 255);
    s.num_segm.fill(0);

    // num_segm has no entry beyond order 63 (the parameters dialogue refuses more).
    const int last = std::min(s.Num_order, static_cast<int>(s.num_segm.size()) - 1);
    for (int k = 1; k <= last; ++k) {
        PassWalks w;
        classify_points(s);
        events.pass_begins(k, mark_border(s));
        fill_grid(s.tab4.rows, s.nb_lig, s.nb_col, 255);
        trace_segments(s, k, d, w);
        s.red_length += counted_length(w);
        events.pass_ends(k, w);
        merge_labels(s);
    }
}
