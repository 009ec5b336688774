// The dialogue's key wait.
#pragma once

struct Console;
struct RunState;

// Flushes the report and the result descriptor (still on their temporaries), then waits for a
// key: if the console is closed during the wait, what was written so far is in the temporaries,
// and no half report stands under the report's name.
void key_pause(RunState& s, Console& c);
