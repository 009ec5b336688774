// The background is labelled by runs of cells, line by line, in bands of lines (each band
// scans some lines of the bands beside it too). A set of runs that no run of the next line goes
// on with, and that touches the border nowhere, is a whole hole: the links round it are looked
// at while its lines are still at hand. The holes that no band could look at so (taller than the
// lines kept, or reaching above the first line a band scanned) show when the bands' sets are
// joined, and are looked at in a second scan of every band: of the runs that its first scan left
// unsettled, or, when these were too many to keep, of its lines labelled again.

#include "engine/holes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <span>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/bands.h"
#include "engine/flag_scan.h"
#include "engine/links.h"
#include "engine/set_root.h"

namespace {

// Lines of runs a band keeps at hand; a hole up to kKept - 4 lines high is looked at from them.
constexpr int kKept = 128;

// Background cells [start, end) of a line and the label of their set.
struct Run {
    int start;
    int end;
    int set;
};

// Sets of labels joined as runs are found to touch; label 0 is the outside, always the root of
// its set (the smaller label stays the root).
struct Sets {
    std::vector<int> parent{0};
    // The line where a label was made: of a root (the smallest label of its set, so the first
    // made), the first line of its set.
    std::vector<int> top{-1};
    // Of a root: 2i when line i holds it, 2i + 1 once found whole there.
    std::vector<long long> seen{-1};
    std::vector<unsigned char> looked_at{0};  // a hole whose links were looked at

    int add(int line) {
        parent.push_back(static_cast<int>(parent.size()));
        top.push_back(line);
        seen.push_back(-1);
        looked_at.push_back(0);
        return parent.back();
    }
    int find(int a) { return set_root(parent, a); }
    void join(int a, int b) {
        a = find(a);
        b = find(b);
        if (a == b) return;
        if (a > b) std::swap(a, b);
        parent[static_cast<std::size_t>(b)] = a;
    }
};

// Columns [start, end) of a line.
struct Span {
    int start;
    int end;
};

// The background runs of a line, the gaps between its network pixels, and the stretches of two
// or more network pixels side by side; found 32 cells at a time where the machine can (network
// pixels are a small part of a line).
void background_runs(const unsigned char* line, int nb_col, unsigned char value,
                     std::vector<Run>& runs, std::vector<Span>& wide) {
    runs.clear();
    wide.clear();
    int start = 0;
    auto network_at = [&](int j) {
        if (j > start) {
            runs.push_back({start, j, 0});
        } else if (j > 0) {  // beside the network pixel before it
            if (!wide.empty() && wide.back().end == j) {
                wide.back().end = j + 1;
            } else {
                wide.push_back({j - 1, j + 1});
            }
        }
        start = j + 1;
    };
    int j = 0;
#if defined(__SSE2__)
    const __m128i pattern = _mm_set1_epi8(static_cast<char>(value));
    for (; j + 32 <= nb_col; j += 32) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + j));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + j + 16));
        auto mask = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, pattern))) |
                    static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, pattern))) << 16;
        while (mask != 0) {
            network_at(j + std::countr_zero(mask));
            mask &= mask - 1;
        }
    }
#endif
    for (; j < nb_col; ++j) {
        if (line[j] == value) network_at(j);
    }
    if (start < nb_col) runs.push_back({start, nb_col, 0});
}

// Labels the runs of line i from those of the line above (none for the first line scanned): a
// run joins the sets of the runs above that it touches along a side (its label that of the
// first), or takes a new label; the runs on the border of the image join the outside. Then
// every run's label is made its set's root. Adds to `ended` the runs above that no run of the
// line touches: only a set with such a run can end there.
void label_runs(const std::vector<Run>* above, std::vector<Run>& runs, int i, Sets& sets,
                const WalkGrids& g, std::vector<int>& ended) {
    const bool border_line = i == 0 || i == g.nb_lig - 1;
    const std::size_t n = above != nullptr ? above->size() : 0;
    std::size_t k = 0;
    std::size_t decided = 0;  // the runs above before it are touched or ended
    for (Run& r : runs) {
        r.set = -1;
        while (k < n && (*above)[k].end <= r.start) ++k;
        for (; decided < k; ++decided) ended.push_back(static_cast<int>(decided));
        std::size_t m = k;
        for (; m < n && (*above)[m].start < r.end; ++m) {
            if (r.set < 0) {
                r.set = (*above)[m].set;
            } else {
                sets.join(r.set, (*above)[m].set);
            }
        }
        decided = std::max(decided, m);
        if (r.set < 0) r.set = sets.add(i);
        if (border_line || r.start == 0 || r.end == g.nb_col) sets.join(r.set, 0);
    }
    for (; decided < n; ++decided) ended.push_back(static_cast<int>(decided));
    for (Run& r : runs) r.set = sets.find(r.set);
}

