// A raw network image, read the same way by every front end: the descriptor's numbers checked,
// the file's length checked before anything is allocated, then the lines read in bands. Each
// front end words the faults in its own messages.
#pragma once

#include <cstdio>
#include <string>

#include "base/byte_grid.h"
#include "formats/raw_image.h"

struct NetworkRun;

// Reads the descriptor's six numbers: false when one is missing or the lines or the columns are
// not positive (the pixel size is each front end's to check: the command line may replace it).
bool read_checked_descriptor(std::FILE* f, RawDescriptor& d);

// Puts the descriptor's sizes and pixel size where the run keeps them: nb_lig, nb_col,
// dpix_size.
void keep_raw_descriptor(const RawDescriptor& d, NetworkRun& s);

struct RawImageRead {
    enum class Fault { none, short_file, no_memory, unreadable };
    Fault fault = Fault::none;
    unsigned long long bytes = 0;  // short_file: the file's length
    int failed_line = 0;           // unreadable: the first line that could not be read
};

// Reads the image of `lines` x `columns` bytes at `path` from `image` (opened at its start) into
// a new grid, on up to `threads` threads. The grid is made only once the file is known to hold
// the whole image; it is left empty on any fault.
RawImageRead read_raw_network(std::FILE* image, const std::string& path, int lines, int columns,
                              int threads, ByteGrid& grid);
