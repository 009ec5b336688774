#include "formats/ascii_image.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "base/bands.h"
#include "base/input_file.h"

namespace {

// Cells of the text made at a time by one thread (about 4 MiB of text).
constexpr int kTextCells = 1 << 20;

// A band of lines [first, last) and its text.
struct LinesText {
    int first = 0;
    int last = 0;
    std::vector<char> text;
    std::size_t length = 0;
};

// Writes the text of every line of the grid to f, as ascii_write_line would. With several
// threads, the calling thread writes the text of bands of lines while the others make the text
// of the next bands; progress is called on the calling thread, before the text of every
// hundredth line is written. False when any of it could not be written.
bool write_lines(std::FILE* f, const ByteGrid& grid, int nb_lig, int nb_col, int threads,
                 const std::function<void(int)>& progress) {
    const int per = std::max(1, kTextCells / nb_col);
    const int makers = std::max(1, threads - 1);
    std::vector<LinesText> made(static_cast<std::size_t>(makers));
    std::vector<LinesText> ready(static_cast<std::size_t>(makers));
    bool ok = true;
    auto make = [&](LinesText& t) {
        t.text.resize(static_cast<std::size_t>(t.last - t.first) * 4 *
                      static_cast<std::size_t>(nb_col));
        t.length = 0;
        for (int i = t.first; i < t.last; ++i) {
            t.length += ascii_line_text(grid[i], nb_col, t.text.data() + t.length);
        }
    };
    auto write = [&] {
        for (const LinesText& t : ready) {
            for (int i = t.first; progress && i < t.last; ++i) {
                if (i > 0 && i % 100 == 0) progress(i);
            }
            if (ok && t.length > 0) ok = std::fwrite(t.text.data(), 1, t.length, f) == t.length;
        }
    };
    for (int next = 0; ok && (next < nb_lig || ready.front().last > ready.front().first);) {
        for (LinesText& t : made) {
            t.first = next;
            t.last = std::min(nb_lig, next + per);
            next = t.last;
        }
        if (threads > 1) {
            for_bands(1 + makers, 0, 1 + makers, [&](int band, int, int) {
                if (band == 0) {
                    write();
                } else {
                    make(made[static_cast<std::size_t>(band - 1)]);
                }
            });
        } else {
            write();
            make(made.front());
        }
        std::swap(made, ready);
    }
    return ok;
}

}  // namespace

bool write_ascii_image(File& f, const ByteGrid& grid, int nb_lig, int nb_col, double x_min,
                       double y_min, double cellsize, const std::function<void(int)>& progress,
                       int threads) {
    if (!f) return false;
    AsciiWriter w(f.get());
    ascii_write_header(w, nb_col, nb_lig, x_min, y_min, cellsize);
    bool ok = ascii_write_finish(w);
    ok = write_lines(f.get(), grid, nb_lig, nb_col, threads, progress) && ok;
    return std::fclose(f.release()) == 0 && ok;
}

bool write_ascii_image_exact(File& f, const ByteGrid& grid, int nb_lig, int nb_col, double x_min,
                             double y_min, double cellsize, int threads) {
    if (!f) return false;
    bool ok = std::fprintf(f.get(),
                           "ncols %d\nnrows %d\nxllcorner %.17g\nyllcorner %.17g\ncellsize %.17g\n"
                           "NODATA_value 255\n",
                           nb_col, nb_lig, x_min, y_min, cellsize) > 0;
    ok = write_lines(f.get(), grid, nb_lig, nb_col, threads, nullptr) && ok;
    return std::fclose(f.release()) == 0 && ok;
}

bool ascii_file_may_hold(const std::string& path, int nb_lig, int nb_col,
                         unsigned long long& bytes) {
    const long long cells = static_cast<long long>(nb_lig) * nb_col;  // < 2^62
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    bytes = ec ? 0 : static_cast<unsigned long long>(size);
    return ec || bytes >= static_cast<unsigned long long>(2 * cells - 1);
}

