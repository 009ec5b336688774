#include "formats/ascii_grid.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {
constexpr std::size_t kBufferBytes = 1 << 20;
}  // namespace

AsciiReader::AsciiReader(std::FILE* f) : file(f), buf(kBufferBytes) {}

namespace {

// Value tokens longer than this are refused rather than cut: a cut number would read as another.
constexpr std::size_t kValueChars = 1024;

bool is_space(int c) {
    return ascii_is_blank(c);
}
bool is_digit(int c) {
    return c >= '0' && c <= '9';
}

// Keeps at least n unread bytes in the buffer unless the stream ends or fails first.
bool ensure(AsciiReader& r, std::size_t n) {
    while (r.end - r.pos < n && !r.eof && !r.error) {
        std::memmove(r.buf.data(), r.buf.data() + r.pos, r.end - r.pos);
        r.end -= r.pos;
        r.pos = 0;
        const std::size_t got = std::fread(r.buf.data() + r.end, 1, r.buf.size() - r.end, r.file);
        if (got == 0) {
            if (std::ferror(r.file)) {
                r.error = true;
            } else {
                r.eof = true;
            }
        }
        r.end += got;
    }
    return r.end - r.pos >= n;
}

// The next byte, or -1 at the end of the stream or on an error.
inline int peek(AsciiReader& r) {
    if (r.pos == r.end && !ensure(r, 1)) return -1;
    return static_cast<unsigned char>(r.buf[r.pos]);
}

int skip_space(AsciiReader& r) {
    int c;
    while ((c = peek(r)) != -1 && is_space(c)) ++r.pos;
    return c;
}

// Reads the next run of non-blanks, keeping at most `keep` characters of it. False when the
// stream ends first.
bool read_token(AsciiReader& r, std::string& text, std::size_t keep) {
    text.clear();
    int c = skip_space(r);
    if (c == -1) return false;
    while (c != -1 && !is_space(c)) {
        if (text.size() < keep) text.push_back(static_cast<char>(c));
        ++r.pos;
        c = peek(r);
    }
    return true;
}

// A number in decimal or exponent notation, wholly made of the token. "inf" and "nan" are
// words here.
bool parse_real(const std::string& text, double& value) {
    const char* p = text.data();
    const char* end = p + text.size();
    if (p != end && *p == '+') ++p;  // from_chars takes '-' but not '+'
    const char* first = (p != end && *p == '-') ? p + 1 : p;
    if (first == end || !(is_digit(*first) || *first == '.')) return false;
    if (p != text.data() && *p == '-') return false;  // "+-1"
    double v = 0.0;
    auto [next, ec] = std::from_chars(p, end, v, std::chars_format::general);
    if (ec != std::errc() || next != end) return false;
    value = v;
    return true;
}

// A whole number as GIS software writes it: [+-]digits, then possibly a point and zeros only.
// True with the value when it fits an int.
bool parse_whole(const std::string& text, long long& value) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == n || !is_digit(text[i])) return false;
    long long v = 0;
    for (; i < n && is_digit(text[i]); ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > 0x7FFFFFFFLL + 1) return false;
    }
    if (i < n && text[i] == '.') {
        for (++i; i < n && text[i] == '0'; ++i) {
        }
    }
    if (i != n) return false;
    v = negative ? -v : v;
    if (v > 0x7FFFFFFFLL) return false;
    value = v;
    return true;
}

// Whether the unread item starts like a number: a digit, or a sign or point before one.
bool number_ahead(AsciiReader& r) {
    ensure(r, 3);
    const char* p = r.buf.data() + r.pos;
    const std::size_t left = r.end - r.pos;
    std::size_t i = 0;
    if (i < left && (p[i] == '+' || p[i] == '-')) ++i;
    if (i < left && p[i] == '.') ++i;
    return i < left && is_digit(p[i]);
}

AsciiReadResult header_fault(AsciiFault fault, int item) {
    AsciiReadResult result;
    result.fault = fault;
    result.item = item;
    return result;
}

AsciiReadResult cell_fault(AsciiFault fault, int line, int column) {
    AsciiReadResult result;
    result.fault = fault;
    result.line = line;
    result.column = column;
    return result;
}

}  // namespace

AsciiReadResult ascii_read_header(AsciiReader& r, AsciiHeader& h) {
    double* const reals[] = {&h.xllcorner, &h.yllcorner, &h.cellsize, &h.nodata_value};
    std::string value;
    h.has_nodata = false;
    for (int item = 1; item <= 6; ++item) {
        if (item == 6) {
            // Five header lines: what follows is the first cell, or nothing at all, which the
            // cell reader then reports.
            if (skip_space(r) == -1)
                return r.error ? header_fault(AsciiFault::read_error, 6) : AsciiReadResult{};
            if (number_ahead(r)) return {};
        }
        if (!read_token(r, h.keyword, kAsciiKeywordChars) ||
            !read_token(r, value, kValueChars + 1)) {
            return header_fault(r.error ? AsciiFault::read_error : AsciiFault::truncated, item);
        }
        double real = 0.0;
        if (value.size() > kValueChars || !parse_real(value, real)) {
            return header_fault(AsciiFault::bad_header_value, item);
        }
        if (item <= 2) {
            long long whole = 0;
            if (!parse_whole(value, whole) || whole <= 0) {
                return header_fault(AsciiFault::bad_size, item);
            }
            (item == 1 ? h.ncols : h.nrows) = static_cast<int>(whole);
        } else {
            *reals[item - 3] = real;
        }
    }
    h.has_nodata = true;
    return {};
}