// The last kKept lines scanned, with their runs.
struct Kept {
    std::array<std::vector<Run>, kKept> runs;
    int from;  // lines [from, to) are at hand
    int to;

    explicit Kept(int begin) : from(begin), to(begin) {}

    bool holds(int i) const { return i >= from && i < to; }
    std::vector<Run>& line(int i) { return runs[static_cast<std::size_t>(i) % kKept]; }
    const std::vector<Run>& line(int i) const { return runs[static_cast<std::size_t>(i) % kKept]; }
    // Makes room for line i, the next.
    std::vector<Run>& next(int i) {
        to = i + 1;
        from = std::max(from, to - kKept);
        return line(i);
    }
};

// The first run of a line that ends after column col: the run that holds col, or the next one.
const Run* run_from(std::span<const Run> runs, int col) {
    return std::upper_bound(runs.data(), runs.data() + runs.size(), col,
                            [](int c, const Run& r) { return c < r.end; });
}

constexpr int kNetwork = -1;
constexpr int kSquare = -2;

// The faces of the cells round a run of line i: lines i - 2 to i + 2, columns r.start - 2 to
// r.end + 1, each kNetwork or face(label) of the run that holds it; cells beyond the image are
// the outside (0). Every pixel looked at round the run has its eight neighbours here, so the
// runs of each line are searched once for the run, not once for each pixel.
struct Window {
    int top = 0;
    int left = 0;
    int width = 0;
    std::vector<int> cells;  // kept from run to run, as it only grows

    int at(int i, int j) const {
        return cells[static_cast<std::size_t>(i - top) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(j - left)];
    }
};

template <typename Face>
void fill_window(const WalkGrids& g, const Kept& kept, Face& face, int i, const Run& r, Window& w) {
    w.top = i - 2;
    w.left = r.start - 2;
    w.width = r.end - r.start + 4;
    w.cells.resize(5 * static_cast<std::size_t>(w.width));
    const int right = w.left + w.width;
    for (int d = 0; d < 5; ++d) {
        int* row = w.cells.data() + static_cast<std::size_t>(d) * static_cast<std::size_t>(w.width);
        const int line = w.top + d;
        if (line < 0 || line >= g.nb_lig) {
            std::fill(row, row + w.width, 0);
            continue;
        }
        std::fill(row, row + w.width, kNetwork);
        const std::vector<Run>& runs = kept.line(line);
        const Run* end = runs.data() + runs.size();
        for (const Run* at = run_from(runs, w.left); at != end && at->start < right; ++at) {
            std::fill(row + (std::max(at->start, w.left) - w.left),
                      row + (std::min(at->end, right) - w.left), face(at->set));
        }
        if (w.left < 0) std::fill(row, row - w.left, 0);
        if (right > g.nb_col) std::fill(row + (g.nb_col - w.left), row + w.width, 0);
    }
}

// Whether a network pixel whose eight neighbours (in the order of links.h) are `cell`, each
// kNetwork or the face it is of, has a link with the face `hole` on one side and another face on
// the other.
bool links_hole(const int cell[8], int hole) {
    unsigned loaded = 0;
    for (int n = 0; n < 8; ++n) loaded |= unsigned(cell[n] == kNetwork) << n;
    const unsigned links = linked(loaded);
    // The face beside a link on one side: a square when both cells there are network.
    auto side = [&](int a, int b) {
        if (cell[a] != kNetwork) return cell[a];
        return cell[b] != kNetwork ? cell[b] : kSquare;
    };
    for (int n = 0; n < 8; ++n) {
        if (!(links >> n & 1u)) continue;
        const int before = (n + 7) % 8;
        const int after = (n + 1) % 8;
        int one;
        int other;
        if (n % 2 == 1) {  // along a side: the pairs of cells beside it
            one = side(before, (n + 6) % 8);
            other = side(after, (n + 2) % 8);
        } else {  // across a corner: both cells beside it are background
            one = cell[before];
            other = cell[after];
        }
        if ((one == hole || other == hole) && one != other) return true;
    }
    return false;
}

// links_hole for the network pixel (i, j) of the window.
bool beside_hole(const Window& w, int hole, int i, int j) {
    const int cell[8] = {w.at(i - 1, j - 1), w.at(i - 1, j), w.at(i - 1, j + 1), w.at(i, j + 1),
                         w.at(i + 1, j + 1), w.at(i + 1, j), w.at(i + 1, j - 1), w.at(i, j - 1)};
    return links_hole(cell, hole);
}

