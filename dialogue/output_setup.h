// Output set-up: result name and type, every result path, the report with its heading, the
// result streams, the georeference of an ASCII result, and the working grids.
#pragma once

#include <string>

struct Console;
struct RunState;

// nomfic is the network name typed by the user, the generic result name.
void set_up_output(RunState& s, Console& c, const std::string& nomfic);

// Closes the result streams and removes the temporaries of the outputs not yet in place, for a
// run that ends before its result is written. No file under a final name is touched.
void discard_outputs(RunState& s);
