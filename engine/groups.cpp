#include "engine/groups.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <utility>

#include "base/bands.h"
#include "engine/links.h"
#include "engine/neighbours.h"
#include "engine/set_root.h"

namespace {

// The candidates of each line, some twice: the columns of the junction pixels that touch and of
// the pixels that cut a corner between two of them, sorted into their lines; and the loop
// pixels, in row-major order, each once.
struct LineCandidates {
    std::vector<int> junctions;
    std::vector<std::size_t> junctions_at;  // line i's: [junctions_at[i], junctions_at[i + 1])
    const std::vector<PixelIndex>& loops;
    std::vector<std::size_t> loops_at;  // the same for the loop pixels

    std::size_t count(int first, int last) const {
        const auto f = static_cast<std::size_t>(first);
        const auto l = static_cast<std::size_t>(last);
        return junctions_at[l] - junctions_at[f] + loops_at[l] - loops_at[f];
    }
};

// Lists of pixels are worth splitting between threads from this many on.
constexpr std::size_t kPixelsPerThread = std::size_t{1} << 16;

// Sorts the pixels of `lists` into their lines, as columns (a counting sort, in parts of the
// lists side by side on up to `bands` threads); a line's pixels keep their order in the lists.
void sort_into_lines(const std::vector<const std::vector<PixelIndex>*>& lists, int nb_lig,
                     int nb_col, int bands, std::vector<int>& sorted,
                     std::vector<std::size_t>& line_at) {
    std::size_t total = 0;
    for (const std::vector<PixelIndex>* list : lists) total += list->size();
    const int parts = total < kPixelsPerThread ? 1 : bands;
    // Part p's pixels are those [p * total / parts, (p + 1) * total / parts) of the lists one
    // after the other.
    auto for_part = [&](int p, auto visit) {
        const std::size_t from =
            total * static_cast<std::size_t>(p) / static_cast<std::size_t>(parts);
        const std::size_t to =
            total * static_cast<std::size_t>(p + 1) / static_cast<std::size_t>(parts);
        std::size_t before = 0;
        for (const std::vector<PixelIndex>* list : lists) {
            const std::size_t end = before + list->size();
            for (std::size_t n = std::max(from, before); n < std::min(to, end); ++n)
                visit((*list)[n - before]);
            before = end;
        }
    };
    const PixelDivider split(nb_col);
    const auto lines = static_cast<std::size_t>(nb_lig);
    // counts[p * lines + i]: the pixels of line i in part p, then where they go.
    std::vector<std::size_t> counts(static_cast<std::size_t>(parts) * lines, 0);
    for_bands(parts, 0, parts, [&](int p, int, int) {
        std::size_t* own = counts.data() + static_cast<std::size_t>(p) * lines;
        for_part(p, [&](PixelIndex q) { ++own[static_cast<std::size_t>(split(q).line)]; });
    });
    line_at.assign(lines + 1, 0);
    std::size_t at = 0;
    for (std::size_t i = 0; i < lines; ++i) {
        line_at[i] = at;
        for (int p = 0; p < parts; ++p) {
            std::size_t& c = counts[static_cast<std::size_t>(p) * lines + i];
            const std::size_t here = c;
            c = at;
            at += here;
        }
    }
    line_at[lines] = at;
    sorted.resize(total);
    for_bands(parts, 0, parts, [&](int p, int, int) {
        std::size_t* next = counts.data() + static_cast<std::size_t>(p) * lines;
        for_part(p, [&](PixelIndex q) {
            const PixelSplit at = split(q);
            sorted[next[static_cast<std::size_t>(at.line)]++] = at.column;
        });
    });
}

// The candidates of the lines round the line a band scans, a bit a pixel, in a ring of lines
// (those beyond the image loaded empty): one set of bits for every candidate, one for the loop
// pixels.
struct CandidateBits {
    static constexpr int kLines = 4;
    int nb_col;
    std::size_t words;    // a line
    std::size_t summary;  // words of `held` a line
    std::vector<std::uint64_t> candidate;
    std::vector<std::uint64_t> loop;
    // A bit for each word of `candidate` that is not 0: where a line with few candidates (a
    // clean network has few) holds them.
    std::vector<std::uint64_t> held;

