// ASCII grid codec: six header lines (ncols, nrows, xllcorner, yllcorner, cellsize,
// nodata_value) then the cells as decimal integers, line 0 (the top line) first.
//
// Both directions go through large buffers over a stream that the caller opened and closes.
// The library prints nothing: the caller loops over the grid lines and shows progress itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct AsciiHeader {
    int ncols = 0;
    int nrows = 0;
    double xllcorner = 0.0;
    double yllcorner = 0.0;
    double cellsize = 0.0;
    double nodata_value = 0.0;
    bool has_nodata = false;  // false when the header has five lines
    std::string keyword;      // last keyword read, at most kAsciiKeywordChars characters kept
};

constexpr std::size_t kAsciiKeywordChars = 59;

enum class AsciiFault {
    none,
    read_error,        // the stream reported an error
    bad_header_value,  // a header value is not a number (item: 1..6)
    bad_size,          // ncols or nrows not a whole number from 1 to INT_MAX (item: 1 or 2)
    bad_cell,          // a cell item is not a decimal integer (line, column)
    truncated,         // the file ends before all its items (item, or line and column)
};

struct AsciiReadResult {
    AsciiFault fault = AsciiFault::none;
    int item = 0;    // header value number, 1 to 6; 0 for a cell
    int line = 0;    // grid line of the offending cell
    int column = 0;  // grid column of the offending cell
    explicit operator bool() const { return fault == AsciiFault::none; }
};

// Buffered reader over an open text stream; it does not own the stream.
struct AsciiReader {
    explicit AsciiReader(std::FILE* f);
    std::FILE* file;
    std::vector<char> buf;
    std::size_t pos = 0;  // next unread byte of buf
    std::size_t end = 0;  // bytes of buf filled
    bool eof = false;
    bool error = false;
};

// Reads the header. Keywords are taken by position and never compared. When the sixth keyword
// item looks like a number (a digit, or a sign or point before one), the header has five lines
// and that item is left unread as the first cell.
AsciiReadResult ascii_read_header(AsciiReader& r, AsciiHeader& h);

// A blank between items: a space, a tab, a line feed, a vertical tab, a form feed or a carriage
// return (never -1, the end of a stream).
inline bool ascii_is_blank(int c) {
    return c >= 0 && c <= ' ' && ((std::uint64_t{0x100003E00} >> c) & 1) != 0;
}

// Parses the stretch of text [p, end), which begins and ends between items, as ascii_read_line
// parses cells; *end must be a blank, which ends the last item. The low 8 bits of its cells go to
// `values`, which has room for (end - p) / 2 + 1; returns how many. `faulty` tells that an item
// that is not a cell follows them.
std::size_t ascii_parse_cells(const char* p, const char* end, unsigned char* values, bool& faulty);

// Reads the nb_col cells of grid line `line` into row, each as its low 8 bits (-1 gives 255).
// A cell is a decimal integer, optionally signed, optionally followed by a point and zeros only
// (255.0). Whatever follows the last cell of the grid is never read.
AsciiReadResult ascii_read_line(AsciiReader& r, unsigned char* row, int nb_col, int line);

// Buffered writer over an open text stream; it does not own the stream.
struct AsciiWriter {
    explicit AsciiWriter(std::FILE* f);
    std::FILE* file;
    std::vector<char> buf;
    std::size_t used = 0;
    bool failed = false;
};

void ascii_write_header(AsciiWriter& w, int nb_col, int nb_lig, double x_min, double y_min,
                        double cellsize);
// Writes every cell of the line as "%d\t"; no line break is ever written.
void ascii_write_line(AsciiWriter& w, const unsigned char* row, int nb_col);
// The same text of the line at `out`, which holds at least 4 x nb_col bytes; returns its length.
std::size_t ascii_line_text(const unsigned char* row, int nb_col, char* out);
// Hands the buffered bytes to the stream and flushes it; false when any write failed.
bool ascii_write_finish(AsciiWriter& w);
