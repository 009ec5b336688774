// The order engine: the passes k = 1..Num_order over the loaded network, the pass reports, and
// the result image and closing lines after the last pass.
#pragma once

struct Console;
struct RunState;

void treatment(RunState& s, Console& c);
