// Input files that can be read to an end: regular files only.
#pragma once

#include <cstddef>
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

// Reads up to `bytes` bytes at `offset` of the open file `fd` into `to`, going on after a short
// read or an interrupted call; returns how many came (fewer at the end of the file or on an
// error). The file's own place is left as it was, so several threads may read one file at once.
std::size_t read_at(int fd, void* to, std::size_t bytes, long long offset);