// One bit for each cell of `lines` lines, line i from line `first` on in slot (i - first) % lines:
// the lines [first, first + lines), or a ring of them when used for lines never further apart.
struct LineBits {
    int first = 0;
    int lines = 0;
    std::size_t words = 0;  // per line
    std::vector<std::uint64_t> bits;

    void cover(int from, int count, int nb_col) {
        first = from;
        lines = std::max(1, count);
        words = (static_cast<std::size_t>(nb_col) + 63) / 64;
        bits.assign(static_cast<std::size_t>(lines) * words, 0);
    }
    bool holds(int i) const { return i >= first && i < first + lines; }
    std::size_t slot(int i) const { return static_cast<std::size_t>((i - first) % lines) * words; }
    const std::uint64_t* line(int i) const { return bits.data() + slot(i); }
    bool has(int i, int j) const {
        return (bits[slot(i) + static_cast<std::size_t>(j) / 64] >> (j % 64) & 1u) != 0;
    }
    void mark(int i, int j) {
        bits[slot(i) + static_cast<std::size_t>(j) / 64] |= std::uint64_t{1} << (j % 64);
    }
    void unmark(int i, int j) {
        bits[slot(i) + static_cast<std::size_t>(j) / 64] &= ~(std::uint64_t{1} << (j % 64));
    }
    // Sets (or clears) the bits of columns [start, end) of line i.
    void set(int i, int start, int end, bool on) {
        std::uint64_t* line = bits.data() + slot(i);
        for (int j = start; j < end;) {
            const int n = std::min(64 - j % 64, end - j);
            const std::uint64_t mask = (n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1)
                                       << (j % 64);
            std::uint64_t& word = line[static_cast<std::size_t>(j) / 64];
            word = on ? word | mask : word & ~mask;
            j += n;
        }
    }
};

// The pixels found on loops, of the lines a band scans: a pixel once marked is not looked at
// again.
using Marks = LineBits;

// The pixels looked round a hole and found on no loop, in a ring of kKept lines, each slot
// emptied when a line further on takes it: a pixel that many runs of a large hole touch (a
// channel that ends inside it) is looked at once. A hole's runs are looked round either within
// fewer than kKept lines (a hole that a band saw whole) or in line order (a hole looked at
// again), so no slot is emptied while its line has pixels still to be looked at for the hole.
struct Looked {
    LineBits bits;
    std::array<int, kKept> line{};                // the line each slot holds, or -1
    std::array<std::vector<int>, kKept> columns;  // the columns set in each slot

    explicit Looked(int nb_col) {
        bits.cover(0, kKept, nb_col);
        line.fill(-1);
    }
    // Whether (i, j) is looked at for the first time since the last forget(); it is then noted.
    bool first_look(int i, int j) {
        const auto slot = static_cast<std::size_t>(i % kKept);
        if (line[slot] != i) {
            empty(slot);
            line[slot] = i;
        }
        if (bits.has(i, j)) return false;
        bits.mark(i, j);
        columns[slot].push_back(j);
        return true;
    }
    // Forgets every pixel noted: the next hole is another face.
    void forget() {
        for (std::size_t slot = 0; slot < line.size(); ++slot) empty(slot);
    }

  private:
    void empty(std::size_t slot) {
        if (line[slot] < 0) return;
        for (const int j : columns[slot]) bits.unmark(line[slot], j);
        columns[slot].clear();
        line[slot] = -1;
    }
};

constexpr int kInHole = 1;

// links_hole for the network pixel (i, j), its neighbours read from tab1 (network) and from
// `in_hole`, where the cells of the hole are set (the other cells are of other faces).
bool beside_hole(const WalkGrids& g, const LineBits& in_hole, int i, int j) {
    const auto net = static_cast<unsigned char>(g.net);
    auto at = [&](int a, int b) {
        if (a < 0 || b < 0 || a >= g.nb_lig || b >= g.nb_col) return 0;
        if (g.tab1[a][b] == net) return kNetwork;
        return in_hole.has(a, b) ? kInHole : 0;
    };
    const int cell[8] = {at(i - 1, j - 1), at(i - 1, j), at(i - 1, j + 1), at(i, j + 1),
                         at(i + 1, j + 1), at(i + 1, j), at(i + 1, j - 1), at(i, j - 1)};
    return links_hole(cell, kInHole);
}

