#include "run/inflows.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <unordered_map>
#include <utility>

#include "engine/links.h"
#include "engine/neighbours.h"

namespace {

// The network as loaded and its border, read from the grids.
struct Net {
    const ContactGrids& g;

    bool in(long long i, long long j) const {
        return i >= 0 && j >= 0 && i < g.nb_lig && j < g.nb_col;
    }
    bool network(int i, int j) const {
        const unsigned char b = g.tab1[i][j];
        return b == g.net || (g.tab5 != nullptr && b == 255 && g.tab5[i][j] != 255);
    }
    bool border(int i, int j) const {
        if (i == 0 || j == 0 || i == g.nb_lig - 1 || j == g.nb_col - 1) return true;
        if (g.outside < 0) return false;
        for (const Neighbour& n : kNeighbours) {
            if (g.tab1[i + n.di][j + n.dj] == g.outside) return true;
        }
        return false;
    }
    // The linked neighbours of (i, j) (links.h): the engine's reading of a drawing.
    int links(int i, int j) const {
        unsigned mask = 0;
        for (int n = 0; n < 8; ++n) {
            const int a = i + kNeighbours[n].di;
            const int b = j + kNeighbours[n].dj;
            if (in(a, b) && network(a, b)) mask |= 1u << n;
        }
        return std::popcount(linked(mask));
    }
    PixelIndex at(int i, int j) const { return static_cast<PixelIndex>(i) * g.nb_col + j; }
    int line(PixelIndex p) const { return static_cast<int>(p / g.nb_col); }
    int column(PixelIndex p) const { return static_cast<int>(p % g.nb_col); }
};

// One bit a pixel of the grid.
struct Bits {
    std::vector<std::uint64_t> words;
    explicit Bits(long long n) : words(static_cast<std::size_t>((n + 63) / 64), 0) {}
    bool test(PixelIndex p) const {
        return words[static_cast<std::size_t>(p >> 6)] >> (p & 63) & 1u;
    }
    void set(PixelIndex p) {
        words[static_cast<std::size_t>(p >> 6)] |= std::uint64_t{1} << (p & 63);
    }
    void clear(PixelIndex p) {
        words[static_cast<std::size_t>(p >> 6)] &= ~(std::uint64_t{1} << (p & 63));
    }
};

// A part of the network: its pixels in breadth-first order, and its contacts, each a list of
// border pixels, sorted by their first pixel in row-major order.
struct Part {
    std::vector<PixelIndex> pixels;
    std::vector<std::vector<PixelIndex>> contacts;
};

Part trace_part(const Net& net, PixelIndex start, Bits& seen) {
    Part part;
    std::vector<PixelIndex> borders;
    part.pixels.push_back(start);
    seen.set(start);
    for (std::size_t k = 0; k < part.pixels.size(); ++k) {
        const int i = net.line(part.pixels[k]);
        const int j = net.column(part.pixels[k]);
        if (net.border(i, j)) borders.push_back(part.pixels[k]);
        for (const Neighbour& n : kNeighbours) {
            const int a = i + n.di;
            const int b = j + n.dj;
            if (!net.in(a, b) || !net.network(a, b)) continue;
            const PixelIndex p = net.at(a, b);
            if (seen.test(p)) continue;
            seen.set(p);
            part.pixels.push_back(p);
        }
    }
    // Border pixels that touch each other are one contact.
    std::sort(borders.begin(), borders.end());
    std::vector<char> taken(borders.size(), 0);
    for (std::size_t first = 0; first < borders.size(); ++first) {
        if (taken[first]) continue;
        std::vector<PixelIndex> contact{borders[first]};
        taken[first] = 1;
        for (std::size_t k = 0; k < contact.size(); ++k) {
            const int i = net.line(contact[k]);
            const int j = net.column(contact[k]);
            for (const Neighbour& n : kNeighbours) {
                if (!net.in(i + n.di, j + n.dj)) continue;
                const PixelIndex p = net.at(i + n.di, j + n.dj);
                const auto it = std::lower_bound(borders.begin(), borders.end(), p);
                if (it == borders.end() || *it != p) continue;
                const auto index = static_cast<std::size_t>(it - borders.begin());
                if (taken[index]) continue;
                taken[index] = 1;
                contact.push_back(p);
            }
        }
        std::sort(contact.begin(), contact.end());
        part.contacts.push_back(std::move(contact));
    }
    return part;
}

// The part's pixels as a tree rooted at one contact: breadth-first from every pixel of the
// contact, each pixel's parent the pixel it was first reached from (-1 for the roots).
struct Tree {
    std::vector<PixelIndex> order;
    std::vector<std::int32_t> parent;
};

Tree grow_tree(const Net& net, const std::vector<PixelIndex>& root, Bits& mark) {
    Tree t;
    for (PixelIndex p : root) {
        t.order.push_back(p);
        t.parent.push_back(-1);
        mark.set(p);
    }
    for (std::size_t k = 0; k < t.order.size(); ++k) {
        const int i = net.line(t.order[k]);
        const int j = net.column(t.order[k]);
        for (const Neighbour& n : kNeighbours) {
            const int a = i + n.di;
            const int b = j + n.dj;
            if (!net.in(a, b) || !net.network(a, b)) continue;
            const PixelIndex p = net.at(a, b);
            if (mark.test(p)) continue;
            mark.set(p);
            t.order.push_back(p);
            t.parent.push_back(static_cast<std::int32_t>(k));
        }
    }
    for (PixelIndex p : t.order) mark.clear(p);
    return t;
}

// How high a contact takes the part as its outlet: the Strahler order of the tree at its root,
// then the orders summed over its pixels. A leaf is a source when it is an end of the drawing
// (one link) or on the border (another contact, an inflow); other leaves are where the tree
// cut a junction or a loop, and count for nothing.
struct Score {
    int order = 0;
    long long sum = 0;
    bool operator>(const Score& o) const {
        return order != o.order ? order > o.order : sum > o.sum;
    }
};

Score score_tree(const Net& net, const Tree& t) {
    const std::size_t n = t.order.size();
    std::vector<std::uint8_t> best(n, 0), ties(n, 0);
    Score s;
    for (std::size_t k = n; k-- > 0;) {
        int order = best[k] + (ties[k] >= 2 ? 1 : 0);
        if (best[k] == 0) {
            const int i = net.line(t.order[k]);
            const int j = net.column(t.order[k]);
            order = net.links(i, j) == 1 || net.border(i, j) ? 1 : 0;
        }
        order = std::min(order, 250);
        s.sum += order;
        const std::int32_t up = t.parent[k];
        if (up < 0) {
            s.order = std::max(s.order, order);
            continue;
        }
        const auto u = static_cast<std::size_t>(up);
        if (order > best[u]) {
            best[u] = static_cast<std::uint8_t>(order);
            ties[u] = 1;
        } else if (order == best[u] && order > 0 && ties[u] < 2) {
            ++ties[u];
        }
    }
    return s;
}

// The pixels on the tree's paths from the other contacts down to its root.
long long paths_to_root(const Tree& t, const std::vector<PixelIndex>& inflow_pixels) {
    std::unordered_map<PixelIndex, std::size_t> index;
    index.reserve(inflow_pixels.size());
    for (PixelIndex p : inflow_pixels) index.emplace(p, 0);
    std::vector<std::size_t> starts;
    for (std::size_t k = 0; k < t.order.size(); ++k) {
        if (index.count(t.order[k])) starts.push_back(k);
    }
    std::vector<char> on(t.order.size(), 0);
    long long count = 0;
    for (std::size_t k : starts) {
        for (std::int64_t at = static_cast<std::int64_t>(k);
             at >= 0 && !on[static_cast<std::size_t>(at)];
             at = t.parent[static_cast<std::size_t>(at)]) {
            on[static_cast<std::size_t>(at)] = 1;
            ++count;
        }
    }
    return count;
}

std::string pixel_text(long long line, long long column) {
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

bool plan_inflows(const ContactGrids& g, const std::vector<NamedOutlet>& named, InflowPlan& plan,
                  std::string& fault) {
    const Net net{g};
    plan = InflowPlan{};
    // Each named outlet stands for one border pixel of the network: its own, else the first
    // of its neighbours in row-major order.
    std::vector<PixelIndex> named_at;
    for (const NamedOutlet& o : named) {
        PixelIndex found = -1;
        if (net.in(o.line, o.column) &&
            net.network(static_cast<int>(o.line), static_cast<int>(o.column)) &&
            net.border(static_cast<int>(o.line), static_cast<int>(o.column)))
            found = net.at(static_cast<int>(o.line), static_cast<int>(o.column));
        for (long long di = -1; di <= 1 && found < 0; ++di) {
            for (long long dj = -1; dj <= 1 && found < 0; ++dj) {
                const long long a = o.line + di;
                const long long b = o.column + dj;
                if (!net.in(a, b)) continue;
                const int i = static_cast<int>(a);
                const int j = static_cast<int>(b);
                if (net.network(i, j) && net.border(i, j)) found = net.at(i, j);
            }
        }
        if (found < 0) {
            fault = o.name +
                    ": touches no network pixel on the image border or beside NoData (it"
                    " lies at " +
                    pixel_text(o.line, o.column) + " of an image of " + std::to_string(g.nb_lig) +
                    " lines and " + std::to_string(g.nb_col) +
                    " columns; an outlet lies on such a pixel or next to it)";
            return false;
        }
        named_at.push_back(found);
    }

    const long long cells = static_cast<long long>(g.nb_lig) * g.nb_col;
    Bits seen(cells);
    Bits mark(cells);
    auto visit_border = [&](int i, int j) -> bool {
        const PixelIndex p = net.at(i, j);
        if (seen.test(p) || !net.network(i, j) || !net.border(i, j)) return true;
        Part part = trace_part(net, p, seen);
        std::vector<int> contact_of_named(named_at.size(), -1);
        for (std::size_t c = 0; c < part.contacts.size(); ++c) {
            for (std::size_t k = 0; k < named_at.size(); ++k) {
                if (std::binary_search(part.contacts[c].begin(), part.contacts[c].end(),
                                       named_at[k]))
                    contact_of_named[k] = static_cast<int>(c);
            }
        }
        int outlet = -1;
        for (std::size_t k = 0; k < named_at.size(); ++k) {
            const int c = contact_of_named[k];
            if (c < 0) continue;
            if (outlet >= 0 && outlet != c) {
                for (std::size_t e = 0; e < k; ++e) {
                    if (contact_of_named[e] == outlet) {
                        fault = named[e].name + " and " + named[k].name +
                                ": name two outlets of one part of the network; a part has one"
                                " outlet, its other contacts are inflows";
                        break;
                    }
                }
                return false;
            }
            outlet = c;
        }
        if (part.contacts.size() < 2) return true;
        ++plan.parts;
        if (outlet < 0) {
            // Every contact tried in turn, within the budget; the first always.
            Score best;
            long long spent = 0;
            for (std::size_t c = 0; c < part.contacts.size(); ++c) {
                if (c > 0 && spent + static_cast<long long>(part.pixels.size()) > kTrialVisits)
                    break;
                if (part.pixels.size() >
                    static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
                    break;
                spent += static_cast<long long>(part.pixels.size());
                const Score s = score_tree(net, grow_tree(net, part.contacts[c], mark));
                if (outlet < 0 || s > best) {
                    best = s;
                    outlet = static_cast<int>(c);
                }
            }
            if (outlet < 0) outlet = 0;
        }
        std::vector<PixelIndex> inflow_pixels;
        for (std::size_t c = 0; c < part.contacts.size(); ++c) {
            if (static_cast<int>(c) == outlet) continue;
            ++plan.inflows;
            inflow_pixels.insert(inflow_pixels.end(), part.contacts[c].begin(),
                                 part.contacts[c].end());
        }
        if (part.pixels.size() <=
            static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
            plan.inflow_pixels +=
                paths_to_root(grow_tree(net, part.contacts[static_cast<std::size_t>(outlet)], mark),
                              inflow_pixels);
        }
        plan.cut.insert(plan.cut.end(), inflow_pixels.begin(), inflow_pixels.end());
        return true;
    };
    // Every part with a contact starts at a border pixel: those of the image's edges, then
    // (with NoData outside) those of the inside, row-major.
    for (int i = 0; i < g.nb_lig; ++i) {
        const bool edge = i == 0 || i == g.nb_lig - 1;
        for (int j = 0; j < g.nb_col; ++j) {
            if (!edge && j != 0 && j != g.nb_col - 1 && g.outside < 0) {
                j = g.nb_col - 2;  // nothing but the edges can touch the border
                continue;
            }
            if (g.tab1[i][j] != g.net && g.tab5 == nullptr) continue;
            if (!visit_border(i, j)) return false;
        }
    }
    std::sort(plan.cut.begin(), plan.cut.end());
    return true;
}

void cut_inflows(unsigned char* const* tab1, int nb_col, const InflowPlan& plan) {
    for (PixelIndex p : plan.cut) tab1[p / nb_col][p % nb_col] = 255;
}

void restore_inflows(const ContactGrids& g, const InflowPlan& plan) {
    const Net net{g};
    for (PixelIndex p : plan.cut)
        g.tab1[p / g.nb_col][p % g.nb_col] = static_cast<unsigned char>(g.net);
    bool changed = true;
    while (changed) {
        changed = false;
        for (PixelIndex p : plan.cut) {
            const int i = net.line(p);
            const int j = net.column(p);
            if (g.tab5[i][j] != 255) continue;
            int lowest = 255;
            for (const Neighbour& n : kNeighbours) {
                const int a = i + n.di;
                const int b = j + n.dj;
                if (net.in(a, b) && g.tab1[a][b] != g.outside)
                    lowest = std::min<int>(lowest, g.tab5[a][b]);
            }
            if (lowest == 255) continue;
            g.tab5[i][j] = static_cast<unsigned char>(lowest);
            changed = true;
        }
    }
}
