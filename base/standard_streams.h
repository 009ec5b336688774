// The standard streams of the process as the console.
#pragma once

// Makes sure descriptors 0, 1 and 2 are open before any file is: one that is closed is taken by
// /dev/null opened for reading only. A file opened later can then never become the standard
// output and receive console text, and writing to a closed standard output fails as it should.
void hold_standard_descriptors();

// Flushes standard output (both the C++ and the C stream); false when any console text could
// not be written: a closed output, a full device, a reader that went away.
bool standard_output_complete();