// Finds the network pixels next to the run of line i (a run of the hole, whose cells are set in
// `in_hole`) that have a link between the hole and another face, and are not marked yet: each is
// given to found(line, column). The run touches no border, so the cells beside it are network,
// and so is every cell of the lines above and below it that is not background.
template <typename Found>
void look_round_hole_run(const WalkGrids& g, const LineBits& in_hole, int i, const Run& r,
                         const Marks& marks, Looked& looked, Found found) {
    auto look = [&](int a, int b) {
        if (!marks.has(a, b) && looked.first_look(a, b) && beside_hole(g, in_hole, a, b))
            found(a, b);
    };
    look(i, r.start - 1);
    look(i, r.end);
    const auto net = static_cast<unsigned char>(g.net);
    const int from = r.start - 1;
    for (const int line : {i - 1, i + 1}) {
        // The lines beside a long run of a large hole are mostly the hole's cells too.
        for_each_equal(g.tab1[line] + from, r.end + 1 - from, net,
                       [&](int col) { look(line, from + col); });
    }
}

// look_round_hole_run for a run of the face `hole`, the faces round it read from the runs kept,
// for a second scan that labels its lines again.
template <typename Face>
void look_round_run(const WalkGrids& g, const Kept& kept, Face& face, int hole, int i, const Run& r,
                    Window& w, Marks& marks) {
    fill_window(g, kept, face, i, r, w);
    auto look = [&](int a, int b) {
        if (!marks.has(a, b) && beside_hole(w, hole, a, b)) marks.mark(a, b);
    };
    look(i, r.start - 1);
    look(i, r.end);
    for (const int line : {i - 1, i + 1}) {
        for (int col = r.start - 1; col <= r.end; ++col) {
            if (w.at(line, col) == kNetwork) look(line, col);
        }
    }
}

// Marks the corners of the squares of four network pixels whose top line is i, from the
// stretches of network pixels side by side of lines i and i + 1: where two overlap by two columns
// or more.
void squares(const std::vector<Span>& up, const std::vector<Span>& down, int i, Marks& marks) {
    std::size_t b = 0;
    for (const Span& a : up) {
        while (b < down.size() && down[b].end <= a.start + 1) ++b;
        for (std::size_t c = b; c < down.size() && down[c].start + 1 < a.end; ++c) {
            const int from = std::max(a.start, down[c].start);
            const int to = std::min(a.end, down[c].end);
            for (int j = from; j < to; ++j) {
                marks.mark(i, j);
                marks.mark(i + 1, j);
            }
        }
    }
}

// The lines a band scans: its own [first, last) and those round them that its looks need.
struct Scope {
    int first;
    int last;
    int begin;  // first line scanned
    int end;    // past the last line scanned
};

Scope scope_of(const WalkGrids& g, int first, int last) {
    return {first, last, std::max(0, first - kKept), std::min(g.nb_lig, last + 3)};
}

// The runs that a band's first scan left unsettled: of the sets that were neither the outside
// nor a hole looked at when their line left the lines kept. The runs of a hole that no band
// looked at in the first scan are all unsettled in the bands that scanned them, so a second scan
// need only look round these runs, with the rest of their lines read from tab1: network, or
// background of another face. They are kept while they are at most one for every
// kCellsPerUnsettledRun cells scanned; beyond that, the band drops them and its second scan
// labels its lines again.
constexpr long long kCellsPerUnsettledRun = 16;

struct Unsettled {
    int begin = 0;
    std::vector<Run> runs;
    std::vector<std::size_t> from{0};  // the runs of line begin + k: [from[k], from[k + 1])
    bool dropped = false;

    std::span<const Run> line(int i) const {
        const auto k = static_cast<std::size_t>(i - begin);
        return {runs.data() + from[k], runs.data() + from[k + 1]};
    }
};

// What the first scan of a band leaves: its sets, the runs of the lines it shares with the bands
// beside it, its unsettled runs, and the pixels found on loops in the lines it scans (the second
// scan adds some).
struct Band {
    Scope scope;
    Sets sets;
    std::vector<std::pair<int, std::vector<Run>>> shared;  // (line, runs)
    Unsettled unsettled;
    Marks marks;
};

bool shared_line(const Scope& s, int i) {
    return i < s.first + 3 || i >= s.last - kKept;
}

// Where a second scan looks: round the runs of the band's own lines whose face (once the bands'
// sets are joined) is a hole that no band looked at whole in the first scan.
struct Missed {
    int offset;  // of the band's labels among all
    const std::vector<int>& faces;
    const std::vector<unsigned char>& hole;
};

