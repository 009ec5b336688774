#include "engine/groups.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

#include "base/bands.h"
#include "engine/links.h"
#include "engine/neighbours.h"
#include "engine/set_root.h"

namespace {

// Marks in tab5 while the groups are made, which holds no label then: the candidates (junction
// pixels that touch and the pixels that cut a corner between two of them, loop pixels).
// Candidates are network pixels of tab1, so a mark never changes which pixels are in the loaded
// network. The two marks differ in their lowest bit only.
constexpr unsigned char kJunctionMark = 253;
constexpr unsigned char kLoopMark = 252;

// Whether a byte of tab5 marks a candidate.
inline bool is_candidate(unsigned char m) {
    return (m | 1u) == kJunctionMark;
}

// Takes the marks of the candidates away when making the groups fails; once the groups are made,
// the bands that found the candidates have taken them away.
struct CandidateMarks {
    const WalkGrids& g;
    PixelDivider split;
    // Every candidate, some twice: the junction pixels, the loop pixels, and those between.
    const std::vector<PixelIndex>& junctions;
    const std::vector<PixelIndex>& loop_pixels;
    std::vector<PixelIndex> between;
    bool cleared = false;  // the marks were taken away already
    unsigned char& at(PixelIndex p) const {
        const auto [i, j] = split(p);
        return g.tab5[i][j];
    }
    template <typename Visit>
    void for_each(Visit visit) const {
        for (const std::vector<PixelIndex>* list : {&between, &junctions, &loop_pixels}) {
            for (PixelIndex p : *list) visit(p);
        }
    }
    ~CandidateMarks() {
        if (!cleared) for_each([&](PixelIndex p) { at(p) = 255; });
    }
};

// Where candidates are marked, to scan for them: the blocks of 64 columns of each line that
// hold one, a bit each, and how many were listed on each line (some twice).
struct MarkedBlocks {
    static constexpr int kBlock = 64;  // columns
    static constexpr int kWord = 64;   // blocks a word
    std::size_t words;                 // a line
    std::vector<std::uint64_t> bits;   // line i: words [i * words, (i + 1) * words)
    std::vector<int> listed;

