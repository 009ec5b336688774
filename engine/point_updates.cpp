#include "engine/point_updates.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "base/bands.h"
#include "engine/byte_reads.h"
#include "engine/classify.h"
#include "engine/flag_scan.h"
#include "engine/links.h"
#include "engine/neighbours.h"

namespace {

// Flags of the pixels of a line, bits of one byte.
constexpr unsigned char kEndFlag = 1;       // exactly one linked neighbour
constexpr unsigned char kJunctionFlag = 2;  // three or more
constexpr unsigned char kTouchingFlag = 4;  // a junction pixel listed as touching another

// One interior line: counts the linked neighbours of every pixel at once (a loop the compiler
// turns into vector operations on bytes; a corner neighbour counts only when neither cell between
// is network), flags the end points and the junction pixels, and returns the network pixels of
// the line.
unsigned classify_line(const unsigned char* __restrict up, const unsigned char* __restrict mid,
                       const unsigned char* __restrict down, int nb_col, unsigned char value,
                       unsigned char* __restrict flags, unsigned& cut_corners) {
    using Byte = unsigned char;
    unsigned pixels = 0;
    Byte cut = 0;  // a network pixel of the line has a corner neighbour that is not linked
    for (int j = 1; j < nb_col - 1; ++j) {
        const Byte u = up[j] == value;
        const Byte r = mid[j + 1] == value;
        const Byte dn = down[j] == value;
        const Byte l = mid[j - 1] == value;
        const Byte ul = up[j - 1] == value;
        const Byte ur = up[j + 1] == value;
        const Byte dr = down[j + 1] == value;
        const Byte dl = down[j - 1] == value;
        const Byte count = u + r + dn + l + (ul & ~(u | l) & 1) + (ur & ~(u | r) & 1) +
                           (dr & ~(dn | r) & 1) + (dl & ~(dn | l) & 1);
        const Byte here = mid[j] == value;
        pixels += here;
        cut |= static_cast<Byte>(
            here & ((ul & (u | l)) | (ur & (u | r)) | (dr & (dn | r)) | (dl & (dn | l))));
        flags[j] = static_cast<Byte>((here & (count == 1)) | (here & (count > 2)) << 1);
    }
    cut_corners |= cut;
    return pixels;
}

// Classifies the interior lines [first, last) into c; the lines around them are only read.
void classify_lines(const WalkGrids& g, int first, int last, Classified& c) {
    unsigned char* const* t1 = g.tab1;
    const auto value = static_cast<unsigned char>(g.net);
    // The flags of this line and of the line above, to find junction pixels that touch.
    std::vector<unsigned char> line_flags(2 * static_cast<std::size_t>(g.nb_col), 0);
    unsigned char* flags = line_flags.data();
    unsigned char* above = flags + g.nb_col;
    unsigned cut_corners = 0;
    if (first > 1) {
        classify_line(t1[first - 2], t1[first - 1], t1[first], g.nb_col, value, above, cut_corners);
        // The junction pixels of that line that touch one beside them or on the line above were
        // listed by the band before: marked here, so that this band does not list them again.
        if (first > 2) {
            unsigned ignored = 0;
            classify_line(t1[first - 3], t1[first - 2], t1[first - 1], g.nb_col, value, flags,
                          ignored);
        }
        for (std::size_t j = 1; j + 1 < static_cast<std::size_t>(g.nb_col); ++j) {
            if ((above[j] & kJunctionFlag) &&
                ((above[j - 1] | above[j + 1] | flags[j - 1] | flags[j] | flags[j + 1]) &
                 kJunctionFlag) != 0)
                above[j] |= kTouchingFlag;
        }
    }
    for (int i = first; i < last; ++i) {
        c.interior_pixels +=
            classify_line(t1[i - 1], t1[i], t1[i + 1], g.nb_col, value, flags, cut_corners);
        const PixelIndex line_start = static_cast<PixelIndex>(i) * g.nb_col;
        for_each_flagged(flags, g.nb_col, [&](int col) {
            const auto j = static_cast<std::size_t>(col);
            const unsigned char f = flags[j];
            if (f & kEndFlag) c.ends.push_back(line_start + col);
            if (!(f & kJunctionFlag)) return;
            // A touching junction pixel is listed once.
            if (((flags[j - 1] | flags[j + 1] | above[j - 1] | above[j] | above[j + 1]) &
                 kJunctionFlag) != 0) {
                c.touching_junctions.push_back(line_start + col);
                flags[j] |= kTouchingFlag;
            }
            // The pixel above that it touches is a touching junction too.
            for (std::size_t a = j - 1; a <= j + 1; ++a) {
                if ((above[a] & (kJunctionFlag | kTouchingFlag)) == kJunctionFlag) {
                    c.touching_junctions.push_back(line_start - g.nb_col +
                                                   static_cast<PixelIndex>(a));
                    above[a] |= kTouchingFlag;
                }
            }
            // Touching a junction pixel above at a corner: the network pixels that cut the
            // corner, junction pixels left out, join their group (some are listed twice).
            auto between = [&](const unsigned char* line, const unsigned char* line_flags,
                               std::size_t at, PixelIndex pixel) {
                if (line[at] == value && !(line_flags[at] & kJunctionFlag))
                    c.between_junctions.push_back(pixel);
            };
            for (const std::size_t a : {j - 1, j + 1}) {
                if (!(above[a] & kJunctionFlag)) continue;
                between(t1[i - 1], above, j, line_start - g.nb_col + col);
                between(t1[i], flags, a, line_start + static_cast<PixelIndex>(a));
            }
        });
        std::swap(flags, above);
        if (g.tab2 != nullptr) {
            unsigned char* codes = g.tab2[i];
            for (int j = 1; j < g.nb_col - 1; ++j) {
                if (above[j] & kEndFlag) codes[j] = 2;
                if (above[j] & kJunctionFlag) codes[j] = 3;
            }
        }
    }
    c.cut_corners = cut_corners != 0;
}

}  // namespace

