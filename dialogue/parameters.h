// The parameters dialogue: network value, last order, step images; each echoed in the report.
#pragma once

struct Console;
struct RunState;

void parameters(RunState& s, Console& c);
