// The order engine as a plain sequence of whole-grid scans in every pass: the reference for the
// program's `treatment`, which must report the same passes to its events, byte for byte.
#pragma once

struct PassEvents;
struct RunState;

// It needs all five grids, tab and tab4 included, which the dialogue does not make.
void plain_treatment(RunState& s, PassEvents& events);
