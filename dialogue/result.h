// The end of the run, after the passes: the network total, the result image tab5 in the chosen
// format (raw, BMP or ASCII grid) and the closing lines of the console and the report.
#pragma once

struct Console;
struct RunState;

// A result image that could not be written is named as such on the console and in the report,
// in place of the "Name of the resulting file" lines, and makes the exit status 1.
void write_result(RunState& s, Console& c);
