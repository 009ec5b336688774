#include "engine/point_updates.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/run_state.h"
#include "engine/links.h"
#include "engine/neighbours.h"

namespace {

// One interior line: counts the linked neighbours of every pixel at once (a loop the compiler
// turns into vector operations; a corner neighbour counts only when neither cell between is
// network) and flags the network pixels with exactly one (1) or three and more (2).
void classify_line(const unsigned char* up, const unsigned char* mid, const unsigned char* down,
                   int nb_col, unsigned char value, unsigned char* flags) {
    for (int j = 1; j < nb_col - 1; ++j) {
        const unsigned u = up[j] == value;
        const unsigned r = mid[j + 1] == value;
        const unsigned dn = down[j] == value;
        const unsigned l = mid[j - 1] == value;
        const unsigned count =
            u + r + dn + l + ((up[j - 1] == value) & !(u | l)) + ((up[j + 1] == value) & !(u | r)) +
            ((down[j + 1] == value) & !(dn | r)) + ((down[j - 1] == value) & !(dn | l));
        const unsigned here = mid[j] == value;
        flags[j] = static_cast<unsigned char>((here & (count == 1)) | ((here & (count > 2)) << 1));
    }
}

void collect(const unsigned char* flags, int nb_col, unsigned char flag, PixelIndex line_start,
             std::vector<PixelIndex>& out) {
    // Flagged pixels are a small part of the network: jump from one to the next.
    const unsigned char* const end = flags + nb_col - 1;
    for (const unsigned char* p = flags + 1; p < end; ++p) {
        p = static_cast<const unsigned char*>(
            std::memchr(p, flag, static_cast<std::size_t>(end - p)));
        if (p == nullptr) break;
        out.push_back(line_start + (p - flags));
    }
}

}  // namespace

Classified classify_all(const WalkGrids& g) {
    Classified c;
    if (g.tab2 != nullptr) {
        for (int i = 0; i < g.nb_lig; ++i)
            std::memset(g.tab2[i], 255, static_cast<std::size_t>(g.nb_col));
    }
    if (g.net < 0 || g.nb_col < 3) return c;
    unsigned char* const* t1 = g.tab1;
    const auto value = static_cast<unsigned char>(g.net);
    std::vector<unsigned char> line_flags(static_cast<std::size_t>(g.nb_col), 0);
    unsigned char* const flags = line_flags.data();
    for (int i = 1; i < g.nb_lig - 1; ++i) {
        classify_line(t1[i - 1], t1[i], t1[i + 1], g.nb_col, value, flags);
        const PixelIndex line_start = static_cast<PixelIndex>(i) * g.nb_col;
        collect(flags, g.nb_col, 1, line_start, c.ends);
        collect(flags, g.nb_col, 2, line_start, c.junctions);
        const unsigned char* mid = t1[i];
        long long here = 0;
        for (int j = 1; j < g.nb_col - 1; ++j) here += mid[j] == value;
        c.interior_pixels += here;
        if (g.tab2 != nullptr) {
            unsigned char* codes = g.tab2[i];
            for (int j = 1; j < g.nb_col - 1; ++j) {
                if (flags[j] == 1) codes[j] = 2;
                if (flags[j] == 2) codes[j] = 3;
            }
        }
    }
    return c;
}

std::string mark_border_once(RunState& s) {
    const int net = network_value(s.val_red);
    std::string text;
    char one[64];
    auto mark = [&](int i, int j) {
        std::snprintf(one, sizeof one, "\n\ttab2[%d][%d] = 3 ", i, j);
        text += one;
        if (s.tab2) s.tab2[i][j] = 3;
    };
    auto visit = [&](int i, int j) {
        if (s.tab1[i][j] != net) return;
        if (i == 0 || i == s.nb_lig - 1) mark(i, j);
        if (j == 0 || j == s.nb_col - 1) mark(i, j);
    };
    for (int i = 0; i < s.nb_lig; ++i) {
        if (i == 0 || i == s.nb_lig - 1) {
            for (int j = 0; j < s.nb_col; ++j) visit(i, j);
        } else {
            visit(i, 0);
            if (s.nb_col > 1) visit(i, s.nb_col - 1);
        }
    }
    return text;
}

namespace {

void add_group_start(const WalkGrids& g, Groups& groups, int k, std::vector<Start>& starts) {
    Group& group = groups.list[static_cast<std::size_t>(k)];
    if (group.gone || group.border || group.degree != 1) return;
    GroupExit exit;
    if (count_exits(g, groups, k, &exit) == 1) starts.push_back(Start{exit.inside, k});
}

void sort_unique(std::vector<Start>& starts) {
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end(),
                             [](const Start& a, const Start& b) { return a.at == b.at; }),
                 starts.end());
}

}  // namespace

std::vector<Start> first_starts(const Classified& c, Groups& groups, const WalkGrids& g) {
    std::vector<Start> starts;
    starts.reserve(c.ends.size());
    for (PixelIndex p : c.ends) starts.push_back(Start{p, -1});
    for (std::size_t k = 0; k < groups.list.size(); ++k) {
        add_group_start(g, groups, static_cast<int>(k), starts);
    }
    if (!groups.empty()) sort_unique(starts);
    return starts;
}

std::vector<Start> reclassify_stops(const WalkGrids& g, Groups& groups,
                                    const std::vector<PixelIndex>& stops) {
    std::vector<Start> starts;
    std::vector<int> touched;
    for (PixelIndex p : stops) {
        const int i = static_cast<int>(p / g.nb_col);
        const int j = static_cast<int>(p % g.nb_col);
        if (g.on_border(i, j)) continue;  // stays 3
        const int group = groups.empty() ? -1 : groups.of.find(p);
        if (group >= 0) {
            touched.push_back(group);
            continue;
        }
        const unsigned char code = linked_point_code(g.tab1, g.tab5, g.net, i, j);
        if (g.tab2 != nullptr) g.tab2[i][j] = code;
        if (code == 2) starts.push_back(Start{p, -1});
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    for (int k : touched) {
        Group& group = groups.list[static_cast<std::size_t>(k)];
        if (group.gone) continue;
        group.degree = count_exits(g, groups, k, nullptr);
        add_group_start(g, groups, k, starts);
    }
    sort_unique(starts);
    return starts;
}
