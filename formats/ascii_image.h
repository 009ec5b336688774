// A whole grid written to, or its cells read from, an ASCII grid file (the codec is
// ascii_grid.h).
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "base/byte_grid.h"
#include "base/file.h"
#include "formats/ascii_grid.h"

// Writes the header and every line of the grid, then closes f (f is empty afterwards, whatever
// happened). progress, when given, is called with the line number before every hundredth line
// (100, 200, ...): a large grid takes a while. True when every byte reached the file; false also
// for an empty f. With several threads, the text of bands of lines is made on the others while
// the calling thread writes the bands before them (and calls progress).
bool write_ascii_image(File& f, const ByteGrid& grid, int nb_lig, int nb_col, double x_min,
                       double y_min, double cellsize, const std::function<void(int)>& progress,
                       int threads = 1);

// The same grid for GIS readers: the corner and cell size with 17 significant digits (a cell of
// a few millionths of a degree keeps every digit) and NODATA_value 255, the value of a cell
// outside the network.
bool write_ascii_image_exact(File& f, const ByteGrid& grid, int nb_lig, int nb_col, double x_min,
                             double y_min, double cellsize, int threads = 1);

// Whether the file at path is long enough for the cells of a grid of nb_lig x nb_col: every cell
// takes at least one digit and one separator (the last needs no separator), so a file too short
// for its header's sizes is refused before a huge grid is allocated. bytes receives the file's
// length; a file whose length cannot be known passes, and is left to the cell reader.
bool ascii_file_may_hold(const std::string& path, int nb_lig, int nb_col,
                         unsigned long long& bytes);

// Text read at a time by read_ascii_cells, split among its threads.
inline constexpr std::size_t kAsciiPieceBytes = std::size_t{4} << 20;

// Reads the cells of every line, line 0 first, into grid (nb_lig x nb_col), after the header.
// progress, when given, is called with the line number before every hundredth line (100, 200,
// ...) as the lines are reached. Stops at the first fault and returns it. The text is read
// piece_bytes at a time and each piece is parsed on up to `threads` threads; the grid, the fault
// and the progress calls are those of reading the lines in turn with ascii_read_line.
AsciiReadResult read_ascii_cells(AsciiReader& r, const ByteGrid& grid, int nb_lig, int nb_col,
                                 const std::function<void(int)>& progress, int threads = 1,
                                 std::size_t piece_bytes = kAsciiPieceBytes);
