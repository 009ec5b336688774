#include "run/network_links.h"

#include <algorithm>
#include <deque>
#include <set>
#include <unordered_map>

#include "engine/links.h"
#include "engine/neighbours.h"

namespace {

// A junction group is a few pixels across: a way through it longer than this is not sought.
constexpr std::size_t kMostPixelsSought = 4096;

using Positions = std::unordered_map<PixelIndex, std::size_t>;

Positions positions_of(const std::vector<PixelIndex>& path) {
    Positions at;
    at.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) at.emplace(path[i], i);
    return at;
}

// The fewest linked network pixels from `from` to a pixel of the line below (`below`), that
// pixel last and `from` left out; straight to the line's nearest pixel when no such way is
// found within a junction group's reach.
std::vector<PixelIndex> way_below(PixelIndex from, const std::vector<PixelIndex>& line,
                                  const Positions& below, const LoadedNetwork& n) {
    std::unordered_map<PixelIndex, PixelIndex> came_from{{from, from}};
    std::deque<PixelIndex> queue{from};
    while (!queue.empty() && came_from.size() < kMostPixelsSought) {
        const PixelIndex p = queue.front();
        queue.pop_front();
        if (p != from && below.count(p) != 0) {
            std::vector<PixelIndex> way;
            for (PixelIndex q = p; q != from; q = came_from[q]) way.push_back(q);
            std::reverse(way.begin(), way.end());
            return way;
        }
        const int i = static_cast<int>(p / n.nb_col);
        const int j = static_cast<int>(p % n.nb_col);
        const unsigned links =
            linked(loaded_mask_anywhere(n.tab1, n.tab5, n.net, n.nb_lig, n.nb_col, i, j));
        for (int k = 0; k < 8; ++k) {
            if (!(links >> k & 1u)) continue;
            const PixelIndex q =
                static_cast<PixelIndex>(i + kNeighbours[k].di) * n.nb_col + (j + kNeighbours[k].dj);
            if (came_from.emplace(q, p).second) queue.push_back(q);
        }
    }
    auto distance = [&](PixelIndex q) {
        const long long di = q / n.nb_col - from / n.nb_col;
        const long long dj = q % n.nb_col - from % n.nb_col;
        return di * di + dj * dj;
    };
    return {*std::min_element(line.begin(), line.end(), [&](PixelIndex a, PixelIndex b) {
        return distance(a) < distance(b);
    })};
}

bool on_border(const LoadedNetwork& n, PixelIndex p) {
    const int i = static_cast<int>(p / n.nb_col);
    const int j = static_cast<int>(p % n.nb_col);
    if (i == 0 || j == 0 || i == n.nb_lig - 1 || j == n.nb_col - 1) return true;
    if (n.outside < 0) return false;
    for (const Neighbour& k : kNeighbours) {
        if (n.tab1[i + k.di][j + k.dj] == n.outside) return true;
    }
    return false;
}

// Whether one of the eight neighbours of p is among `pixels` (sorted).
bool beside_any(const LoadedNetwork& n, PixelIndex p, const std::vector<PixelIndex>& pixels) {
    if (pixels.empty()) return false;
    const int i = static_cast<int>(p / n.nb_col);
    const int j = static_cast<int>(p % n.nb_col);
    for (const Neighbour& k : kNeighbours) {
        const int a = i + k.di;
        const int b = j + k.dj;
        if (a < 0 || b < 0 || a >= n.nb_lig || b >= n.nb_col) continue;
        if (std::binary_search(pixels.begin(), pixels.end(),
                               static_cast<PixelIndex>(a) * n.nb_col + b))
            return true;
    }
    return false;
}

// [d]: the segments that flow into segment d, their pixels kept.
std::vector<std::vector<std::size_t>> segments_above(const OrderRecord& record) {
    std::vector<std::vector<std::size_t>> above(record.segments.size());
    for (std::size_t u = 0; u < record.segments.size(); ++u) {
        const long long d = record.segments[u].flows_into;
        if (d >= 0 && !record.segments[u].path.empty())
            above[static_cast<std::size_t>(d)].push_back(u);
    }
    return above;
}

PixelIndex last_pixel(const TracedSegment& seg) {
    return seg.to_below.empty() ? seg.path.back() : seg.to_below.back();
}

std::pair<int, int> line_column(PixelIndex p, int nb_col) {
    return {static_cast<int>(p / nb_col), static_cast<int>(p % nb_col)};
}

}  // namespace

void join_segments(OrderRecord& record, const LoadedNetwork& network) {
    const std::vector<std::vector<std::size_t>> above = segments_above(record);
    for (std::size_t d = 0; d < above.size(); ++d) {
        const std::vector<PixelIndex>& line = record.segments[d].path;
        if (above[d].empty() || line.empty()) continue;
        const Positions below = positions_of(line);
        for (std::size_t u : above[d]) {
            TracedSegment& up = record.segments[u];
            up.to_below.clear();
            if (below.count(up.path.back()) == 0)
                up.to_below = way_below(up.path.back(), line, below, network);
        }
    }
}

