// ASCII grid input: header and cells read from f1 (opened by acquire_input) into tab1, with a
// progress line before every hundredth grid line. nomim1 already carries the ending.
#pragma once

struct Console;
struct RunState;

void load_ascii_input(RunState& s, Console& c);
