// Input acquisition: banner, folder, network name, input type, the network image loaded into
// tab1, size report.
#pragma once

#include <string>

struct Console;
struct RunState;

// nomfic receives the network name typed by the user.
void acquire_input(RunState& s, Console& c, std::string& nomfic);
