// A run of the dialogue: opening, parameters, the passes and the final key wait.
#pragma once

struct Console;
struct RunState;

// Runs every phase in turn and returns the exit status. A run that ends in its dialogue, or that
// runs out of memory anywhere, leaves none of the files it began (step images already saved
// excepted: they are whole).
int run(RunState& s, Console& c);

// The report and the raw result's descriptor must have reached their files in full by the end
// of the run: a report on its temporary is then put in place; otherwise says which could not,
// drops the temporary and makes the exit status 1.
void check_text_outputs(RunState& s, Console& c);