namespace {

// One cell in any accepted form, byte by byte, refilling the buffer as needed.
AsciiReadResult read_cell(AsciiReader& r, unsigned char& cell, int line, int column) {
    int c = skip_space(r);
    if (c == -1) {
        return cell_fault(r.error ? AsciiFault::read_error : AsciiFault::truncated, line, column);
    }
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        ++r.pos;
        c = peek(r);
    }
    if (!is_digit(c)) return cell_fault(AsciiFault::bad_cell, line, column);
    // Unsigned arithmetic wraps modulo 2^32, which keeps the low 8 bits exact for a number of
    // any length.
    unsigned v = 0;
    do {
        v = v * 10u + static_cast<unsigned>(c - '0');
        ++r.pos;
        c = peek(r);
    } while (is_digit(c));
    if (c == '.') {
        do {
            ++r.pos;
            c = peek(r);
        } while (c == '0');
    }
    if (c != -1 && !is_space(c)) return cell_fault(AsciiFault::bad_cell, line, column);
    if (r.error) return cell_fault(AsciiFault::read_error, line, column);
    cell = static_cast<unsigned char>(negative ? 0u - v : v);
    return {};
}

// Bytes kept unread past the fast loop's reach: a plain cell of up to kPlainDigits digits and
// its separator always lie inside the buffer there.
constexpr std::size_t kSlack = 64;
constexpr long kPlainDigits = 20;

}  // namespace

std::size_t ascii_parse_cells(const char* p, const char* end, unsigned char* values, bool& faulty) {
    faulty = false;
    std::size_t n = 0;
    for (;;) {
        while (p != end && is_space(*p)) ++p;
        if (p == end) break;
        bool negative = false;
        if (*p == '+' || *p == '-') negative = *p++ == '-';
        unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
        if (digit > 9) {
            faulty = true;
            break;
        }
        // As in read_cell: the low 8 bits of a number of any length.
        unsigned v = 0;
        do {
            v = v * 10u + digit;
            digit = static_cast<unsigned char>(*++p) - unsigned{'0'};
        } while (digit <= 9);
        if (*p == '.') {
            while (*++p == '0') {
            }
        }
        if (!is_space(*p)) {
            faulty = true;
            break;
        }
        values[n++] = static_cast<unsigned char>(negative ? 0u - v : v);
    }
    return n;
}

AsciiReadResult ascii_read_line(AsciiReader& r, unsigned char* row, int nb_col, int line) {
    int j = 0;
    while (j < nb_col) {
        ensure(r, kSlack);
        // The common form, blanks then digits then a blank, through a local pointer; anything
        // else, and the cells near the end of the buffer, go through read_cell.
        const char* const base = r.buf.data();
        const char* p = base + r.pos;
        const char* const guard = base + r.end - std::min(r.end - r.pos, kSlack);
        while (j < nb_col && p < guard) {
            const char* q = p;
            while (is_space(*q) && q < guard) ++q;
            unsigned digit = static_cast<unsigned char>(*q) - unsigned{'0'};
            if (q >= guard || digit > 9) break;
            const char* const digits = q;
            unsigned v = digit;
            while ((digit = static_cast<unsigned char>(*++q) - unsigned{'0'}) <= 9 &&
                   q - digits < kPlainDigits) {
                v = v * 10u + digit;
            }
            if (!is_space(*q)) break;
            row[j++] = static_cast<unsigned char>(v);
            p = q;
        }
        r.pos = static_cast<std::size_t>(p - base);
        if (j < nb_col) {
            const AsciiReadResult cell = read_cell(r, row[j], line, j);
            if (!cell) return cell;
            ++j;
        }
    }
    return {};
}

AsciiWriter::AsciiWriter(std::FILE* f) : file(f), buf(kBufferBytes) {}

namespace {

void drain(AsciiWriter& w) {
    if (w.used > 0 && std::fwrite(w.buf.data(), 1, w.used, w.file) != w.used) w.failed = true;
    w.used = 0;
}

}  // namespace

void ascii_write_header(AsciiWriter& w, int nb_col, int nb_lig, double x_min, double y_min,
                        double cellsize) {
    drain(w);
    if (std::fprintf(w.file,
                     "ncols %d\nnrows %d\nxllcorner %lf\nyllcorner %lf\ncellsize %lf\n"
                     "nodata_value -9999.9999\n",
                     nb_col, nb_lig, x_min, y_min, cellsize) < 0) {
        w.failed = true;
    }
}

namespace {

// The text of every byte value, "%d\t", made once.
constexpr auto kCells = [] {
    struct Table {
        char text[256][4];
        unsigned char length[256];
    } t{};
    for (int v = 0; v < 256; ++v) {
        int n = 0;
        if (v >= 100) t.text[v][n++] = static_cast<char>('0' + v / 100);
        if (v >= 10) t.text[v][n++] = static_cast<char>('0' + v / 10 % 10);
        t.text[v][n++] = static_cast<char>('0' + v % 10);
        t.text[v][n++] = '\t';
        t.length[v] = static_cast<unsigned char>(n);
    }
    return t;
}();

}  // namespace

void ascii_write_line(AsciiWriter& w, const unsigned char* row, int nb_col) {
    for (int j = 0; j < nb_col; ++j) {
        if (w.buf.size() - w.used < 4) drain(w);
        const unsigned char v = row[j];
        std::memcpy(w.buf.data() + w.used, kCells.text[v], 4);
        w.used += kCells.length[v];
    }
}

std::size_t ascii_line_text(const unsigned char* row, int nb_col, char* out) {
    std::size_t used = 0;
    for (int j = 0; j < nb_col; ++j) {
        const unsigned char v = row[j];
        std::memcpy(out + used, kCells.text[v], 4);
        used += kCells.length[v];
    }
    return used;
}

bool ascii_write_finish(AsciiWriter& w) {
    drain(w);
    if (std::fflush(w.file) != 0) w.failed = true;
    return !w.failed;
}