// Scans the band's lines, labelling their runs. The first scan (no `missed`) looks at every
// whole hole that its lines hold, and keeps the sets and the shared lines' runs.
void scan_band(const WalkGrids& g, Band& band, const Missed* missed) {
    const Scope& s = band.scope;
    Sets again;  // a second scan makes the same sets, label by label
    Sets& sets = missed != nullptr ? again : band.sets;
    Kept kept(s.begin);
    Window window;
    std::vector<Span> wide_above;
    std::vector<Span> wide;
    std::vector<int> ended;
    struct Hole {
        int root;
        int top;
        int bottom;
        int run;  // a run of the hole on its bottom line
    };
    std::vector<Hole> waiting;
    // The runs of a hole, from one of them through those that touch along a side (which are
    // all of its set): each once, the work as large as the hole's edge. Their cells are set in
    // `in_hole` as they are met, then looked round, then cleared.
    std::vector<std::pair<int, int>> hole_runs;  // (line, index)
    LineBits in_hole;
    if (missed == nullptr) in_hole.cover(s.begin, kKept, g.nb_col);
    Looked looked(missed == nullptr ? g.nb_col : 1);
    auto look_at = [&](const Hole& h) {
        sets.looked_at[static_cast<std::size_t>(h.root)] = 1;
        hole_runs.assign(1, {h.bottom, h.run});
        const Run& bottom = kept.line(h.bottom)[static_cast<std::size_t>(h.run)];
        in_hole.set(h.bottom, bottom.start, bottom.end, true);
        for (std::size_t n = 0; n < hole_runs.size(); ++n) {
            const auto [a, k] = hole_runs[n];
            const Run& r = kept.line(a)[static_cast<std::size_t>(k)];
            for (const int b : {a - 1, a + 1}) {
                if (b < h.top || b > h.bottom) continue;
                const std::vector<Run>& runs = kept.line(b);
                const Run* at = run_from(runs, r.start);
                for (; at != runs.data() + runs.size() && at->start < r.end; ++at) {
                    if (in_hole.has(b, at->start)) continue;
                    in_hole.set(b, at->start, at->end, true);
                    hole_runs.emplace_back(b, static_cast<int>(at - runs.data()));
                }
            }
        }
        for (const auto& [a, k] : hole_runs) {
            look_round_hole_run(g, in_hole, a, kept.line(a)[static_cast<std::size_t>(k)],
                                band.marks, looked, [&](int i, int j) { band.marks.mark(i, j); });
        }
        looked.forget();
        for (const auto& [a, k] : hole_runs) {
            const Run& r = kept.line(a)[static_cast<std::size_t>(k)];
            in_hole.set(a, r.start, r.end, false);
        }
    };
    // A hole is looked at once the lines two above and two below it are at hand (or beyond the
    // image). A set that reaches the first line scanned never is: it may go on above, into the
    // band before, which looks at it if it is a hole.
    auto ready = [&](const Hole& h) {
        const bool above = h.top - 2 < 0 || kept.holds(h.top - 2);
        const bool below = h.bottom + 2 >= g.nb_lig || kept.holds(h.bottom + 2);
        return above && below;
    };
    // Keeps the unsettled runs of line a as it leaves the lines kept: no hole with a run there
    // is looked at later.
    Unsettled& unsettled = band.unsettled;
    const long long most_unsettled =
        static_cast<long long>(s.end - s.begin) * g.nb_col / kCellsPerUnsettledRun;
    if (missed == nullptr) {
        unsettled.begin = s.begin;
        // Room made at once for half the most kept (about twice what a dense terrain leaves), not
        // grown by copies, which cost as much as keeping the runs; a page is touched only once a
        // run is there.
        unsettled.runs.reserve(static_cast<std::size_t>(most_unsettled / 2));
        unsettled.from.reserve(static_cast<std::size_t>(s.end - s.begin) + 1);
    }
    auto settle = [&](int a) {
        if (unsettled.dropped) return;
        for (const Run& r : kept.line(a)) {
            const int root = sets.find(r.set);
            if (root != 0 && !sets.looked_at[static_cast<std::size_t>(root)])
                unsettled.runs.push_back({r.start, r.end, root});
        }
        unsettled.from.push_back(unsettled.runs.size());
        if (static_cast<long long>(unsettled.runs.size()) > most_unsettled) {
            unsettled = Unsettled{};
            unsettled.dropped = true;
        }
    };
    for (int i = s.begin; i < s.end + 2; ++i) {
        if (i < s.end) {
            const std::vector<Run>* above = kept.holds(i - 1) ? &kept.line(i - 1) : nullptr;
            if (missed == nullptr && i - kKept >= s.begin) settle(i - kKept);
            std::vector<Run>& runs = kept.next(i);
            std::swap(wide_above, wide);
            background_runs(g.tab1[i], g.nb_col, static_cast<unsigned char>(g.net), runs, wide);
            ended.clear();
            label_runs(above, runs, i, sets, g, ended);
            if (missed == nullptr && shared_line(s, i)) band.shared.emplace_back(i, runs);
            if (missed == nullptr && i - 1 >= s.first && i - 1 < s.last)
                squares(wide_above, wide, i - 1, band.marks);
            // The sets of the line above that this line does not go on with are whole.
            if (missed == nullptr && std::any_of(ended.begin(), ended.end(), [&](int x) {
                    return sets.find((*above)[x].set) != 0;
                })) {
                const long long held = 2LL * i;
                for (const Run& r : runs) sets.seen[static_cast<std::size_t>(r.set)] = held;
                for (const int x : ended) {
                    const int root = sets.find((*above)[static_cast<std::size_t>(x)].set);
                    long long& seen = sets.seen[static_cast<std::size_t>(root)];
                    if (root == 0 || seen == held || seen == held + 1) continue;
                    seen = held + 1;
                    waiting.push_back({root, sets.top[static_cast<std::size_t>(root)], i - 1, x});
                }
            }
        }
        if (missed == nullptr) {
            std::erase_if(waiting, [&](const Hole& h) {
                if (h.bottom + 2 > i && h.bottom + 2 < g.nb_lig && i < s.end) return false;
                if (ready(h)) look_at(h);
                return true;  // looked at, or too high for the lines kept
            });
            continue;
        }
        // Line a is looked round once the lines two above and two below it are at hand.
        const int a = i - 2;
        if (a < s.first || a >= s.last) continue;
        auto all_face = [&](int label) {
            return missed->faces[static_cast<std::size_t>(missed->offset + label)];
        };
        for (const Run& r : kept.line(a)) {
            const int hole = all_face(r.set);
            if (missed->hole[static_cast<std::size_t>(hole)])
                look_round_run(g, kept, all_face, hole, a, r, window, band.marks);
        }
    }
    if (missed == nullptr) {
        for (int a = std::max(s.begin, s.end - kKept); a < s.end; ++a) settle(a);
    }
}

