#include "dialogue/pass_texts.h"

#include <cstdio>
#include <ostream>

#include "base/console.h"
#include "dialogue/key_pause.h"
#include "dialogue/result.h"
#include "dialogue/run_state.h"
#include "dialogue/step_images.h"
#include "formats/report_lines.h"
#include "run/engine_run.h"

void PassTexts::pass_begins(int k, const std::string& border_text) {
    print(c, "\n\n\tOrder = %d ", k);
    c.out->write(border_text.data(), static_cast<std::streamsize>(border_text.size()));
    key_pause(s, c);
    name_step_images(s, k);
    if (s.save_step == 1) save_points_image(s, c);
}

void PassTexts::pass_ends(int k, const PassWalks& w) {
    if (s.save_step == 1) save_segments_image(s, c);
    const double total = counted_length(w);  // metres
    const int segments = counted_walks(w);
    print(c, "\n\n\t\tNumber of segments : %d ", segments);
    report_pass(s.finfo.get(), k, segments, w.segm_points, w.segm_dist, w.segm_counted, total,
                s.threads);
    if (segments == 1) {
        print(c, "\n\t\tlength of this segment =  %lf ", total);
    } else {
        print(c, "\n\t\ttotal length of the sum of these segments =  %lf ", total);
    }
}

void run_passes(RunState& s, Console& c) {
    PassTexts texts(s, c);
    run_engine(s, texts);
    end_passes(s, c);
}

void end_passes(RunState& s, Console& c) {
    const std::string unsound = unsound_block(s.loop_pixels, s.borderless_parts);
    print(c, "%s", unsound.c_str());
    std::fputs(unsound.c_str(), s.finfo.get());
    write_result(s, c);
}
