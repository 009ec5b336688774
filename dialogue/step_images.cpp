#include "dialogue/step_images.h"

#include <string>

#include "base/console.h"
#include "dialogue/run_state.h"
#include "formats/grey_bmp.h"
#include "run/result_names.h"

void name_step_images(RunState& s, int k) {
    if (k < 1 || k > 5) return;
    s.nomim3 = step_image_name(s.nomim_step, "points", k);
    s.nomim4 = step_image_name(s.nomim_step, "segments", k);
}

bool save_points_image(RunState& s, Console& c) {
    print(c, "\n\t\tSaving %s ", s.nomim3.c_str());
    const bool saved = save_grey_bmp(s.nomim3, s.tab2, s.nb_lig, s.nb_col);
    if (!saved) print(c, "\n\t\t%s could not be saved ", s.nomim3.c_str());
    return saved;
}

bool save_segments_image(RunState& s, Console& c) {
    print(c, "\n\t\tSaving %s ", s.nomim4.c_str());
    const bool saved = save_grey_bmp(s.nomim4, s.tab1, s.nb_lig, s.nb_col);
    if (!saved) print(c, "\n\t\t%s could not be saved ", s.nomim4.c_str());
    return saved;
}