// A run of a hole that no band looked at whole, of line `line` of band `band`.
struct HoleRun {
    int band;
    int hole;
    int line;
    Run run;
};

// Whether two runs are of the same hole as one band keeps it: looked round together.
bool same_hole(const HoleRun& a, const HoleRun& b) {
    return a.hole == b.hole && a.band == b.band;
}

// The runs of a band that kept its unsettled runs whose face is a hole that no band looked at
// whole, hole by hole, each hole's in line order.
std::vector<HoleRun> missed_runs(const Band& band, int b, const Missed& missed) {
    std::vector<HoleRun> runs;
    const Scope& s = band.scope;
    for (int a = s.begin; a < s.end; ++a) {
        for (const Run& r : band.unsettled.line(a)) {
            const int hole = missed.faces[static_cast<std::size_t>(missed.offset + r.set)];
            if (missed.hole[static_cast<std::size_t>(hole)]) runs.push_back({b, hole, a, r});
        }
    }
    std::stable_sort(runs.begin(), runs.end(),
                     [](const HoleRun& x, const HoleRun& y) { return x.hole < y.hole; });
    return runs;
}

// Looks round the runs of the bands' own lines among `runs` (whole holes of one band each, one
// after the other), the bands' marks only read: the pixels found are added to `found` as (band,
// pixel).
void look_round_piece(const WalkGrids& g, const std::vector<Band>& bands,
                      std::span<const HoleRun> runs,
                      std::vector<std::pair<int, PixelIndex>>& found) {
    // A hole's runs are in line order: while those of line a are looked round, the cells of its
    // runs of lines a - 2 to a + 2 are set, in a ring of a few lines.
    LineBits in_hole;
    in_hole.cover(0, 8, g.nb_col);
    auto set = [&](const HoleRun& x, bool on) { in_hole.set(x.line, x.run.start, x.run.end, on); };
    Looked looked(g.nb_col);
    for (auto from = runs.begin(); from != runs.end();) {
        const auto to =
            std::find_if(from, runs.end(), [&](const HoleRun& x) { return !same_hole(x, *from); });
        const Band& band = bands[static_cast<std::size_t>(from->band)];
        const Scope& s = band.scope;
        auto cleared = from;  // the runs before it are set and cleared again
        auto set_to = from;   // the runs before it are set
        for (auto x = from; x != to;) {
            const int a = x->line;
            for (; cleared != set_to && cleared->line < a - 2; ++cleared) set(*cleared, false);
            for (; set_to != to && set_to->line <= a + 2; ++set_to) set(*set_to, true);
            for (; x != to && x->line == a; ++x) {
                if (a < s.first || a >= s.last) continue;
                look_round_hole_run(g, in_hole, a, x->run, band.marks, looked, [&](int i, int j) {
                    found.emplace_back(from->band, static_cast<PixelIndex>(i) * g.nb_col + j);
                });
            }
        }
        looked.forget();
        for (; cleared != set_to; ++cleared) set(*cleared, false);
        from = to;
    }
}