Classified classify_all(const WalkGrids& g, int threads) {
    Classified c;
    if (g.tab2 != nullptr) {
        for (int i = 0; i < g.nb_lig; ++i)
            std::memset(g.tab2[i], 255, static_cast<std::size_t>(g.nb_col));
    }
    // An image without interior has no walk.
    if (g.net < 0 || g.nb_col < 3 || g.nb_lig < 3) return c;
    // Bands of lines classified side by side, joined in line order: the same lists as one band.
    const int bands = band_count(threads, g.nb_lig - 2, g.nb_col);
    std::vector<Classified> parts(static_cast<std::size_t>(bands));
    for_bands(bands, 1, g.nb_lig - 1, [&](int b, int first, int last) {
        classify_lines(g, first, last, parts[static_cast<std::size_t>(b)]);
    });
    c = std::move(parts[0]);
    std::size_t ends = 0;
    for (const Classified& part : parts) ends += part.ends.size();
    c.ends.reserve(ends);  // once, to the size they take
    for (std::size_t b = 1; b < parts.size(); ++b) {
        c.interior_pixels += parts[b].interior_pixels;
        c.cut_corners = c.cut_corners || parts[b].cut_corners;
        c.ends.insert(c.ends.end(), parts[b].ends.begin(), parts[b].ends.end());
        c.touching_junctions.insert(c.touching_junctions.end(), parts[b].touching_junctions.begin(),
                                    parts[b].touching_junctions.end());
        c.between_junctions.insert(c.between_junctions.end(), parts[b].between_junctions.begin(),
                                   parts[b].between_junctions.end());
    }
    return c;
}

std::string mark_border_once(const WalkGrids& g) {
    const int net = g.net;
    std::string text;
    char one[64];
    auto mark = [&](int i, int j) {
        std::snprintf(one, sizeof one, "\n\ttab2[%d][%d] = 3 ", i, j);
        text += one;
        if (g.tab2) g.tab2[i][j] = 3;
    };
    auto visit = [&](int i, int j) {
        if (g.tab1[i][j] != net) return;
        if (i == 0 || i == g.nb_lig - 1) mark(i, j);
        if (j == 0 || j == g.nb_col - 1) mark(i, j);
    };
    for (int i = 0; i < g.nb_lig; ++i) {
        if (i == 0 || i == g.nb_lig - 1) {
            for (int j = 0; j < g.nb_col; ++j) visit(i, j);
        } else {
            visit(i, 0);
            if (g.nb_col > 1) visit(i, g.nb_col - 1);
        }
    }
    // Network pixels beside cells outside the image (NoData) are border pixels too.
    if (g.outside >= 0 && net >= 0) {
        for (int i = 1; i < g.nb_lig - 1; ++i) {
            for (int j = 1; j < g.nb_col - 1; ++j) {
                if (g.tab1[i][j] == net && g.touches_outside(i, j)) mark(i, j);
            }
        }
    }
    return text;
}

namespace {

// A group with one line left starts a walk of the pass where that line leaves it, unless a walk
// has taken it or it holds a pixel on the border.
bool starts_a_walk(const Group& group) {
    return !group.gone && !group.border && group.degree == 1;
}

void sort_unique(std::vector<Start>& starts) {
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end(),
                             [](const Start& a, const Start& b) { return a.at == b.at; }),
                 starts.end());
}

}  // namespace

