// The network image opened for reading, or the run ended with the reason.
#pragma once

#include <string>

#include "base/file.h"

struct Console;

// A file that cannot be opened ends the run as a missing input ("File ... unknown", status 0);
// one that is not a regular file (a folder, a pipe, a device) is refused with its name
// (status 1), since reading it could block or never end.
File open_network_file(Console& c, const std::string& path);
