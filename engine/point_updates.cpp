#include "engine/point_updates.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "driver/run_state.h"
#include "engine/classify.h"
#include "engine/fill.h"
#include "engine/neighbours.h"

std::vector<PixelIndex> classify_all(RunState& s) {
    unsigned char** const codes = s.tab2.rows;  // null: no points image is kept
    if (codes != nullptr) fill_grid(s.tab2, s.nb_lig, s.nb_col, 255);
    const int net = network_value(s.val_red);
    std::vector<PixelIndex> ends;
    if (net < 0 || s.nb_col < 3) return ends;
    unsigned char* const* t1 = s.tab1.rows;
    const auto value = static_cast<unsigned char>(net);
    for (int i = 1; i < s.nb_lig - 1; ++i) {
        // Network pixels are a few per cent of a raster: jump from one to the next.
        const unsigned char* line = t1[i];
        const unsigned char* end = line + s.nb_col - 1;
        for (const unsigned char* p = line + 1; p < end; ++p) {
            p = static_cast<const unsigned char*>(std::memchr(p, value, end - p));
            if (p == nullptr) break;
            const int j = static_cast<int>(p - line);
            const unsigned char code = point_code(t1, net, i, j);
            if (codes != nullptr) codes[i][j] = code;
            if (code == 2) ends.push_back(static_cast<PixelIndex>(i) * s.nb_col + j);
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
