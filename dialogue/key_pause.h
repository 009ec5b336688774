// The dialogue's key wait.
#pragma once

struct Console;
struct RunState;

// Flushes the report and the result descriptor, then waits for a key: nothing written so far is
// lost if the console is closed during the wait.
void key_pause(RunState& s, Console& c);
