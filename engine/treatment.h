// The order engine: the passes k = 1..Num_order over the loaded network (tab1), their labels in
// the result tab5, their counts in num_segm and the network total in red_length. Every pass is
// reported to events; the front end writes the result image and the closing lines afterwards.
#pragma once

struct PassEvents;
struct RunState;

void treatment(RunState& s, PassEvents& events);
