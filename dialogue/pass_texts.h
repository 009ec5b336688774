// What the dialogue shows and writes for every pass of the engine: the order and the border
// pixels, a key wait, the step images when asked for, the segment count and the pass total on
// the console, and the pass block of the report.
#pragma once

#include <string>

#include "engine/pass_events.h"
#include "run/pass_records.h"

struct Console;
struct RunState;

struct PassTexts final : PassEvents {
    PassTexts(RunState& state, Console& console) : s(state), c(console) {}
    void pass_begins(int k, const std::string& border_text) override;
    void pass_ends(int k, const PassWalks& w) override;

    RunState& s;
    Console& c;
    PassRecord pass;  // the pass under way, as the report names it
};

// The treatment phase of the dialogue: the engine's passes with these texts, then the result
// image and the closing lines.
void run_passes(RunState& s, Console& c);

// What follows the passes: the block of what could not be ordered soundly (when it applies),
// the result image and the closing lines.
void end_passes(RunState& s, Console& c);
