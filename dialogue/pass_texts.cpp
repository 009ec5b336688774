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
#include "run/report_file.h"

void PassTexts::pass_begins(int k, const std::string& border_text) {
    print(c, "\n\n\tOrder = %d ", k);
    c.out->write(border_text.data(), static_cast<std::streamsize>(border_text.size()));
    key_pause(s, c);
    name_step_images(s, k);
    pass = PassRecord{};
    pass.k = k;
    if (s.save_step == 1) {
        pass.steps = true;
        pass.points_image = s.nomim3;
        pass.points_saved = save_points_image(s, c);
    }
}

void PassTexts::pass_ends(int k, const PassWalks& w) {
    pass.k = k;
    if (s.save_step == 1) {
        pass.segments_image = s.nomim4;
        pass.segments_saved = save_segments_image(s, c);
    }
    const double total = counted_length(w);  // metres
    const int segments = counted_walks(w);
    pass.segments = segments;
    pass.total = total;
    print(c, "\n\n\t\tNumber of segments : %d ", segments);
    report_pass_block(s.finfo.get(), pass, w.segm_points, w.segm_dist, w.segm_counted, s.threads);
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
    write_result(s, c);
}
