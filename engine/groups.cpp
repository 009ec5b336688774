#include "engine/groups.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>
#include <utility>

#include "engine/links.h"
#include "engine/neighbours.h"

namespace {

// The linked neighbours of pixel p in the network as loaded, in the neighbour order.
template <typename Visit>
void for_each_link(const WalkGrids& g, PixelIndex p, Visit visit) {
    const int i = static_cast<int>(p / g.nb_col);
    const int j = static_cast<int>(p % g.nb_col);
    const unsigned links = linked(
        g.on_border(i, j) ? loaded_mask_anywhere(g.tab1, g.tab5, g.net, g.nb_lig, g.nb_col, i, j)
                          : loaded_mask(g.tab1, g.tab5, g.net, i, j));
    for (int n = 0; n < 8; ++n) {
        if (links >> n & 1u) {
            visit(static_cast<PixelIndex>(i + kNeighbours[n].di) * g.nb_col + j +
                  kNeighbours[n].dj);
        }
    }
}

// The network pixels that cut the corner between two junction pixels touching diagonally.
std::vector<PixelIndex> between_touching_junctions(const WalkGrids& g,
                                                   const std::vector<PixelIndex>& junctions) {
    std::vector<std::pair<PixelIndex, int>> pairs;
    pairs.reserve(junctions.size());
    for (PixelIndex p : junctions) pairs.emplace_back(p, 0);
    const PixelMap junction = make_pixel_map(std::move(pairs), g.nb_lig, g.nb_col);
    auto network = [&](int i, int j) {
        return i >= 0 && j >= 0 && i < g.nb_lig && j < g.nb_col && g.tab1[i][j] == g.net;
    };
    std::vector<PixelIndex> between;
    for (PixelIndex p : junction.keys) {
        const int i = static_cast<int>(p / g.nb_col);
        const int j = static_cast<int>(p % g.nb_col);
        for (const int dj : {-1, 1}) {  // the two corners below; those above come from above
            const int a = i + 1;
            const int b = j + dj;
            if (!network(a, b) || junction.find(static_cast<PixelIndex>(a) * g.nb_col + b) < 0) {
                continue;
            }
            if (network(i, b)) between.push_back(static_cast<PixelIndex>(i) * g.nb_col + b);
            if (network(a, j)) between.push_back(static_cast<PixelIndex>(a) * g.nb_col + j);
        }
    }
    return between;
}

int root(std::vector<int>& parent, int a) {
    while (parent[a] != a) {
        parent[a] = parent[parent[a]];
        a = parent[a];
    }
    return a;
}

}  // namespace