    explicit CandidateBits(int columns)
        : nb_col(columns),
          words((static_cast<std::size_t>(columns) + 63) / 64),
          summary((words + 63) / 64),
          candidate(kLines * words, 0),
          loop(kLines * words, 0),
          held(kLines * summary, 0) {}
    // The ring's place of line i, which may be -1 or nb_lig.
    static std::size_t ring(int i) { return static_cast<std::size_t>((i + kLines) % kLines); }
    std::size_t slot(int i) const { return ring(i) * words; }
    // Calls visit(w) for each word w of line i's slot that is not 0, in order.
    template <typename Visit>
    void for_each_word(int i, Visit visit) const {
        const std::uint64_t* some = held.data() + ring(i) * summary;
        for (std::size_t s = 0; s < summary; ++s) {
            for (std::uint64_t bits = some[s]; bits != 0; bits &= bits - 1)
                visit(s * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
        }
    }
    // Puts the candidates of line i in its slot (none for a line beyond the image).
    void load(const LineCandidates& c, int nb_lig, int i) {
        const std::size_t at = slot(i);
        for_each_word(i, [&](std::size_t w) { candidate[at + w] = loop[at + w] = 0; });
        std::uint64_t* some = held.data() + ring(i) * summary;
        std::fill_n(some, summary, 0);
        if (i < 0 || i >= nb_lig) return;
        const PixelIndex line_start = static_cast<PixelIndex>(i) * nb_col;
        auto set = [&](PixelIndex column, bool on_loop) {
            const auto j = static_cast<std::size_t>(column);
            const std::uint64_t bit = std::uint64_t{1} << (j % 64);
            candidate[at + j / 64] |= bit;
            if (on_loop) loop[at + j / 64] |= bit;
            some[j / 64 / 64] |= std::uint64_t{1} << (j / 64 % 64);
        };
        const auto line = static_cast<std::size_t>(i);
        for (std::size_t n = c.junctions_at[line]; n < c.junctions_at[line + 1]; ++n)
            set(c.junctions[n], false);
        for (std::size_t n = c.loops_at[line]; n < c.loops_at[line + 1]; ++n)
            set(c.loops[n] - line_start, true);
    }
    // Whether (i, j), on a line the ring holds, is a candidate: none beyond the image.
    unsigned is(int i, int j) const {
        if (j < 0 || j >= nb_col) return 0;
        const auto c = static_cast<std::size_t>(j);
        return static_cast<unsigned>(candidate[slot(i) + c / 64] >> (c % 64) & 1u);
    }
    bool is_loop(int i, int j) const {
        const auto c = static_cast<std::size_t>(j);
        return (loop[slot(i) + c / 64] >> (c % 64) & 1u) != 0;
    }
};

// A candidate pixel as the scan of its band finds it.
struct Candidate {
    PixelIndex pixel;
    unsigned char inside;   // linked neighbours that are candidates: in the same set
    unsigned char outside;  // linked neighbours that are not: where the set's links lead
    bool loop;              // a loop pixel
    bool border;            // on the image border
};

// Mask of the neighbours of (i, j) that are candidates, in the neighbour order.
unsigned candidate_mask(const CandidateBits& bits, int i, int j) {
    return bits.is(i - 1, j - 1) | bits.is(i - 1, j) << 1 | bits.is(i - 1, j + 1) << 2 |
           bits.is(i, j + 1) << 3 | bits.is(i + 1, j + 1) << 4 | bits.is(i + 1, j) << 5 |
           bits.is(i + 1, j - 1) << 6 | bits.is(i, j - 1) << 7;
}

// A union-find over candidates numbered in row-major order (set_root.h), in which a set's root is
// always its first candidate: a candidate's parent is never after it.
void unite(std::vector<int>& parent, int a, int b) {
    a = set_root(parent, a);
    b = set_root(parent, b);
    if (a < b) parent[static_cast<std::size_t>(b)] = a;
    if (b < a) parent[static_cast<std::size_t>(a)] = b;
}

// The candidates of a band of lines, row-major, joined into linked sets within the band.
struct BandSets {
    std::vector<Candidate> candidates;
    std::vector<int> parent;   // over the band's candidates
    std::vector<int> line_at;  // the first candidate of each line of the band, and the end
};

// Finds the candidates of lines [first, last), reads their links, and joins the linked ones of
// the band (those linked to the line above the band are joined later). Only reads the grids.
void scan_band(const WalkGrids& g, const LineCandidates& lists, int first, int last,
               BandSets& band) {
    const int nb_col = g.nb_col;
    // The candidate at each column of the line above and of this line, or -1.
    std::vector<int> above(static_cast<std::size_t>(nb_col), -1);
    std::vector<int> here(static_cast<std::size_t>(nb_col), -1);
    std::vector<Candidate>& found = band.candidates;
    const std::size_t listed = lists.count(first, last);
    found.reserve(listed);
    band.parent.reserve(listed);
    band.line_at.reserve(static_cast<std::size_t>(last - first) + 1);
    auto column_of = [&](std::size_t k, int i) {
        return static_cast<std::size_t>(found[k].pixel - static_cast<PixelIndex>(i) * nb_col);
    };
    CandidateBits bits(nb_col);
    if (first < last) {
        bits.load(lists, g.nb_lig, first - 1);
        bits.load(lists, g.nb_lig, first);
    }
    for (int i = first; i < last; ++i) {
        bits.load(lists, g.nb_lig, i + 1);
        const std::size_t line_begin = found.size();
        band.line_at.push_back(static_cast<int>(line_begin));
        const PixelIndex line_start = static_cast<PixelIndex>(i) * nb_col;
        const bool edge_line = i == 0 || i == g.nb_lig - 1;
        auto visit = [&](int j) {
            const unsigned links = edge_line || j == 0 || j == nb_col - 1
                                       ? links_of(g, i, j)
                                       : linked(loaded_mask(g.tab1, g.tab5, g.net, i, j));
            const unsigned inside = links & candidate_mask(bits, i, j);
            const auto k = static_cast<int>(found.size());
            found.push_back({line_start + j, static_cast<unsigned char>(inside),
                             static_cast<unsigned char>(links & ~inside), bits.is_loop(i, j),
                             g.on_border(i, j)});
            band.parent.push_back(k);
            here[static_cast<std::size_t>(j)] = k;
            // The links back: left (bit 7) on this line, upper left, up and upper right (bits 0
            // to 2) on the line above when it is in the band.
            const auto at = static_cast<std::size_t>(j);
            if (inside >> 7 & 1u) unite(band.parent, k, here[at - 1]);
            if (i == first) return;
            if (inside & 1u) unite(band.parent, k, above[at - 1]);
            if (inside >> 1 & 1u) unite(band.parent, k, above[at]);
            if (inside >> 2 & 1u) unite(band.parent, k, above[at + 1]);
        };
        const std::uint64_t* line = bits.candidate.data() + bits.slot(i);
        bits.for_each_word(i, [&](std::size_t w) {
            for (std::uint64_t word = line[w]; word != 0; word &= word - 1)
                visit(static_cast<int>(w * 64) + std::countr_zero(word));
        });
        // The line above is done with: its columns are cleared for the line after this one.
        if (i > first) {
            const std::size_t above_begin =
                static_cast<std::size_t>(band.line_at[band.line_at.size() - 2]);
            for (std::size_t k = above_begin; k < line_begin; ++k) above[column_of(k, i - 1)] = -1;
        }
        std::swap(above, here);
    }
    band.line_at.push_back(static_cast<int>(found.size()));
}

}  // namespace

Groups make_groups(const WalkGrids& g, const std::vector<PixelIndex>& junctions,
                   const std::vector<PixelIndex>& between,
                   const std::vector<PixelIndex>& loop_pixels, int threads) {
    // The candidates are numbered with ints, which no image that memory holds today exceeds
    // (more than half of the largest image in junction and loop pixels).
    if (junctions.size() + between.size() + loop_pixels.size() >
        static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw std::length_error("too many junction and loop pixels for the junction groups");
    }
    const int bands = band_count(threads, g.nb_lig, g.nb_col);
    // The linked sets of candidates, found in bands of lines side by side, then joined across
    // the edges of the bands. A set of one junction pixel on no loop stays a plain junction.
    // The links that leave a set never change (they are those of the network as loaded); which
    // of them still lead to a line is read from tab1 when needed.
    std::vector<BandSets> parts(static_cast<std::size_t>(bands));
    std::vector<int> band_first(static_cast<std::size_t>(bands) + 1, g.nb_lig);
    {
        // Junction pixels that touch at a cut corner touch all the same: the network pixel that
        // cuts it, linked to both, joins their group. The lists sorted into lines are let go of
        // once scanned.
        LineCandidates lists{{}, {}, loop_pixels, line_starts(loop_pixels, g.nb_lig, g.nb_col)};
        sort_into_lines({&junctions, &between}, g.nb_lig, g.nb_col, bands, lists.junctions,
                        lists.junctions_at);
        for_bands(bands, 0, g.nb_lig, [&](int b, int first, int last) {
            band_first[static_cast<std::size_t>(b)] = first;
            scan_band(g, lists, first, last, parts[static_cast<std::size_t>(b)]);
        });
    }
    // The candidates numbered over all bands, in row-major order.
    std::vector<std::size_t> offset(parts.size() + 1, 0);
    for (std::size_t b = 0; b < parts.size(); ++b)
        offset[b + 1] = offset[b] + parts[b].candidates.size();
    const std::size_t count = offset.back();
    std::vector<int> parent(count);
    for (std::size_t b = 0; b < parts.size(); ++b) {
        const int shift = static_cast<int>(offset[b]);
        for (std::size_t k = 0; k < parts[b].parent.size(); ++k)
            parent[offset[b] + k] = parts[b].parent[k] + shift;
    }
    // The links between the first line of a band and the last line of the band above.
    std::vector<int> above(static_cast<std::size_t>(g.nb_col), -1);
    for (std::size_t b = 1; b < parts.size(); ++b) {
        const BandSets& up = parts[b - 1];
        const BandSets& down = parts[b];
        if (down.line_at.size() < 2 || up.line_at.size() < 2) continue;
        const PixelIndex above_start = static_cast<PixelIndex>(band_first[b] - 1) * g.nb_col;
        const auto above_begin = static_cast<std::size_t>(up.line_at[up.line_at.size() - 2]);
        for (std::size_t k = above_begin; k < up.candidates.size(); ++k)
            above[static_cast<std::size_t>(up.candidates[k].pixel - above_start)] =
                static_cast<int>(offset[b - 1] + k);
        for (std::size_t k = 0; k < static_cast<std::size_t>(down.line_at[1]); ++k) {
            const Candidate& c = down.candidates[k];
            const auto at = static_cast<std::size_t>(c.pixel - above_start - g.nb_col);
            const auto self = static_cast<int>(offset[b] + k);
            if (c.inside & 1u) unite(parent, self, above[at - 1]);
            if (c.inside >> 1 & 1u) unite(parent, self, above[at]);
            if (c.inside >> 2 & 1u) unite(parent, self, above[at + 1]);
        }
        for (std::size_t k = above_begin; k < up.candidates.size(); ++k)
            above[static_cast<std::size_t>(up.candidates[k].pixel - above_start)] = -1;
    }
    // Calls visit(band, number, candidate) for the candidates numbered [from, to).
    auto for_each_candidate = [&](std::size_t from, std::size_t to, auto visit) {
        for (std::size_t b = 0; b < parts.size(); ++b) {
            const std::size_t end = std::min(to, offset[b + 1]);
            for (std::size_t k = std::max(from, offset[b]); k < end; ++k)
                visit(b, k, parts[b].candidates[k - offset[b]]);
        }
    };
    // Each candidate's parent made its root (a parent comes first, and has its root already).
    // A root is a set's first pixel: the groups come in the row-major order of their first
    // pixels. A set has more than one pixel when its root has a linked candidate; a set of one
    // junction pixel on no loop stays a plain junction. Each group's size, links and flags are
    // summed meanwhile.
    struct SetSum {
        int pixels = 0;
        int links = 0;
        bool loop = false;
        bool border = false;
        std::size_t first = 0;  // the numbers of its first and last candidates
        std::size_t last = 0;
    };
    std::vector<int> group_of(count, -1);
    std::vector<SetSum> group_sums;
    std::vector<int> group_pixels_before(parts.size() + 1, 0);  // of each band's candidates
    for_each_candidate(0, count, [&](std::size_t b, std::size_t k, const Candidate& c) {
        int& root = parent[k];
        root = parent[static_cast<std::size_t>(root)];
        int& group = group_of[k];
        if (static_cast<std::size_t>(root) == k) {
            if (c.inside == 0 && !c.loop) return;
            group = static_cast<int>(group_sums.size());
            group_sums.emplace_back().first = k;
        } else {
            group = group_of[static_cast<std::size_t>(root)];
            if (group < 0) return;
        }
        SetSum& sum = group_sums[static_cast<std::size_t>(group)];
        ++group_pixels_before[b + 1];
        ++sum.pixels;
        sum.last = k;
        sum.links += link_count(c.outside);
        sum.loop = sum.loop || c.loop;
        sum.border = sum.border || c.border;
    });
    std::vector<int> group_at{0};  // the group's first pixel among all groups' pixels
    group_at.reserve(group_sums.size() + 1);
    for (const SetSum& sum : group_sums) group_at.push_back(group_at.back() + sum.pixels);

    // Each group made on the thread of the band of all groups' pixels it begins in.
    Groups groups;
    groups.list.resize(group_sums.size());
    const PixelIndex nb_col = g.nb_col;
    PixelIndex step[8];
    for (int n = 0; n < 8; ++n) step[n] = kNeighbours[n].di * nb_col + kNeighbours[n].dj;
    const int group_pixels = group_at.back();
    groups.linked.resize(static_cast<std::size_t>(group_pixels));
    for_bands(bands, 0, group_pixels, [&](int, int first, int last) {
        const auto begin = static_cast<int>(
            std::lower_bound(group_at.begin(), group_at.end() - 1, first) - group_at.begin());
        const auto end = static_cast<int>(
            std::lower_bound(group_at.begin(), group_at.end() - 1, last) - group_at.begin());
        // The candidates of these groups lie from the first one's first to the last of any.
        std::size_t from = count;
        std::size_t to = 0;
        for (int k = begin; k < end; ++k) {
            Group& group = groups.list[static_cast<std::size_t>(k)];
            const SetSum& sum = group_sums[static_cast<std::size_t>(k)];
            from = std::min(from, sum.first);
            to = std::max(to, sum.last + 1);
            group.pixels.reserve(static_cast<std::size_t>(sum.pixels));
            group.first = group_at[static_cast<std::size_t>(k)];
            group.links.reserve(static_cast<std::size_t>(sum.links));
            group.loop = sum.loop;
            group.border = sum.border;
        }
        for_each_candidate(from, to, [&](std::size_t, std::size_t at, const Candidate& c) {
            const int k = group_of[at];
            if (k < begin || k >= end) return;
            Group& group = groups.list[static_cast<std::size_t>(k)];
            groups.linked[static_cast<std::size_t>(group.first) + group.pixels.size()] =
                static_cast<unsigned char>(c.inside | c.outside);
            group.pixels.push_back(c.pixel);
            for (int n = 0; n < 8; ++n) {
                if (c.outside >> n & 1u) group.links.push_back({c.pixel, c.pixel + step[n]});
            }
        });
        for (int k = begin; k < end; ++k) {
            Group& group = groups.list[static_cast<std::size_t>(k)];
            std::sort(
                group.links.begin(), group.links.end(), [](const GroupExit& a, const GroupExit& b) {
                    return a.outside != b.outside ? a.outside < b.outside : a.inside < b.inside;
                });
            group.degree = count_exits(g, groups, k, nullptr);
        }
    });
    // The map of the groups' pixels, which come in row-major order among the candidates, made
    // by the bands of the scan.
    for (std::size_t b = 1; b < group_pixels_before.size(); ++b)
        group_pixels_before[b] += group_pixels_before[b - 1];
    PixelMap& of = groups.of;
    of.lines = PixelDivider(g.nb_col);
    of.line_at.assign(static_cast<std::size_t>(g.nb_lig) + 1, 0);
    of.keys.resize(static_cast<std::size_t>(group_pixels));
    of.values.resize(static_cast<std::size_t>(group_pixels));
    for_bands(bands, 0, g.nb_lig, [&](int band, int, int) {
        const auto b = static_cast<std::size_t>(band);
        const BandSets& part = parts[b];
        auto next = static_cast<std::size_t>(group_pixels_before[b]);
        for (std::size_t line = 0; line + 1 < part.line_at.size(); ++line) {
            const int i = band_first[b] + static_cast<int>(line);
            of.line_at[static_cast<std::size_t>(i)] = next;
            for (auto k = static_cast<std::size_t>(part.line_at[line]);
                 k < static_cast<std::size_t>(part.line_at[line + 1]); ++k) {
                const PixelIndex p = part.candidates[k].pixel;
                const int value = group_of[offset[b] + k];
                if (value < 0) continue;
                of.keys[next] = p;
                of.values[next] = value;
                ++next;
            }
        }
    });
    of.line_at.back() = of.keys.size();
    return groups;
}

template <bool kShared>
int count_exits(const WalkGrids& g, const Groups& groups, int group, GroupExit* exit) {
    const PixelDivider split(g.nb_col);
    int count = 0;
    PixelIndex last = -1;
    for (const GroupExit& link : groups.list[static_cast<std::size_t>(group)].links) {
        if (link.outside == last) continue;
        const auto [qi, qj] = split(link.outside);
        if (read_byte<kShared, std::memory_order_acquire>(&g.tab1[qi][qj]) != g.net) continue;
        last = link.outside;
        if (count == 0 && exit != nullptr) *exit = link;
        ++count;
    }
    return count;
}

std::vector<int> path_through(const Groups& groups, int group_index, int nb_col, PixelIndex from,
                              PixelIndex to) {
    const Group& group = groups.list[static_cast<std::size_t>(group_index)];
    const unsigned char* const linked = groups.linked.data() + group.first;
    // A breadth-first search over the group's pixels, each known by its place in the group's
    // sorted list.
    const std::vector<PixelIndex>& pixels = group.pixels;
    auto place = [&](PixelIndex p) {
        const auto at = std::lower_bound(pixels.begin(), pixels.end(), p);
        return at != pixels.end() && *at == p ? static_cast<int>(at - pixels.begin()) : -1;
    };
    const std::size_t count = pixels.size();
    const auto line = static_cast<PixelIndex>(nb_col);
    const int start = place(from);
    const int goal = place(to);
    if (start < 0) return {};
    if (goal < 0) return {start};
    // Where the lines above and below each pixel begin among the group's pixels: found in one
    // sweep, as both only grow with the pixel. Cheaper than a search from every pixel the search
    // below reaches, which is most of the group.
    std::vector<std::size_t> above(count);
    std::vector<std::size_t> below(count);
    for (std::size_t here = 0, up = 0, down = 0; here < count; ++here) {
        const PixelIndex q = pixels[here];
        while (pixels[up] < q - line - 1) ++up;
        while (down < count && pixels[down] < q + line - 1) ++down;
        above[here] = up;
        below[here] = down;
    }
    std::vector<int> came_from(count, -1);
    std::vector<int> queue{start};
    queue.reserve(count);
    came_from[static_cast<std::size_t>(start)] = start;
    for (std::size_t head = 0; head < queue.size() && came_from[static_cast<std::size_t>(goal)] < 0;
         ++head) {
        const int p = queue[head];
        const auto here = static_cast<std::size_t>(p);
        const unsigned links = linked[here];
        // The place of each neighbour, in the neighbour order.
        int at[8];
        neighbour_places(pixels, here, above[here], below[here], nb_col, at);
        for (int n = 0; n < 8; ++n) {
            if (!(links >> n & 1u)) continue;
            const int next = at[n];
            if (next < 0 || came_from[static_cast<std::size_t>(next)] >= 0) continue;
            came_from[static_cast<std::size_t>(next)] = p;
            queue.push_back(next);
        }
    }
    if (came_from[static_cast<std::size_t>(goal)] < 0) return {start};
    std::vector<int> path;
    for (int p = goal; p != start; p = came_from[static_cast<std::size_t>(p)]) path.push_back(p);
    path.push_back(start);
    std::reverse(path.begin(), path.end());
    return path;
}

template int count_exits<false>(const WalkGrids&, const Groups&, int, GroupExit*);
template int count_exits<true>(const WalkGrids&, const Groups&, int, GroupExit*);
