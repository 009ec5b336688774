#include <cstdio>

#include "base/console.h"
#include "base/run_state.h"
#include "dialogue/phases.h"
#include "dialogue/run_end.h"
#include "engine/treatment.h"

void key_pause(RunState& s, Console& c) {
    if (s.finfo) std::fflush(s.finfo.get());
    if (s.f2d) std::fflush(s.f2d.get());
    wait_key(c);
}

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
    // A run that ends in its dialogue leaves none of the files it began.
    try {
        opening(s, c);
        parameters(s, c);
    } catch (const RunEnd& end) {
        discard_outputs(s);
        if (end.wait_key) key_pause(s, c);
        return end.status;
    }
    treatment(s, c);
    check_text_outputs(s, c);
    key_pause(s, c);
    return s.status;
}
