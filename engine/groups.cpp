#include "engine/groups.h"

#include <algorithm>
#include <utility>

#include "engine/links.h"
#include "engine/neighbours.h"

namespace {

// The linked neighbours of pixel p in the network as loaded, in the neighbour order.
template <bool kShared = false, typename Visit>
void for_each_link(const WalkGrids& g, const PixelDivider& split, PixelIndex p, Visit visit) {
    const auto [i, j] = split(p);
    const unsigned links =
        linked(g.on_border(i, j)
                   ? loaded_mask_anywhere<kShared>(g.tab1, g.tab5, g.net, g.nb_lig, g.nb_col, i, j)
                   : loaded_mask<kShared>(g.tab1, g.tab5, g.net, i, j));
    for (int n = 0; n < 8; ++n) {
        if (links >> n & 1u) visit(p + kNeighbours[n].di * split.nb_col + kNeighbours[n].dj);
    }
}

// Marks in tab5 while the groups are made, which holds no label then: the candidates (junction
// pixels that touch, the pixels that cut a corner between two of them, loop pixels) and those
// already put in a group or left a plain junction. Candidates are network pixels of tab1, so a
// mark never changes which pixels are in the loaded network.
constexpr unsigned char kJunctionMark = 253;
constexpr unsigned char kLoopMark = 252;
constexpr unsigned char kSeenMark = 251;
constexpr unsigned char kBetweenMark = 250;  // while the pixels between are looked for

// Takes the marks of the candidates away when the groups are made, or when making them fails.
struct CandidateMarks {
    const WalkGrids& g;
    PixelDivider split;
    // Every candidate, some twice: the junction pixels, the loop pixels, and those between.
    const std::vector<PixelIndex>& junctions;
    const std::vector<PixelIndex>& loop_pixels;
    std::vector<PixelIndex> between;
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
        for_each([&](PixelIndex p) { at(p) = 255; });
    }
};

// The network pixels that cut the corner between two junction pixels touching diagonally (the
// junction pixels marked), each once, junction pixels left out (they are candidates already).
// They go to marks.between, marked kBetweenMark meanwhile (so that a failure takes the marks
// away too).
void find_between_touching_junctions(CandidateMarks& marks) {
    const WalkGrids& g = marks.g;
    std::vector<PixelIndex>& between = marks.between;
    auto network = [&](int i, int j) {
        return i >= 0 && j >= 0 && i < g.nb_lig && j < g.nb_col && g.tab1[i][j] == g.net;
    };
    auto add = [&](int i, int j) {
        if (!network(i, j) || g.tab5[i][j] != 255) return;
        g.tab5[i][j] = kBetweenMark;
        between.push_back(static_cast<PixelIndex>(i) * g.nb_col + j);
    };
    for (PixelIndex p : marks.junctions) {
        const auto [i, j] = marks.split(p);
        for (const int dj : {-1, 1}) {  // the two corners below; those above come from above
            const int a = i + 1;
            const int b = j + dj;
            if (!network(a, b) || g.tab5[a][b] != kJunctionMark) continue;
            add(i, b);
            add(a, j);
        }
    }
}

}  // namespace