    MarkedBlocks(int nb_lig, int nb_col)
        : words(static_cast<std::size_t>(nb_col + kBlock * kWord - 1) / (kBlock * kWord)),
          bits(static_cast<std::size_t>(nb_lig) * words, 0),
          listed(static_cast<std::size_t>(nb_lig), 0) {}
    void add(int i, int j) {
        const auto block = static_cast<std::size_t>(j / kBlock);
        bits[static_cast<std::size_t>(i) * words + block / kWord] |= std::uint64_t{1}
                                                                     << (block % kWord);
        ++listed[static_cast<std::size_t>(i)];
    }
    void join(const MarkedBlocks& other) {
        for (std::size_t n = 0; n < bits.size(); ++n) bits[n] |= other.bits[n];
        for (std::size_t i = 0; i < listed.size(); ++i) listed[i] += other.listed[i];
    }
};

// Lists of pixels are worth splitting between threads from this many on.
constexpr std::size_t kPixelsPerThread = std::size_t{1} << 16;

// The number of parts a list of `count` pixels is split into with up to `bands` threads.
int pixel_list_parts(int bands, std::size_t count) {
    return count < kPixelsPerThread ||
                   count > static_cast<std::size_t>(std::numeric_limits<int>::max())
               ? 1
               : bands;
}

// Calls work(part, first, last) for the pixel_list_parts(bands, count) parts [first, last) of
// `count` listed pixels, side by side.
template <typename Work>
void for_list_parts(int bands, std::size_t count, Work work) {
    if (pixel_list_parts(bands, count) == 1) {
        work(0, std::size_t{0}, count);
        return;
    }
    for_bands(bands, 0, static_cast<int>(count), [&](int b, int first, int last) {
        work(b, static_cast<std::size_t>(first), static_cast<std::size_t>(last));
    });
}

// Marks the pixels of `list` with `mark` in tab5 and adds them to `marked`. A pixel listed twice
// may be marked by two threads at once: the marks are stored as shared bytes.
void mark_list(const CandidateMarks& marks, const std::vector<PixelIndex>& list, unsigned char mark,
               int bands, MarkedBlocks& marked) {
    const WalkGrids& g = marks.g;
    std::vector<MarkedBlocks> more;  // of the parts after the first, joined after
    const int parts = pixel_list_parts(bands, list.size());
    for (int b = 1; b < parts; ++b) more.emplace_back(g.nb_lig, g.nb_col);
    for_list_parts(bands, list.size(), [&](int b, std::size_t first, std::size_t last) {
        MarkedBlocks& own = b == 0 ? marked : more[static_cast<std::size_t>(b) - 1];
        for (std::size_t n = first; n < last; ++n) {
            const PixelSplit at = marks.split(list[n]);
            store_shared(&g.tab5[at.line][at.column], mark, std::memory_order_relaxed);
            own.add(at.line, at.column);
        }
    });
    for (const MarkedBlocks& part : more) marked.join(part);
}

// A candidate pixel as the scan of its band finds it.
struct Candidate {
    PixelIndex pixel;
    unsigned char inside;   // linked neighbours that are candidates: in the same set
    unsigned char outside;  // linked neighbours that are not: where the set's links lead
    bool loop;              // a loop pixel
    bool border;            // on the image border
};

// Mask of the neighbours of the interior pixel (i, j) that are candidates, in the neighbour
// order.
unsigned candidate_mask(unsigned char* const* tab5, int i, int j) {
    const unsigned char* u = tab5[i - 1] + j;
    const unsigned char* m = tab5[i] + j;
    const unsigned char* d = tab5[i + 1] + j;
    auto in = [](const unsigned char* at) { return unsigned{is_candidate(*at)}; };
    return in(u - 1) | in(u) << 1 | in(u + 1) << 2 | in(m + 1) << 3 | in(d + 1) << 4 | in(d) << 5 |
           in(d - 1) << 6 | in(m - 1) << 7;
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

// Finds the marked candidates of lines [first, last) in their marked blocks, reads their links,
// and joins the linked ones of the band (those linked to the line above the band are joined
// later). Only reads the grids.
void scan_band(const WalkGrids& g, const MarkedBlocks& marked, int first, int last,
               BandSets& band) {
    const int nb_col = g.nb_col;
    // The candidate at each column of the line above and of this line, or -1.
    std::vector<int> above(static_cast<std::size_t>(nb_col), -1);
    std::vector<int> here(static_cast<std::size_t>(nb_col), -1);
    std::vector<Candidate>& found = band.candidates;
    std::size_t listed = 0;
    for (int i = first; i < last; ++i)
        listed += static_cast<std::size_t>(marked.listed[static_cast<std::size_t>(i)]);
    found.reserve(listed);
    band.parent.reserve(listed);
    band.line_at.reserve(static_cast<std::size_t>(last - first) + 1);
    auto column_of = [&](std::size_t k, int i) {
        return static_cast<std::size_t>(found[k].pixel - static_cast<PixelIndex>(i) * nb_col);
    };
    for (int i = first; i < last; ++i) {
        const std::size_t line_begin = found.size();
        band.line_at.push_back(static_cast<int>(line_begin));
        const unsigned char* row = g.tab5[i];
        const PixelIndex line_start = static_cast<PixelIndex>(i) * nb_col;
        const bool edge_line = i == 0 || i == g.nb_lig - 1;
        auto visit = [&](int j) {
            const unsigned char mark = row[j];
            unsigned links = 0;
            unsigned inside = 0;
            if (edge_line || j == 0 || j == nb_col - 1) {
                links = links_of(g, i, j);
                for (int n = 0; n < 8; ++n) {
                    if ((links >> n & 1u) &&
                        is_candidate(g.tab5[i + kNeighbours[n].di][j + kNeighbours[n].dj]))
                        inside |= 1u << n;
                }
            } else {
                links = linked(loaded_mask(g.tab1, g.tab5, g.net, i, j));
                inside = links & candidate_mask(g.tab5, i, j);
            }
            const auto k = static_cast<int>(found.size());
            found.push_back({line_start + j, static_cast<unsigned char>(inside),
                             static_cast<unsigned char>(links & ~inside), mark == kLoopMark,
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
        // The marks are few among unmarked bytes (255): eight bytes at a time, in the blocks
        // that hold one.
        for (std::size_t w = 0; w < marked.words; ++w) {
            for (std::uint64_t bits = marked.bits[static_cast<std::size_t>(i) * marked.words + w];
                 bits != 0; bits &= bits - 1) {
                const int block =
                    static_cast<int>(w) * MarkedBlocks::kWord + std::countr_zero(bits);
                const int end = std::min(nb_col, (block + 1) * MarkedBlocks::kBlock);
                for (int j = block * MarkedBlocks::kBlock; j < end;) {
                    if (end - j >= 8) {
                        std::uint64_t word;
                        std::memcpy(&word, row + j, sizeof word);
                        if (word == ~std::uint64_t{0}) {
                            j += 8;
                            continue;
                        }
                        for (const int stop = j + 8; j < stop; ++j) {
                            if (is_candidate(row[j])) visit(j);
                        }
                    } else {
                        if (is_candidate(row[j])) visit(j);
                        ++j;
                    }
                }
            }
        }
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
    CandidateMarks marks{g, PixelDivider(g.nb_col), junctions, loop_pixels, {}};
    const int bands = band_count(threads, g.nb_lig, g.nb_col);
    MarkedBlocks marked(g.nb_lig, g.nb_col);
    mark_list(marks, junctions, kJunctionMark, bands, marked);
    // Junction pixels that touch at a cut corner touch all the same: the network pixel that
    // cuts it, linked to both, joins their group. Marked each once here.
    for (PixelIndex p : between) {
        const PixelSplit at = marks.split(p);
        unsigned char& m = g.tab5[at.line][at.column];
        if (m != 255) continue;
        marks.between.push_back(p);
        m = kJunctionMark;
        marked.add(at.line, at.column);
    }
    // The candidates are numbered with ints, which no image that memory holds today exceeds
    // (more than half of the largest image in junction and loop pixels).
    if (junctions.size() + marks.between.size() + loop_pixels.size() >
        static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw std::length_error("too many junction and loop pixels for the junction groups");
    }
    mark_list(marks, loop_pixels, kLoopMark, bands, marked);

    // The linked sets of candidates, found in bands of lines side by side, then joined across
    // the edges of the bands. A set of one junction pixel on no loop stays a plain junction.
    // The links that leave a set never change (they are those of the network as loaded); which
    // of them still lead to a line is read from tab1 when needed.
    std::vector<BandSets> parts(static_cast<std::size_t>(bands));
    std::vector<int> band_first(static_cast<std::size_t>(bands) + 1, g.nb_lig);
    for_bands(bands, 0, g.nb_lig, [&](int b, int first, int last) {
        band_first[static_cast<std::size_t>(b)] = first;
        scan_band(g, marked, first, last, parts[static_cast<std::size_t>(b)]);
    });
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
    // by the bands of the scan, which take the marks of their candidates away meanwhile.
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
            const PixelIndex line_start = static_cast<PixelIndex>(i) * nb_col;
            of.line_at[static_cast<std::size_t>(i)] = next;
            for (auto k = static_cast<std::size_t>(part.line_at[line]);
                 k < static_cast<std::size_t>(part.line_at[line + 1]); ++k) {
                const PixelIndex p = part.candidates[k].pixel;
                g.tab5[i][p - line_start] = 255;
                const int value = group_of[offset[b] + k];
                if (value < 0) continue;
                of.keys[next] = p;
                of.values[next] = value;
                ++next;
            }
        }
    });
    of.line_at.back() = of.keys.size();
    marks.cleared = true;
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
    // Where the three pixels above and the three below each pixel would lie among the group's
    // pixels: found in one sweep, as both only grow with the pixel. Cheaper than a search from
    // every pixel the search below reaches, which is most of the group.
    std::vector<int> above(count);
    std::vector<int> below(count);
    for (std::size_t here = 0, up = 0, down = here + 1; here < count; ++here) {
        const PixelIndex q = pixels[here];
        while (up < here && pixels[up] < q - line - 1) ++up;
        down = std::max(down, here + 1);
        while (down < count && pixels[down] < q + line - 1) ++down;
        above[here] = static_cast<int>(up);
        below[here] = static_cast<int>(down);
    }
    // The places of the three pixels from q on among the places [at, last), `at` where q would
    // lie: -1 for one not in the group.
    auto three_places = [&](PixelIndex q, int at, std::size_t last, int places[3]) {
        auto n = static_cast<std::size_t>(at);
        for (int d = 0; d < 3; ++d) {
            while (n < last && pixels[n] < q + d) ++n;
            places[d] = n < last && pixels[n] == q + d ? static_cast<int>(n) : -1;
        }
    };
    std::vector<int> came_from(count, -1);
    std::vector<int> queue{start};
    queue.reserve(count);
    came_from[static_cast<std::size_t>(start)] = start;
    for (std::size_t head = 0; head < queue.size() && came_from[static_cast<std::size_t>(goal)] < 0;
         ++head) {
        const int p = queue[head];
        const auto here = static_cast<std::size_t>(p);
        const PixelIndex q = pixels[here];
        const unsigned links = linked[here];
        // The place of each linked neighbour, in the neighbour order: the line above, the pixel
        // to the right, the line below (right to left), the pixel to the left.
        int at[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
        if (links & 0x07u) three_places(q - line - 1, above[here], here, at);
        if (links & 0x70u) {
            int under[3];
            three_places(q + line - 1, below[here], count, under);
            at[4] = under[2];
            at[5] = under[1];
            at[6] = under[0];
        }
        at[3] = here + 1 < count && pixels[here + 1] == q + 1 ? p + 1 : -1;
        at[7] = here > 0 && pixels[here - 1] == q - 1 ? p - 1 : -1;
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
