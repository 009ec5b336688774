#include "engine/point_updates.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/run_state.h"
#include "engine/classify.h"
#include "engine/neighbours.h"

namespace {

// One interior line: counts the network neighbours of every pixel at once (a loop the compiler
// turns into vector operations) and marks in `ends` the network pixels with exactly one.
void classify_line(const unsigned char* up, const unsigned char* mid, const unsigned char* down,
                   int nb_col, unsigned char value, unsigned char* ends) {
    for (int j = 1; j < nb_col - 1; ++j) {
        const unsigned count = (up[j - 1] == value) + (up[j] == value) + (up[j + 1] == value) +
                               (mid[j + 1] == value) + (down[j + 1] == value) + (down[j] == value) +
                               (down[j - 1] == value) + (mid[j - 1] == value);
        ends[j] = static_cast<unsigned char>((mid[j] == value) & (count == 1));
    }
}

}  // namespace

std::vector<PixelIndex> classify_all(RunState& s) {
    if (s.tab2) classify_points(s);  // the points image, kept only for the step images
    const int net = network_value(s.val_red);
    std::vector<PixelIndex> ends;
    if (net < 0 || s.nb_col < 3) return ends;
    unsigned char* const* t1 = s.tab1.rows;
    const auto value = static_cast<unsigned char>(net);
    std::vector<unsigned char> line_ends(static_cast<std::size_t>(s.nb_col), 0);
    unsigned char* const flags = line_ends.data();
    for (int i = 1; i < s.nb_lig - 1; ++i) {
        classify_line(t1[i - 1], t1[i], t1[i + 1], s.nb_col, value, flags);
        // End points are a small part of the network: jump from one to the next.
        const unsigned char* const end = flags + s.nb_col - 1;
        for (const unsigned char* p = flags + 1; p < end; ++p) {
            p = static_cast<const unsigned char*>(
                std::memchr(p, 1, static_cast<std::size_t>(end - p)));
            if (p == nullptr) break;
            ends.push_back(static_cast<PixelIndex>(i) * s.nb_col + (p - flags));
        }
    }
    return ends;
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

std::vector<PixelIndex> reclassify_stops(RunState& s, const std::vector<PixelIndex>& stops) {
    const int net = network_value(s.val_red);
    std::vector<PixelIndex> ends;
    for (PixelIndex p : stops) {
        const int i = static_cast<int>(p / s.nb_col);
        const int j = static_cast<int>(p % s.nb_col);
        if (i == 0 || j == 0 || i == s.nb_lig - 1 || j == s.nb_col - 1) continue;  // stays 3
        const unsigned char code = point_code(s.tab1.rows, net, i, j);
        if (s.tab2) s.tab2[i][j] = code;
        if (code == 2) ends.push_back(p);
    }
    std::sort(ends.begin(), ends.end());
    ends.erase(std::unique(ends.begin(), ends.end()), ends.end());
    return ends;
}
