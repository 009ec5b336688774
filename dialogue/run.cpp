#include "dialogue/run.h"

#include <cstdio>
#include <string>

#include "base/console.h"
#include "base/run_state.h"
#include "dialogue/key_pause.h"
#include "dialogue/opening.h"
#include "dialogue/output_setup.h"
#include "dialogue/parameters.h"
#include "dialogue/pass_texts.h"
#include "dialogue/run_end.h"

void check_text_outputs(RunState& s, Console& c) {
    auto complete = [&](File& f, const std::string& path) {
        if (!f || (std::fflush(f.get()) == 0 && !std::ferror(f.get()))) return;
        print(c, "\n\n\tFile %s could not be written completely ", path.c_str());
        s.status = 1;
    };
    complete(s.finfo, s.nominfo);
    complete(s.f2d, s.nomdescr2);
}

int run(RunState& s, Console& c) {
    try {
        opening(s, c);
        parameters(s, c);
    } catch (const RunEnd& end) {
        discard_outputs(s);
        if (end.wait_key) key_pause(s, c);
        return end.status;
    }
    run_passes(s, c);
    check_text_outputs(s, c);
    key_pause(s, c);
    return s.status;
}
