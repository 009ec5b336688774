#include "engine/pixel_map.h"

#include <algorithm>
#include <utility>

int PixelMap::find(PixelIndex p) const {
    const int at = place(p);
    return at < 0 ? -1 : values[static_cast<std::size_t>(at)];
}

int PixelMap::place(PixelIndex p) const {
    if (keys.empty() || p < 0) return -1;
    const PixelSplit at = lines(p);
    const auto line = static_cast<std::size_t>(at.line);
    if (line + 1 >= line_at.size()) return -1;
    const std::size_t first = line_at[line];
    const std::size_t last = line_at[line + 1];
    if (first == last) return -1;
    // The search starts where the keys would be if they were spread evenly over the line.
    const std::size_t near = first + (last - first) * static_cast<std::size_t>(at.column) /
                                         static_cast<std::size_t>(lines.nb_col);
    return search_near(keys, first, last, near, p);
}

std::size_t lower_near(const std::vector<PixelIndex>& keys, std::size_t first, std::size_t last,
                       std::size_t near, PixelIndex p) {
    // The place lies in [low, high]; high is last or a place whose key is p or more.
    std::size_t low = first;
    std::size_t high = last;
    std::size_t step = 1;
    if (keys[near] >= p) {
        high = near;
        while (near - first >= step && keys[near - step] >= p) {
            high = near - step;
            step *= 2;
        }
        if (near - first >= step) low = near - step + 1;
    } else {
        low = near + 1;
        while (near + step < last && keys[near + step] < p) {
            low = near + step + 1;
            step *= 2;
        }
        high = std::min(last, near + step);
    }
    const auto begin = keys.begin();
    return static_cast<std::size_t>(std::lower_bound(begin + static_cast<std::ptrdiff_t>(low),
                                                     begin + static_cast<std::ptrdiff_t>(high), p) -
                                    begin);
}

int search_near(const std::vector<PixelIndex>& keys, std::size_t first, std::size_t last,
                std::size_t near, PixelIndex p) {
    const std::size_t at = lower_near(keys, first, last, near, p);
    return at < last && keys[at] == p ? static_cast<int>(at) : -1;
}

std::vector<std::size_t> line_starts(const std::vector<PixelIndex>& pixels, int nb_lig,
                                     int nb_col) {
    std::vector<std::size_t> at(static_cast<std::size_t>(nb_lig) + 1, 0);
    std::size_t n = 0;
    for (int i = 0; i <= nb_lig; ++i) {
        const PixelIndex first_of_line = static_cast<PixelIndex>(i) * nb_col;
        while (n < pixels.size() && pixels[n] < first_of_line) ++n;
        at[static_cast<std::size_t>(i)] = n;
    }
    return at;
}

void neighbour_places(const std::vector<PixelIndex>& keys, std::size_t here, std::size_t above,
                      std::size_t below, int nb_col, int places[8]) {
    const PixelIndex p = keys[here];
    const PixelIndex line = nb_col;
    // The places of the three pixels from q on, from `at` on.
    auto three = [&](PixelIndex q, std::size_t at, int out[3]) {
        for (int d = 0; d < 3; ++d) {
            while (at < keys.size() && keys[at] < q + d) ++at;
            out[d] = at < keys.size() && keys[at] == q + d ? static_cast<int>(at) : -1;
        }
    };
    three(p - line - 1, above, places);  // upper left, up, upper right
    int under[3];
    three(p + line - 1, below, under);
    places[3] = here + 1 < keys.size() && keys[here + 1] == p + 1 ? static_cast<int>(here + 1) : -1;
    places[4] = under[2];
    places[5] = under[1];
    places[6] = under[0];
    places[7] = here > 0 && keys[here - 1] == p - 1 ? static_cast<int>(here - 1) : -1;
}

PixelMap index_of_pixels(std::vector<PixelIndex> pixels, int nb_lig, int nb_col) {
    PixelMap m;
    m.lines = PixelDivider(nb_col);
    m.keys = std::move(pixels);
    m.line_at = line_starts(m.keys, nb_lig, nb_col);
    return m;
}

void sort_lines(PixelMap& m) {
    std::vector<std::pair<PixelIndex, int>> line;
    for (std::size_t i = 0; i + 1 < m.line_at.size(); ++i) {
        const auto first = static_cast<std::ptrdiff_t>(m.line_at[i]);
        const auto last = static_cast<std::ptrdiff_t>(m.line_at[i + 1]);
        if (std::is_sorted(m.keys.begin() + first, m.keys.begin() + last)) continue;
        line.clear();
        for (std::ptrdiff_t n = first; n < last; ++n) {
            line.emplace_back(m.keys[static_cast<std::size_t>(n)],
                              m.values[static_cast<std::size_t>(n)]);
        }
        std::sort(line.begin(), line.end());
        for (std::ptrdiff_t n = first; n < last; ++n) {
            m.keys[static_cast<std::size_t>(n)] = line[static_cast<std::size_t>(n - first)].first;
            m.values[static_cast<std::size_t>(n)] =
                line[static_cast<std::size_t>(n - first)].second;
        }
    }
}