namespace {

// The cells of a stretch of text: room for them, how many, and whether an item that is not a
// cell follows them.
struct ParsedCells {
    std::vector<unsigned char> values;
    std::size_t count = 0;
    bool faulty = false;
};

// Bytes kept past the end of the text: the blank that ends its last item.
constexpr std::size_t kTextSlack = 1;

void parse_cells(const char* p, const char* end, ParsedCells& out) {
    const std::size_t room = static_cast<std::size_t>(end - p) / 2 + 1;
    if (out.values.size() < room) out.values.resize(room);
    out.count = ascii_parse_cells(p, end, out.values.data(), out.faulty);
}

// Where the stretch that should end near `at` ends: at the next blank, or at `end`.
const char* next_blank(const char* at, const char* end) {
    while (at != end && !ascii_is_blank(*at)) ++at;
    return at;
}

AsciiReadResult fault_at(AsciiFault fault, long long cell, int nb_col) {
    AsciiReadResult result;
    result.fault = fault;
    result.line = static_cast<int>(cell / nb_col);
    result.column = static_cast<int>(cell % nb_col);
    return result;
}

// Copies `count` values to the grid's cells from `cell` on (line after line).
void place_cells(const ByteGrid& grid, int nb_col, long long cell, const unsigned char* values,
                 long long count) {
    for (long long n = 0; n < count;) {
        const auto line = static_cast<int>((cell + n) / nb_col);
        const auto column = static_cast<int>((cell + n) % nb_col);
        const long long span = std::min<long long>(nb_col - column, count - n);
        std::memcpy(grid[line] + column, values + n, static_cast<std::size_t>(span));
        n += span;
    }
}

// Where the text of the cells comes from: the reader's stream, read in turn, or, for a regular
// file, read at its places in the file in slices side by side.
struct CellText {
    AsciiReader& r;
    int fd = -1;
    long long at = -1;  // the place in the file of the next byte, when read at places
    long long size = 0;
    bool ended = false;
    bool failed = false;
    std::vector<char> text;  // held bytes unread, then room
    std::size_t held = 0;
    std::size_t piece_bytes = 0;  // read at a time
};

CellText cell_text(AsciiReader& r, std::size_t piece_bytes) {
    CellText t{r, -1, -1, 0, false, false, {}, 0, piece_bytes};
    const int fd = ::fileno(r.file);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        const off_t at = ::ftello(r.file);
        if (at >= 0) {
            t.fd = fd;
            t.at = at;
            t.size = st.st_size;
        }
    }
    const std::size_t unread = r.end - r.pos;
    t.text.resize(std::max(piece_bytes, unread) + piece_bytes + kTextSlack);
    std::memcpy(t.text.data(), r.buf.data() + r.pos, unread);
    t.held = unread;
    r.pos = r.end;
    t.ended = r.eof || (t.at >= 0 && t.at >= t.size);
    t.failed = r.error;
    return t;
}

// Fills the room after the held text, `slices` slices at once where the file is read at its
// places; alongside(k) runs beside slice k (once for each k, with or without reading).
template <typename Alongside>
void read_more(CellText& t, int slices, Alongside alongside) {
    const std::size_t room = std::min(t.text.size() - kTextSlack - t.held, t.piece_bytes);
    if (t.at < 0 || t.ended || t.failed) {
        for_bands(slices, 0, slices, [&](int k, int, int) { alongside(k); });
        if (t.ended || t.failed) return;
        const std::size_t got = std::fread(t.text.data() + t.held, 1, room, t.r.file);
        t.held += got;
        if (got < room) (std::ferror(t.r.file) ? t.failed : t.ended) = true;
        return;
    }
    const auto want =
        static_cast<std::size_t>(std::min<long long>(static_cast<long long>(room), t.size - t.at));
    std::vector<std::size_t> short_by(static_cast<std::size_t>(slices), 0);
    auto slice_start = [&](int k) { return want * static_cast<std::size_t>(k) / slices; };
    for_bands(slices, 0, slices, [&](int k, int, int) {
        alongside(k);
        const std::size_t first = slice_start(k);
        const std::size_t bytes = slice_start(k + 1) - first;
        short_by[static_cast<std::size_t>(k)] =
            bytes - read_at(t.fd, t.text.data() + t.held + first, bytes,
                            t.at + static_cast<long long>(first));
    });
    // The file holds what it held when reading began: a short slice is a failure to read.
    std::size_t got = 0;
    for (int k = 0; k < slices && !t.failed; ++k) {
        const std::size_t bytes = slice_start(k + 1) - slice_start(k);
        got += bytes - short_by[static_cast<std::size_t>(k)];
        t.failed = short_by[static_cast<std::size_t>(k)] > 0;
    }
    t.held += got;
    t.at += static_cast<long long>(got);
    t.ended = !t.failed && t.at >= t.size;
}

}  // namespace

