#include "engine/step_images.h"

#include <cstdio>
#include <string>

#include "base/console.h"
#include "base/run_state.h"
#include "formats/image.h"

void name_step_images(RunState& s, int k) {
    if (k < 1 || k > 5) return;
    const std::string step = std::to_string(k);
    s.nomim3 = s.nomim_step + "_points_step" + step + ".bmp";
    s.nomim4 = s.nomim_step + "_segments_step" + step + ".bmp";
}

void save_points_image(RunState& s, Console& c) {
    print(c, "\n\t\tSaving %s ", s.nomim3.c_str());
    if (SauveBMP(s.nomim3.c_str(), s.tab2.rows, s.nb_col, s.nb_lig, 0, nullptr) == 0) {
        std::fprintf(s.finfo.get(), "\n\n\t%s saved ", s.nomim3.c_str());
    } else {
        print(c, "\n\t\t%s could not be saved ", s.nomim3.c_str());
        std::fprintf(s.finfo.get(), "\n\n\t%s could not be saved ", s.nomim3.c_str());
    }
}

void save_segments_image(RunState& s, Console& c) {
    print(c, "\n\t\tSaving %s ", s.nomim4.c_str());
    // The report line follows the attempt, so that it never claims a file that is not there.
    if (SauveBMP(s.nomim4.c_str(), s.tab1.rows, s.nb_col, s.nb_lig, 0, nullptr) == 0) {
        std::fprintf(s.finfo.get(), "\n\t%s saved", s.nomim4.c_str());
    } else {
        print(c, "\n\t\t%s could not be saved ", s.nomim4.c_str());
        std::fprintf(s.finfo.get(), "\n\t%s could not be saved", s.nomim4.c_str());
    }
}
