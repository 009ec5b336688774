#include "dialogue/key_pause.h"

#include <cstdio>

#include "base/console.h"
#include "dialogue/run_state.h"

void key_pause(RunState& s, Console& c) {
    if (s.finfo) std::fflush(s.finfo.get());
    wait_key(c);
}
