// The phases of a run, in the order main runs them. Each reads what the earlier ones left in the
// run state and leaves its own results there; a failure ends the run through RunEnd.
#pragma once

#include <string>

struct Console;
struct RunState;

void opening(RunState& s, Console& c);     // input, then output set-up
void parameters(RunState& s, Console& c);  // network value, last order, step images

// The two halves of opening. nomfic is the network name typed by the user.
void acquire_input(RunState& s, Console& c, std::string& nomfic);
void set_up_output(RunState& s, Console& c, const std::string& nomfic);

// Closes the result streams and removes the files that the output set-up made, for a run that
// ends before its first pass.
void discard_outputs(RunState& s);

// Loaders of the BMP and ASCII inputs; nomim1 already carries the ending.
void load_bmp_input(RunState& s, Console& c);
void load_ascii_input(RunState& s, Console& c);

// Flushes the report and the result descriptor, then waits for a key: nothing written so far is
// lost if the console is closed during the wait.
void key_pause(RunState& s, Console& c);

// The report and the raw result's descriptor must have reached their files in full by the end
// of the run: otherwise says which could not, and makes the exit status 1.
void check_text_outputs(RunState& s, Console& c);

// opening, parameters, treatment and the final key wait; returns the exit status.
int run(RunState& s, Console& c);