Groups make_groups(const WalkGrids& g, const std::vector<PixelIndex>& junctions,
                   const std::vector<PixelIndex>& loop_pixels) {
    CandidateMarks marks{g, PixelDivider(g.nb_col), junctions, loop_pixels, {}};
    for (PixelIndex p : junctions) marks.at(p) = kJunctionMark;
    // Junction pixels that touch at a cut corner touch all the same: the network pixel that
    // cuts it, linked to both, joins their group.
    find_between_touching_junctions(marks);
    for (PixelIndex p : marks.between) marks.at(p) = kJunctionMark;
    for (PixelIndex p : loop_pixels) marks.at(p) = kLoopMark;

    // Each linked set of candidates; a set of one junction pixel on no loop stays a plain
    // junction. The links that leave a set never change (they are those of the network as
    // loaded); which of them still lead to a line is read from tab1 when needed. A linked pixel
    // marked seen is in the same set.
    Groups groups;
    std::vector<PixelIndex> set;
    std::vector<GroupExit> exits;
    marks.for_each([&](PixelIndex first) {
        if (marks.at(first) == kSeenMark) return;
        bool loop = marks.at(first) == kLoopMark;
        marks.at(first) = kSeenMark;
        set.assign(1, first);
        exits.clear();
        for (std::size_t head = 0; head < set.size(); ++head) {
            const PixelIndex p = set[head];
            for_each_link(g, marks.split, p, [&](PixelIndex q) {
                unsigned char& m = marks.at(q);
                if (m == kSeenMark) return;
                if (m != kJunctionMark && m != kLoopMark) {
                    exits.push_back({p, q});
                    return;
                }
                loop = loop || m == kLoopMark;
                m = kSeenMark;
                set.push_back(q);
            });
        }
        if (set.size() < 2 && !loop) return;
        Group& group = groups.list.emplace_back();
        group.loop = loop;
        std::sort(set.begin(), set.end());
        group.pixels = set;
        std::sort(exits.begin(), exits.end(), [](const GroupExit& a, const GroupExit& b) {
            return a.outside != b.outside ? a.outside < b.outside : a.inside < b.inside;
        });
        group.links = exits;
    });
    // Groups in the row-major order of their first pixels.
    std::sort(groups.list.begin(), groups.list.end(),
              [](const Group& a, const Group& b) { return a.pixels[0] < b.pixels[0]; });
    for (Group& group : groups.list) {
        for (PixelIndex p : group.pixels) {
            const auto [i, j] = marks.split(p);
            group.border = group.border || g.on_border(i, j);
        }
    }
    groups.of = pixel_map_of(
        [&](auto visit) {
            for (std::size_t k = 0; k < groups.list.size(); ++k) {
                for (PixelIndex p : groups.list[k].pixels) visit(p, static_cast<int>(k));
            }
        },
        g.nb_lig, g.nb_col);
    for (std::size_t k = 0; k < groups.list.size(); ++k) {
        groups.list[k].degree = count_exits(g, groups, static_cast<int>(k), nullptr);
    }
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

template <bool kShared>
std::vector<PixelIndex> path_through(const WalkGrids& g, const Groups& groups, int group,
                                     PixelIndex from, PixelIndex to) {
    // A breadth-first search over the group's pixels, each known by its place in the group's
    // sorted list.
    const std::vector<PixelIndex>& pixels = groups.list[static_cast<std::size_t>(group)].pixels;
    auto place = [&](PixelIndex p) {
        const auto at = std::lower_bound(pixels.begin(), pixels.end(), p);
        return at != pixels.end() && *at == p ? static_cast<int>(at - pixels.begin()) : -1;
    };
    // A neighbour lies a line's width of the group away at most, which is short in the long,
    // narrow groups of touching channels: it is searched for outwards from the pixel's place.
    auto place_near = [&](int near, PixelIndex q) {
        return search_near(pixels, 0, pixels.size(), static_cast<std::size_t>(near), q);
    };
    const int start = place(from);
    const int goal = place(to);
    if (start < 0 || goal < 0) return {from};
    const PixelDivider split(g.nb_col);
    std::vector<int> came_from(pixels.size(), -1);
    std::vector<int> queue{start};
    queue.reserve(pixels.size());
    came_from[static_cast<std::size_t>(start)] = start;
    for (std::size_t head = 0; head < queue.size() && came_from[static_cast<std::size_t>(goal)] < 0;
         ++head) {
        const int p = queue[head];
        for_each_link<kShared>(g, split, pixels[static_cast<std::size_t>(p)], [&](PixelIndex q) {
            const int at = place_near(p, q);
            if (at < 0 || came_from[static_cast<std::size_t>(at)] >= 0) return;
            came_from[static_cast<std::size_t>(at)] = p;
            queue.push_back(at);
        });
    }
    if (came_from[static_cast<std::size_t>(goal)] < 0) return {from};
    std::vector<PixelIndex> path;
    for (int p = goal; p != start; p = came_from[static_cast<std::size_t>(p)])
        path.push_back(pixels[static_cast<std::size_t>(p)]);
    path.push_back(from);
    std::reverse(path.begin(), path.end());
    return path;
}

template int count_exits<false>(const WalkGrids&, const Groups&, int, GroupExit*);
template int count_exits<true>(const WalkGrids&, const Groups&, int, GroupExit*);
template std::vector<PixelIndex> path_through<false>(const WalkGrids&, const Groups&, int,
                                                     PixelIndex, PixelIndex);
template std::vector<PixelIndex> path_through<true>(const WalkGrids&, const Groups&, int,
                                                    PixelIndex, PixelIndex);
