// The first phase of a run: input acquisition, then output set-up. Like every phase it reads
// what the earlier ones left in the run state and leaves its own results there; a failure ends
// the run through RunEnd.
#pragma once

struct Console;
struct RunState;

void opening(RunState& s, Console& c);