StreamLinks stream_links(const OrderRecord& record, const LengthRule& rule,
                         const LoadedNetwork& network, const std::vector<PixelIndex>& inflows) {
    const auto& segs = record.segments;
    const std::size_t count = segs.size();
    // Where each segment ends on the line below: a position in that line's walked pixels.
    std::vector<long long> join_at(count, -1);
    std::vector<std::set<std::size_t>> cuts(count);
    {
        const std::vector<std::vector<std::size_t>> above = segments_above(record);
        for (std::size_t d = 0; d < count; ++d) {
            if (above[d].empty() || segs[d].path.empty()) continue;
            const Positions at = positions_of(segs[d].path);
            for (std::size_t u : above[d]) {
                const auto found = at.find(last_pixel(segs[u]));
                if (found == at.end()) continue;
                join_at[u] = static_cast<long long>(found->second);
                cuts[d].insert(found->second);
            }
        }
    }

    StreamLinks out;
    std::unordered_map<PixelIndex, int> node_of;
    auto node = [&](PixelIndex p) {
        const auto [at, added] = node_of.emplace(p, static_cast<int>(out.nodes.size()) + 1);
        if (added) out.nodes.push_back({at->second, "", line_column(p, network.nb_col)});
        return at->second;
    };
    // [segment]: the id of the link that starts at each cut, in cut order.
    std::vector<std::vector<std::pair<std::size_t, int>>> starts(count);
    std::vector<int> last_link(count, -1);
    for (std::size_t s = 0; s < count; ++s) {
        const TracedSegment& seg = segs[s];
        if (seg.path.empty()) continue;
        std::vector<PixelIndex> line = seg.path;
        line.insert(line.end(), seg.to_below.begin(), seg.to_below.end());
        std::set<std::size_t>& cut = cuts[s];
        cut.insert(0);
        cut.insert(line.size() - 1);
        const std::size_t walked = seg.path.size();
        for (auto c = cut.begin(); c != cut.end(); ++c) {
            const std::size_t a = *c;
            const auto next = std::next(c);
            if (next == cut.end() && cut.size() > 1) break;
            const std::size_t b = next == cut.end() ? a : *next;
            LinkRecord link;
            link.id = static_cast<int>(out.links.size()) + 1;
            link.from_node = node(line[a]);
            link.to_node = node(line[b]);
            link.strahler = seg.pass;
            link.pixels = static_cast<int>(b - a + 1);
            for (std::size_t i = a; i < std::min(b, walked - 1); ++i) {
                link.length_m +=
                    half_steps_m(rule, network, static_cast<int>(line[i] / network.nb_col),
                                 static_cast<int>(line[i] % network.nb_col));
            }
            if (walked > 1 && a <= walked - 2 && b >= walked - 1) {
                const auto [l0, c0] = line_column(line[walked - 2], network.nb_col);
                const auto [l1, c1] = line_column(line[walked - 1], network.nb_col);
                link.length_m += 0.5 * step_length_m(rule, l0, c0, l1, c1);
            }
            link.segment_id = static_cast<int>(s) + 1;
            link.line.reserve(b - a + 1);
            for (std::size_t i = a; i <= b; ++i)
                link.line.push_back(line_column(line[i], network.nb_col));
            starts[s].emplace_back(a, link.id);
            out.links.push_back(std::move(link));
        }
        last_link[s] = static_cast<int>(out.links.size());
    }

    // Downstream links, from the last segment up: the segment below is always a later one.
    for (std::size_t s = count; s-- > 0;) {
        if (last_link[s] < 0) continue;
        const auto& own = starts[s];
        for (std::size_t k = 0; k + 1 < own.size(); ++k)
            out.links[static_cast<std::size_t>(own[k].second) - 1].downstream_link =
                own[k + 1].second;
        LinkRecord& last = out.links[static_cast<std::size_t>(last_link[s]) - 1];
        if (join_at[s] < 0) continue;
        const auto d = static_cast<std::size_t>(segs[s].flows_into);
        const auto at = static_cast<std::size_t>(join_at[s]);
        const auto& theirs = starts[d];
        const auto from = std::find_if(theirs.begin(), theirs.end(),
                                       [at](const auto& start) { return start.first == at; });
        if (from != theirs.end())
            last.downstream_link = from->second;
        else  // it ends where the segment below ends: it goes on where that one does
            last.downstream_link =
                out.links[static_cast<std::size_t>(last_link[d]) - 1].downstream_link;
    }

    // Node kinds, then Shreve magnitudes in link order, which runs from upstream down.
    std::vector<char> ends_here(out.nodes.size() + 1, 0);
    std::vector<char> starts_here(out.nodes.size() + 1, 0);
    for (const LinkRecord& l : out.links) {
        starts_here[static_cast<std::size_t>(l.from_node)] = 1;
        if (l.to_node != l.from_node) ends_here[static_cast<std::size_t>(l.to_node)] = 1;
    }
    for (NodeRecord& n : out.nodes) {
        const auto id = static_cast<std::size_t>(n.id);
        const PixelIndex p =
            static_cast<PixelIndex>(n.pixel.first) * network.nb_col + n.pixel.second;
        const bool border = on_border(network, p);
        if (!ends_here[id])
            n.kind = border || beside_any(network, p, inflows) ? "inflow" : "source";
        else if (!starts_here[id])
            n.kind = border ? "outlet" : "end";
        else
            n.kind = "confluence";
    }
    for (LinkRecord& l : out.links) {
        if (!ends_here[static_cast<std::size_t>(l.from_node)]) l.shreve += 1;
        if (l.downstream_link > 0)
            out.links[static_cast<std::size_t>(l.downstream_link) - 1].shreve += l.shreve;
    }
    return out;
}