// The second look round the holes that no band looked at whole. A band that dropped its
// unsettled runs scans its lines again; the runs the others kept are shared out between the
// threads by their length, whole holes each, so that the band that holds a large hole does not
// do the work alone. `faces` and `hole` are those of every band's labels, band b's from
// offset[b] on (see Missed).
void look_round_missed(const WalkGrids& g, std::vector<Band>& bands, const std::vector<int>& faces,
                       const std::vector<unsigned char>& hole, const std::vector<int>& offset,
                       int threads) {
    const auto n = static_cast<int>(bands.size());
    std::vector<std::vector<HoleRun>> kept_runs(bands.size());
    for_bands(n, 0, n, [&](int b, int, int) {
        const Missed again{offset[static_cast<std::size_t>(b)], faces, hole};
        Band& band = bands[static_cast<std::size_t>(b)];
        if (band.unsettled.dropped) {
            scan_band(g, band, &again);
        } else {
            kept_runs[static_cast<std::size_t>(b)] = missed_runs(band, b, again);
        }
    });
    std::vector<HoleRun> runs;
    for (std::vector<HoleRun>& some : kept_runs) {
        runs.insert(runs.end(), some.begin(), some.end());
        std::vector<HoleRun>().swap(some);
    }
    if (runs.empty()) return;
    // Pieces of about the same work, cut where a hole ends.
    auto work = [](const HoleRun& x) {
        return 4 + static_cast<long long>(x.run.end - x.run.start);
    };
    long long total = 0;
    for (const HoleRun& x : runs) total += work(x);
    const int pieces = list_parts(threads, static_cast<long long>(runs.size()), 1);
    std::vector<std::size_t> cut{0};
    long long done = 0;
    for (std::size_t a = 0; a < runs.size(); ++a) {
        const bool hole_ends = a + 1 == runs.size() || !same_hole(runs[a + 1], runs[a]);
        done += work(runs[a]);
        const auto piece = static_cast<long long>(cut.size());
        if (hole_ends && a + 1 < runs.size() && piece < pieces && done * pieces >= total * piece)
            cut.push_back(a + 1);
    }
    cut.push_back(runs.size());
    std::vector<std::vector<std::pair<int, PixelIndex>>> found(cut.size() - 1);
    const auto cuts = static_cast<int>(found.size());
    for_bands(cuts, 0, cuts, [&](int p, int, int) {
        const auto at = static_cast<std::size_t>(p);
        look_round_piece(g, bands,
                         std::span<const HoleRun>(runs).subspan(cut[at], cut[at + 1] - cut[at]),
                         found[at]);
    });
    for (const auto& some : found) {
        for (const auto& [b, p] : some) {
            bands[static_cast<std::size_t>(b)].marks.mark(static_cast<int>(p / g.nb_col),
                                                          static_cast<int>(p % g.nb_col));
        }
    }
}

}  // namespace