std::vector<Start> first_starts(const Classified& c, Groups& groups, const WalkGrids& g) {
    // The groups' starts, sorted apart, then merged with the end points, which come in
    // row-major order (no group pixel is an end point).
    std::vector<Start> group_starts;
    for (std::size_t k = 0; k < groups.list.size(); ++k) {
        if (!starts_a_walk(groups.list[k])) continue;
        GroupExit exit;
        if (count_exits(g, groups, static_cast<int>(k), &exit) == 1)
            group_starts.push_back(Start{exit.inside, static_cast<int>(k)});
    }
    std::sort(group_starts.begin(), group_starts.end());
    std::vector<Start> starts;
    starts.reserve(c.ends.size() + group_starts.size());
    for (PixelIndex p : c.ends) {
        // An end point beside NoData is a border pixel: never a start.
        if (g.outside >= 0 &&
            g.on_border(static_cast<int>(p / g.nb_col), static_cast<int>(p % g.nb_col)))
            continue;
        starts.push_back(Start{p, -1});
    }
    const auto end_points = static_cast<std::ptrdiff_t>(starts.size());
    starts.insert(starts.end(), group_starts.begin(), group_starts.end());
    std::inplace_merge(starts.begin(), starts.begin() + end_points, starts.end());
    return starts;
}

std::vector<Start> reclassify_stops(const WalkGrids& g, Groups& groups,
                                    const std::vector<PixelIndex>& stops,
                                    const std::vector<int>& stop_groups, int threads) {
    // The codes of the stops, which only read the grids, in runs of stops on the threads (the
    // points image, written, on one): a byte a stop, 1 for an end point, so that the starts are
    // then listed once, in a list of their size.
    const auto n = static_cast<int>(stops.size());
    const int runs = g.tab2 != nullptr ? 1 : list_parts(threads, n, 1024);
    std::vector<unsigned char> end_point(stops.size(), 0);
    // The groups met, a byte each (the same byte may be set on several threads).
    std::vector<unsigned char> met(groups.list.size(), 0);
    for_bands(runs, 0, n, [&](int, int first, int last) {
        const PixelDivider split(g.nb_col);
        const std::span<const PixelIndex> run_stops(stops.data() + first,
                                                    static_cast<std::size_t>(last - first));
        for (int s = first; s < last; ++s) {
            // The stops lie all over the grids.
            g.prefetch_ahead(run_stops, static_cast<std::size_t>(s - first), split);
            const PixelIndex p = stops[static_cast<std::size_t>(s)];
            const auto [i, j] = split(p);
            if (g.on_border(i, j)) continue;  // stays 3
            const int group = stop_groups[static_cast<std::size_t>(s)];
            if (group >= 0) {
                store_shared(&met[static_cast<std::size_t>(group)], 1, std::memory_order_relaxed);
                continue;
            }
            // Without cut corners the links are the eight neighbours.
            const unsigned char code = g.cut_corners
                                           ? linked_point_code(g.tab1, g.tab5, g.net, i, j)
                                           : point_code(g.tab1, g.net, i, j);
            if (g.tab2 != nullptr) g.tab2[i][j] = code;
            end_point[static_cast<std::size_t>(s)] = code == 2;
        }
    });
    std::vector<int> touched;
    for (std::size_t k = 0; k < met.size(); ++k) {
        if (met[k]) touched.push_back(static_cast<int>(k));
    }
    // The lines left to each group met, counted on the threads (each writes its own groups), with
    // the exit of a group that has one.
    const auto met_count = static_cast<int>(touched.size());
    std::vector<GroupExit> exits(touched.size());
    for_bands(list_parts(threads, met_count, 1024), 0, met_count, [&](int, int first, int last) {
        for (int t = first; t < last; ++t) {
            const auto at = static_cast<std::size_t>(t);
            Group& group = groups.list[static_cast<std::size_t>(touched[at])];
            if (!group.gone) {
                group.degree = count_exits(g, groups, touched[at], &exits[at]);
            }
        }
    });
    std::vector<Start> starts;
    // A start at most for each group met.
    starts.reserve(static_cast<std::size_t>(std::count(end_point.begin(), end_point.end(), 1)) +
                   touched.size());
    for (std::size_t s = 0; s < stops.size(); ++s) {
        if (end_point[s]) starts.push_back(Start{stops[s], -1});
    }
    for (std::size_t t = 0; t < touched.size(); ++t) {
        if (starts_a_walk(groups.list[static_cast<std::size_t>(touched[t])]))
            starts.push_back(Start{exits[t].inside, touched[t]});
    }
    sort_unique(starts);
    return starts;
}