Groups make_groups(const WalkGrids& g, const std::vector<PixelIndex>& junctions,
                   const std::vector<PixelIndex>& loop_pixels) {
    // Candidates: every junction pixel and every loop pixel, numbered; loops are marked.
    std::vector<std::pair<PixelIndex, int>> numbered;
    numbered.reserve(junctions.size() + loop_pixels.size());
    for (PixelIndex p : loop_pixels) numbered.emplace_back(p, 1);
    for (PixelIndex p : junctions) numbered.emplace_back(p, 0);
    // Junction pixels that touch at a cut corner touch all the same: the network pixel that
    // cuts it, linked to both, joins their group.
    for (PixelIndex p : between_touching_junctions(g, junctions)) numbered.emplace_back(p, 0);
    const PixelMap kind = make_pixel_map(std::move(numbered), g.nb_lig, g.nb_col);
    const std::size_t n = kind.keys.size();

    std::vector<int> parent(n);
    std::iota(parent.begin(), parent.end(), 0);
    PixelMap index;
    {
        std::vector<std::pair<PixelIndex, int>> pairs;
        pairs.reserve(n);
        for (std::size_t a = 0; a < n; ++a) pairs.emplace_back(kind.keys[a], static_cast<int>(a));
        index = make_pixel_map(std::move(pairs), g.nb_lig, g.nb_col);
    }
    for (std::size_t a = 0; a < n; ++a) {
        for_each_link(g, kind.keys[a], [&](PixelIndex q) {
            const int b = index.find(q);
            if (b >= 0)
                parent[static_cast<std::size_t>(root(parent, b))] =
                    root(parent, static_cast<int>(a));
        });
    }

    // A set of one junction pixel on no loop stays a plain junction.
    std::vector<int> members(n, 0);
    std::vector<char> has_loop(n, 0);
    for (std::size_t a = 0; a < n; ++a) {
        const auto r = static_cast<std::size_t>(root(parent, static_cast<int>(a)));
        ++members[r];
        if (kind.values[a] == 1) has_loop[r] = 1;
    }
    Groups groups;
    std::vector<int> group_of_root(n, -1);
    std::vector<std::pair<PixelIndex, int>> of;
    for (std::size_t a = 0; a < n; ++a) {
        const auto r = static_cast<std::size_t>(root(parent, static_cast<int>(a)));
        if (members[r] < 2 && !has_loop[r]) continue;
        if (group_of_root[r] < 0) {
            group_of_root[r] = static_cast<int>(groups.list.size());
            groups.list.emplace_back();
            groups.list.back().loop = has_loop[r] != 0;
        }
        Group& group = groups.list[static_cast<std::size_t>(group_of_root[r])];
        const PixelIndex p = kind.keys[a];
        group.pixels.push_back(p);
        group.border = group.border ||
                       g.on_border(static_cast<int>(p / g.nb_col), static_cast<int>(p % g.nb_col));
        of.emplace_back(p, group_of_root[r]);
    }
    groups.of = make_pixel_map(std::move(of), g.nb_lig, g.nb_col);
    // The links that leave each group never change (they are those of the network as loaded);
    // which of them still lead to a line is read from tab1 when needed.
    for (std::size_t k = 0; k < groups.list.size(); ++k) {
        Group& group = groups.list[k];
        for (PixelIndex p : group.pixels) {
            for_each_link(g, p, [&](PixelIndex q) {
                if (groups.of.find(q) != static_cast<int>(k)) group.links.push_back({p, q});
            });
        }
        std::sort(group.links.begin(), group.links.end(),
                  [](const GroupExit& a, const GroupExit& b) {
                      return a.outside != b.outside ? a.outside < b.outside : a.inside < b.inside;
                  });
        group.degree = count_exits(g, groups, static_cast<int>(k), nullptr);
    }
    return groups;
}

int count_exits(const WalkGrids& g, const Groups& groups, int group, GroupExit* exit) {
    int count = 0;
    PixelIndex last = -1;
    for (const GroupExit& link : groups.list[static_cast<std::size_t>(group)].links) {
        if (link.outside == last) continue;
        const int qi = static_cast<int>(link.outside / g.nb_col);
        const int qj = static_cast<int>(link.outside % g.nb_col);
        if (g.tab1[qi][qj] != g.net) continue;
        last = link.outside;
        if (count == 0 && exit != nullptr) *exit = link;
        ++count;
    }
    return count;
}

std::vector<PixelIndex> path_through(const WalkGrids& g, const Groups& groups, int group,
                                     PixelIndex from, PixelIndex to) {
    std::unordered_map<PixelIndex, PixelIndex> came_from{{from, from}};
    std::vector<PixelIndex> queue{from};
    for (std::size_t head = 0; head < queue.size() && !came_from.count(to); ++head) {
        const PixelIndex p = queue[head];
        for_each_link(g, p, [&](PixelIndex q) {
            if (groups.of.find(q) != group || came_from.count(q)) return;
            came_from.emplace(q, p);
            queue.push_back(q);
        });
    }
    std::vector<PixelIndex> path;
    if (!came_from.count(to)) return {from};
    for (PixelIndex p = to; p != from; p = came_from[p]) path.push_back(p);
    path.push_back(from);
    std::reverse(path.begin(), path.end());
    return path;
}
