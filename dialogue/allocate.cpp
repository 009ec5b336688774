#include "dialogue/allocate.h"

#include "base/nrutil.h"
#include "dialogue/output_setup.h"
#include "dialogue/run_end.h"
#include "dialogue/run_state.h"

ByteGrid allocate_grid(RunState& s, Console& c, const char* what) {
    ByteGrid grid(ucmatrice_unset(s.nb_col, s.nb_lig), s.nb_lig);
    if (!grid) {
        s.f1.reset();
        discard_outputs(s);
        end_run(c, 1, "\n\tNot enough memory for %s of %d lines and %d columns\n", what, s.nb_lig,
                s.nb_col);
    }
    return grid;
}
