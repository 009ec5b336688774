#include "engine/pixel_map.h"

#include <algorithm>
#include <utility>

int PixelMap::find(PixelIndex p) const {
    const int at = place(p);
    return at < 0 ? -1 : values[static_cast<std::size_t>(at)];
}

int PixelMap::place(PixelIndex p) const {
    if (keys.empty() || p < 0) return -1;
    const auto line = static_cast<std::size_t>(p / nb_col);
    if (line + 1 >= line_at.size()) return -1;
    const auto first = keys.begin() + static_cast<std::ptrdiff_t>(line_at[line]);
    const auto last = keys.begin() + static_cast<std::ptrdiff_t>(line_at[line + 1]);
    const auto at = std::lower_bound(first, last, p);
    if (at == last || *at != p) return -1;
    return static_cast<int>(at - keys.begin());
}

namespace {

// Where each line's keys begin.
void set_lines(PixelMap& m, int nb_lig) {
    m.line_at.assign(static_cast<std::size_t>(nb_lig) + 1, 0);
    std::size_t n = 0;
    for (int i = 0; i <= nb_lig; ++i) {
        const PixelIndex first_of_line = static_cast<PixelIndex>(i) * m.nb_col;
        while (n < m.keys.size() && m.keys[n] < first_of_line) ++n;
        m.line_at[static_cast<std::size_t>(i)] = n;
    }
}

}  // namespace

PixelMap make_pixel_map(std::vector<std::pair<PixelIndex, int>> pairs, int nb_lig, int nb_col) {
    const auto by_pixel = [](const auto& a, const auto& b) { return a.first < b.first; };
    if (!std::is_sorted(pairs.begin(), pairs.end(), by_pixel)) {
        std::stable_sort(pairs.begin(), pairs.end(), by_pixel);
    }
    PixelMap m;
    m.nb_col = nb_col;
    m.keys.reserve(pairs.size());
    m.values.reserve(pairs.size());
    for (const auto& [p, v] : pairs) {
        if (!m.keys.empty() && m.keys.back() == p) continue;
        m.keys.push_back(p);
        m.values.push_back(v);
    }
    set_lines(m, nb_lig);
    return m;
}

PixelMap index_of_pixels(std::vector<PixelIndex> pixels, int nb_lig, int nb_col) {
    PixelMap m;
    m.nb_col = nb_col;
    m.keys = std::move(pixels);
    set_lines(m, nb_lig);
    return m;
}
