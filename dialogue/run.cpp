#include "dialogue/run.h"

#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>

#include "base/console.h"
#include "base/output_file.h"
#include "base/threads.h"
#include "dialogue/key_pause.h"
#include "dialogue/opening.h"
#include "dialogue/output_setup.h"
#include "dialogue/parameters.h"
#include "dialogue/pass_texts.h"
#include "dialogue/run_end.h"
#include "dialogue/run_state.h"

void check_text_outputs(RunState& s, Console& c) {
    auto complete = [&](File& f, PendingOutput& out, const std::string& path) {
        if (!f || (std::fflush(f.get()) == 0 && !std::ferror(f.get()))) {
            // A report on its temporary is put in place now that it is whole.
            if (!out || finish_output(out, f)) return;
        }
        abandon(out);
        print(c, "\n\n\tFile %s could not be written completely ", path.c_str());
        s.status = 1;
    };
    complete(s.finfo, s.info_out, s.nominfo);
}

int run(RunState& s, Console& c) {
    s.threads = engine_threads();
    try {
        opening(s, c);
        parameters(s, c);
        run_passes(s, c);
        check_text_outputs(s, c);
    } catch (const RunEnd& end) {
        discard_outputs(s);
        if (end.wait_key) key_pause(s, c);
        return end.status;
    } catch (const std::bad_alloc&) {
        // Anywhere: the engine's lists, a long answer, a reader's buffer. The outputs not yet
        // complete are dropped; step images already saved are whole and stay.
        discard_outputs(s);
        print(c, "\n\n\tNot enough memory to go on: the run stops without a result\n");
        key_pause(s, c);
        return 1;
    } catch (const std::length_error& e) {
        // A network beyond what the engine's lists can number.
        discard_outputs(s);
        print(c, "\n\n\tThe network is too large to order (%s): the run stops without a result\n",
              e.what());
        key_pause(s, c);
        return 1;
    }
    key_pause(s, c);
    return s.status;
}