std::vector<PixelIndex> closed_loops(const WalkGrids& g, int threads) {
    if (g.net < 0 || g.nb_lig < 3 || g.nb_col < 3) return {};
    // Bands high enough that most holes lie whole in one.
    const int bands =
        std::clamp(band_count(threads, g.nb_lig, g.nb_col), 1, std::max(1, g.nb_lig / (4 * kKept)));
    std::vector<Band> scanned(static_cast<std::size_t>(bands));
    for_bands(bands, 0, g.nb_lig, [&](int b, int first, int last) {
        Band& band = scanned[static_cast<std::size_t>(b)];
        band.scope = scope_of(g, first, last);
        band.marks.cover(band.scope.begin, band.scope.end - band.scope.begin, g.nb_col);
        scan_band(g, band, nullptr);
    });

    // The labels of every band in one set of sets, band b's from offset[b] on, joined where the
    // bands' scans share lines.
    std::vector<int> offset(static_cast<std::size_t>(bands) + 1, 0);
    for (int b = 0; b < bands; ++b) {
        offset[static_cast<std::size_t>(b) + 1] =
            offset[static_cast<std::size_t>(b)] +
            static_cast<int>(scanned[static_cast<std::size_t>(b)].sets.parent.size());
    }
    Sets all;
    all.parent.resize(static_cast<std::size_t>(offset.back()));
    for (int b = 0; b < bands; ++b) {
        const std::vector<int>& parent = scanned[static_cast<std::size_t>(b)].sets.parent;
        const int off = offset[static_cast<std::size_t>(b)];
        for (std::size_t a = 0; a < parent.size(); ++a)
            all.parent[static_cast<std::size_t>(off) + a] = off + parent[a];
        all.join(off, 0);
    }
    for (int b = 1; b < bands; ++b) {
        const Band& up = scanned[static_cast<std::size_t>(b) - 1];
        const Band& down = scanned[static_cast<std::size_t>(b)];
        for (const auto& [line, runs] : down.shared) {
            const auto at = line;  // a structured binding is not captured by every compiler
            const auto same = std::find_if(up.shared.begin(), up.shared.end(),
                                           [at](const auto& l) { return l.first == at; });
            if (same == up.shared.end()) continue;
            for (std::size_t k = 0; k < runs.size(); ++k) {
                all.join(offset[static_cast<std::size_t>(b) - 1] + same->second[k].set,
                         offset[static_cast<std::size_t>(b)] + runs[k].set);
            }
        }
    }
    std::vector<int> faces(all.parent.size());
    for (std::size_t a = 0; a < faces.size(); ++a) faces[a] = all.find(static_cast<int>(a));
    all = Sets{};

    // Holes that no band looked at whole.
    std::vector<unsigned char> missed(faces.size(), 0);
    for (std::size_t a = 1; a < faces.size(); ++a) {
        if (faces[a] != 0) missed[static_cast<std::size_t>(faces[a])] = 1;
    }
    for (int b = 0; b < bands; ++b) {
        const Sets& sets = scanned[static_cast<std::size_t>(b)].sets;
        for (std::size_t a = 0; a < sets.looked_at.size(); ++a) {
            if (sets.looked_at[a])
                missed[static_cast<std::size_t>(
                    faces[static_cast<std::size_t>(offset[static_cast<std::size_t>(b)]) + a])] = 0;
        }
    }
    if (std::find(missed.begin(), missed.end(), 1) != missed.end())
        look_round_missed(g, scanned, faces, missed, offset, threads);
    // The marks of every band, line by line: row-major, each pixel once. Bands of lines count
    // theirs, then write them side by side into the list.
    const std::size_t words = (static_cast<std::size_t>(g.nb_col) + 63) / 64;
    auto merge_line = [&](int i, std::vector<std::uint64_t>& merged) {
        std::fill(merged.begin(), merged.end(), 0);
        for (const Band& band : scanned) {
            if (!band.marks.holds(i)) continue;
            const std::uint64_t* bits = band.marks.line(i);
            for (std::size_t w = 0; w < words; ++w) merged[w] |= bits[w];
        }
    };
    const int parts = band_count(threads, g.nb_lig, g.nb_col);
    std::vector<std::size_t> start(static_cast<std::size_t>(parts) + 1, 0);
    for_bands(parts, 0, g.nb_lig, [&](int part, int first, int last) {
        std::vector<std::uint64_t> merged(words);
        std::size_t count = 0;
        for (int i = first; i < last; ++i) {
            merge_line(i, merged);
            for (const std::uint64_t bits : merged)
                count += static_cast<std::size_t>(std::popcount(bits));
        }
        start[static_cast<std::size_t>(part) + 1] = count;
    });
    for (std::size_t p = 1; p < start.size(); ++p) start[p] += start[p - 1];
    std::vector<PixelIndex> loops(start.back());
    for_bands(parts, 0, g.nb_lig, [&](int part, int first, int last) {
        std::vector<std::uint64_t> merged(words);
        PixelIndex* out = loops.data() + start[static_cast<std::size_t>(part)];
        for (int i = first; i < last; ++i) {
            merge_line(i, merged);
            for (std::size_t w = 0; w < words; ++w) {
                for (std::uint64_t bits = merged[w]; bits != 0; bits &= bits - 1) {
                    *out++ = static_cast<PixelIndex>(i) * g.nb_col +
                             static_cast<PixelIndex>(w * 64) + std::countr_zero(bits);
                }
            }
        }
    });
    return loops;
}