AsciiReadResult read_ascii_cells(AsciiReader& r, const ByteGrid& grid, int nb_lig, int nb_col,
                                 const std::function<void(int)>& progress, int threads,
                                 std::size_t piece_bytes) {
    const long long total = static_cast<long long>(nb_lig) * nb_col;
    long long done = 0;  // cells parsed, in place or waiting to be placed
    int shown = 0;       // the last line that progress was called with
    // Every hundredth line up to the one being read, as reading the lines in turn calls it.
    auto show_progress = [&] {
        const long long reached = std::min<long long>(done / nb_col, nb_lig - 1);
        for (int i = shown + 100; progress && i <= reached; i += 100) {
            progress(i);
            shown = i;
        }
    };
    // The text is parsed up to its last blank; the item cut there waits for more text. Each
    // piece of it is parsed on a thread of its own, and its cells are placed while the next
    // text is read.
    CellText t = cell_text(r, piece_bytes);
    const int pieces = std::max(1, threads);
    std::vector<ParsedCells> parsed(static_cast<std::size_t>(pieces));
    std::vector<long long> place_at(static_cast<std::size_t>(pieces), 0);  // first cell
    std::vector<long long> to_place(static_cast<std::size_t>(pieces), 0);
    auto place = [&](int k) {
        const auto at = static_cast<std::size_t>(k);
        place_cells(grid, nb_col, place_at[at], parsed[at].values.data(), to_place[at]);
        to_place[at] = 0;
    };
    auto place_all = [&] { for_bands(pieces, 0, pieces, [&](int k, int, int) { place(k); }); };
    auto stop = [&](AsciiReadResult result) {
        place_all();
        show_progress();
        return result;
    };
    std::vector<const char*> bounds(static_cast<std::size_t>(pieces) + 1);
    while (done < total) {
        read_more(t, pieces, place);
        const char* const begin = t.text.data();
        const char* const end = begin + t.held;
        // At the end of the file the last item is whole; before it, or at a read error, it may
        // go on.
        const char* cut = end;
        if (!t.ended) {
            while (cut != begin && !ascii_is_blank(cut[-1])) --cut;
        }
        if (cut == begin && !t.ended && !t.failed) {
            // One item as long as the whole text: read on through it with the reader's buffer.
            const auto line = static_cast<int>(done / nb_col);
            const auto column = static_cast<int>(done % nb_col);
            if (t.at >= 0 && ::fseeko(r.file, t.at, SEEK_SET) != 0)
                return stop(fault_at(AsciiFault::read_error, done, nb_col));
            r.buf.swap(t.text);
            r.pos = 0;
            r.end = t.held;
            r.eof = false;
            r.error = false;
            AsciiReadResult cell = ascii_read_line(r, grid[line] + column, 1, line);
            if (!cell) {
                cell.column = column;
                return stop(cell);
            }
            ++done;
            t.held = r.end - r.pos;
            std::memmove(r.buf.data(), r.buf.data() + r.pos, t.held);
            r.buf.swap(t.text);
            r.pos = r.end = 0;
            t.text.resize(std::max(t.text.size(), t.held + piece_bytes + kTextSlack));
            t.ended = r.eof;
            t.failed = r.error;
            if (t.at >= 0) {
                t.at = ::ftello(r.file);
                if (t.at < 0) t.failed = true;
            }
            continue;
        }
        bounds[0] = begin;
        for (int k = 1; k < pieces; ++k) {
            const char* at = begin + (cut - begin) * k / pieces;
            bounds[static_cast<std::size_t>(k)] =
                next_blank(std::max(at, bounds[static_cast<std::size_t>(k) - 1]), cut);
        }
        bounds[static_cast<std::size_t>(pieces)] = cut;
        // A blank at the cut ends the last item; the pieces before end on blanks of the text.
        char* const last = t.text.data() + (cut - begin);
        const char kept = *last;
        *last = ' ';
        for_bands(pieces, 0, pieces, [&](int k, int, int) {
            const auto at = static_cast<std::size_t>(k);
            parse_cells(bounds[at], bounds[at + 1], parsed[at]);
        });
        *last = kept;
        for (int k = 0; k < pieces; ++k) {
            const ParsedCells& piece = parsed[static_cast<std::size_t>(k)];
            const long long take =
                std::min<long long>(static_cast<long long>(piece.count), total - done);
            place_at[static_cast<std::size_t>(k)] = done;
            to_place[static_cast<std::size_t>(k)] = take;
            done += take;
            if (done == total) break;
            if (piece.faulty) return stop(fault_at(AsciiFault::bad_cell, done, nb_col));
        }
        show_progress();
        if (done == total) break;
        if (t.failed) return stop(fault_at(AsciiFault::read_error, done, nb_col));
        if (t.ended) return stop(fault_at(AsciiFault::truncated, done, nb_col));
        t.held = static_cast<std::size_t>(end - cut);
        std::memmove(t.text.data(), cut, t.held);
    }
    return stop({});
}
