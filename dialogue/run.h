// A run of the dialogue: opening, parameters, the passes and the final key wait.
#pragma once

struct Console;
struct RunState;

// Runs every phase in turn and returns the exit status. A run that ends in its dialogue leaves
// none of the files it began.
int run(RunState& s, Console& c);

// The report and the raw result's descriptor must have reached their files in full by the end
// of the run: otherwise says which could not, and makes the exit status 1.
void check_text_outputs(RunState& s, Console& c);
