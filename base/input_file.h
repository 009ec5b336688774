// Input files that can be read to an end: regular files only.
#pragma once

#include <string>

#include "base/file.h"

enum class InputFault {
    none,
    missing,      // no file of that name (or a link that leads nowhere)
    cannot_open,  // there, but it cannot be opened for reading
    not_regular,  // a folder, a device, a pipe or a socket: it may never end, or block forever
};

// Opens path for reading when it is a regular file (after following links). The open itself
// cannot block, even on a pipe without a writer. Null, with the fault, otherwise.
File open_input_file(const std::string& path, InputFault& fault);
