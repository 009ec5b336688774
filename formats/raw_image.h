// Raw images: nb_lig x nb_col bytes, line 0 (the top line) first, no header, beside a text
// descriptor of six numbers (lines, columns, 1, 0, 255, pixel size in metres).
//
// Nothing here prints; every function reports through its result. Streams are opened by the
// caller.
#pragma once

#include <cstdio>
#include <string>

#include "base/byte_grid.h"
#include "base/file.h"

struct RawDescriptor {
    int nb_lig = 0;
    int nb_col = 0;
    int val = 0;  // the three values between the sizes and the pixel size, read and not used
    int mind = 0;
    int maxd = 0;
    double dpix_size = 0.0;  // metres
};

// Reads the six numbers from the start of the stream (its first 64 KiB at most). False when one
// is missing or not a number; the values read before it are kept in d. The sizes are not checked
// here.
bool read_raw_descriptor(std::FILE* f, RawDescriptor& d);

// Whether the file at path holds at least nb_lig x nb_col bytes; checked before anything is
// allocated or created. bytes receives its length, 0 when that cannot be known (which fails).
bool raw_file_holds(const std::string& path, int nb_lig, int nb_col, unsigned long long& bytes);

// Reads nb_lig lines of nb_col bytes into grid, from the place of the stream on, in bands of
// lines on up to `threads` threads where the stream can tell its place. False when the stream
// ends or fails first; failed_line is then the first line that could not be read.
bool read_raw_rows(std::FILE* f, const ByteGrid& grid, int nb_lig, int nb_col, int& failed_line,
                   int threads = 1);

// The descriptor written for a raw input that had none: the pixel size with six decimals.
// False when nothing could be written.
bool write_input_descriptor(std::FILE* f, int nb_lig, int nb_col, double dpix_size);

// The descriptor of a raw result: the pixel size truncated toward zero to a whole number. It is
// flushed at once; false when any of it could not be written.
bool write_result_descriptor(std::FILE* f, int nb_lig, int nb_col, double dpix_size);

// A result grid whose cells are the bytes of the raw image that f is to hold (a regular file
// opened for reading and writing, nothing written to it yet): what is stored in the grid is the
// image, and the whole image is never copied. Its room on the disk is taken at once. Empty when
// f cannot hold the grid so (a device or a pipe, a file system that cannot take the room at
// once, a grid of less than 2 MiB): the grid is then made in memory and written.
ByteGrid map_raw_image(const File& f, int nb_lig, int nb_col);

// Writes the grid and closes f (f is empty afterwards, whatever happened). True when every byte
// reached the file; false also for an empty f. A grid mapped from f's file by map_raw_image is
// there already: f is only closed.
bool write_raw_image(File& f, const ByteGrid& grid, int nb_lig, int nb_col);
