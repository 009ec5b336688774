// The end of a pass: its segments on the console and in the report, the pass total added to the
// network total, and its labels merged into the result.
#pragma once

#include "engine/walks.h"

struct Console;
struct RunState;

// Lists the segments of pass k, the walks that stopped on a junction or border pixel, numbered
// 1 to num_segm[k] in the order of their start points; walks that ran out of network are
// neither listed nor summed, so the lines, the count and the totals agree.
void report_pass(RunState& s, Console& c, int k, const PassWalks& w);

// Copies every label of tab4 into tab5: a pixel keeps the order of the last pass that labelled it.
void merge_labels(RunState& s);

// After the last pass, says on the console and in the report what could not be ordered soundly
// (network left on closed loops, parts touching the border nowhere); nothing when all is sound.
void report_unsound(RunState& s, Console& c);
