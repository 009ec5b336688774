// The tree grows on a coarse lattice of nodes `cell` pixels apart. Every lattice edge is drawn as
// a straight 8-connected line (horizontal, vertical or diagonal), so lines on different lattice
// edges stay at least two pixels apart, except in two cases which the growth refuses:
//  - two lines leaving one node whose first pixels touch (45 degrees apart, or 90 degrees apart
//    when both are horizontal or vertical);
//  - the two diagonals of one lattice square, which cross.
// With every edge of the whole lattice tree obeying this, any subtree drawn is a clean network.
//
// Growth: a flood from the outlet node over a terrain of smooth noise plus a pull towards the
// outlet plus roughness. The lowest node of the front is taken next and adopts up to two free
// neighbours. Each node then drains the nodes it adopted, directly or not; the nodes draining at
// least a threshold chosen for the wanted share form the channels, as on a real hillside where a
// stream begins once enough ground drains to it.

#include "tools/network_generator.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <queue>
#include <stdexcept>

#include "tools/prng.h"

namespace {

// Directions clockwise from up: N, NE, E, SE, S, SW, W, NW. Odd ones are diagonal.
constexpr int kDr[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
constexpr int kDc[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr unsigned char kFree = 255;

int opposite(int d) {
    return (d + 4) & 7;
}

// Whether two lines leaving one node in directions a and b keep their first pixels apart.
bool apart(int a, int b) {
    int d = std::abs(a - b);
    d = std::min(d, 8 - d);
    return d >= 3 || (d == 2 && (a & 1) && (b & 1));
}

struct Lattice {
    int rows = 0;
    int cols = 0;
    int top = 0;   // pixel line of node row 0
    int left = 0;  // pixel column of node column 0
    int cell = 0;
    std::vector<unsigned char> up;     // direction to the parent node; kFree before joining
    std::vector<unsigned char> links;  // bit d: a line leaves the node in direction d

    int index(int r, int c) const { return r * cols + c; }
    bool inside(int r, int c) const { return r >= 0 && r < rows && c >= 0 && c < cols; }
};

Lattice make_lattice(const NetworkOptions& o) {
    Lattice l;
    l.cell = o.cell;
    const int margin = std::max(2, o.cell / 2);
    const int span_lig = o.nb_lig - 1 - 2 * margin;
    const int span_col = o.nb_col - 1 - 2 * margin;
    l.rows = span_lig / o.cell + 1;
    l.cols = span_col / o.cell + 1;
    if (span_lig < o.cell || span_col < o.cell) {
        throw std::invalid_argument("grid too small for the lattice cell");
    }
    l.top = margin + (span_lig - (l.rows - 1) * o.cell) / 2;
    l.left = margin + (span_col - (l.cols - 1) * o.cell) / 2;
    const std::size_t n = static_cast<std::size_t>(l.rows) * l.cols;
    l.up.assign(n, kFree);
    l.links.assign(n, 0);
    return l;
}

// Smooth value noise in 0..65535 from hashed corner values, interpolated in integers.
struct Terrain {
    std::uint64_t seed = 0;
    int root_r = 0;
    int root_c = 0;

    std::uint32_t corner(int octave, int gr, int gc) const {
        std::uint64_t h = mix64(seed ^ (static_cast<std::uint64_t>(octave) << 56) ^
                                (static_cast<std::uint64_t>(static_cast<std::uint32_t>(gr)) << 28) ^
                                static_cast<std::uint32_t>(gc));
        return static_cast<std::uint32_t>(h >> 48);  // 0..65535
    }

    std::uint32_t octave_value(int octave, int wave, int r, int c) const {
        const int gr = r / wave;
        const int gc = c / wave;
        // Smoothstep weights in 0..4096.
        auto smooth = [wave](int t) {
            const long long x = (static_cast<long long>(t) << 12) / wave;  // 0..4096
            return x * x * (3 * 4096 - 2 * x) / (4096LL * 4096LL);
        };
        const long long wr = smooth(r - gr * wave);
        const long long wc = smooth(c - gc * wave);
        const long long a = corner(octave, gr, gc);
        const long long b = corner(octave, gr, gc + 1);
        const long long d = corner(octave, gr + 1, gc);
        const long long e = corner(octave, gr + 1, gc + 1);
        const long long top = a * (4096 - wc) + b * wc;
        const long long bottom = d * (4096 - wc) + e * wc;
        return static_cast<std::uint32_t>((top * (4096 - wr) + bottom * wr) >> 24);
    }

    // Height of node (r, c): smooth valleys, a steady pull down to the outlet and roughness.
    std::uint32_t height(int r, int c) const {
        std::uint64_t noise = 0;
        int wave = 96;
        int weight = 16;
        for (int octave = 0; octave < 5; ++octave) {
            noise += static_cast<std::uint64_t>(octave_value(octave, wave, r, c)) * weight;
            wave /= 2;
            weight /= 2;
        }
        noise /= 31;  // 0..65535
        const int dr = std::abs(r - root_r);
        const int dc = std::abs(c - root_c);
        const std::uint64_t dist = std::max(dr, dc) * 12ULL + std::min(dr, dc) * 5ULL;
        const std::uint64_t rough =
            mix64(seed ^ 0x5bd1e995ULL ^ (static_cast<std::uint64_t>(r) << 32 | c)) >> 48;
        return static_cast<std::uint32_t>(noise * 32 + dist * 683 + rough * 24);
    }
};

// Whether node u may adopt its free neighbour in direction d.
bool may_adopt(const Lattice& l, int ur, int uc, int d) {
    const unsigned char have = l.links[l.index(ur, uc)];
    int count = 0;
    for (int e = 0; e < 8; ++e) {
        if (!(have & (1u << e))) continue;
        ++count;
        if (!apart(d, e)) return false;
    }
    if (count >= 3) return false;  // a parent and two children already
    if (d & 1) {
        // The other diagonal of the square joins (ur, uc + dc) and (ur + dr, uc).
        const int dr = kDr[d];
        const int dc = kDc[d];
        const int ar = ur;
        const int ac = uc + dc;
        int toward_b = 0;
        for (int e = 0; e < 8; ++e) {
            if (kDr[e] == dr && kDc[e] == -dc) toward_b = e;
        }
        if (l.links[l.index(ar, ac)] & (1u << toward_b)) return false;
    }
    return true;
}

struct Outlet {
    int node_r = 0;
    int node_c = 0;
    int dir = 0;  // from the root node to the border
    int pixel_lig = 0;
    int pixel_col = 0;
};

Outlet place_outlet(const Lattice& l, const NetworkOptions& o, Prng& rng) {
    Outlet out;
    const int side = static_cast<int>(rng.below(4));
    const bool across = side == 0 || side == 2;  // top or bottom: the outlet picks a column
    const int n = across ? l.cols : l.rows;
    const int pos = n / 4 + static_cast<int>(rng.below(static_cast<std::uint32_t>(n / 2 + 1)));
    const int along = std::min(pos, n - 1);
    switch (side) {
        case 0:
            out = {0, along, 0, 0, 0};
            break;
        case 1:
            out = {along, l.cols - 1, 2, 0, 0};
            break;
        case 2:
            out = {l.rows - 1, along, 4, 0, 0};
            break;
        default:
            out = {along, 0, 6, 0, 0};
            break;
    }
    out.pixel_lig = l.top + out.node_r * l.cell;
    out.pixel_col = l.left + out.node_c * l.cell;
    if (out.dir == 0) out.pixel_lig = 0;
    if (out.dir == 4) out.pixel_lig = o.nb_lig - 1;
    if (out.dir == 2) out.pixel_col = o.nb_col - 1;
    if (out.dir == 6) out.pixel_col = 0;
    return out;
}

// Floods the lattice from the root; returns the nodes in the order they were taken.
std::vector<std::uint32_t> grow(Lattice& l, const Terrain& t, const Outlet& out) {
    using Key = std::uint64_t;  // height above, node index below: every key unique
    std::priority_queue<Key, std::vector<Key>, std::greater<Key>> front;
    auto key = [&](int r, int c) {
        return (static_cast<Key>(t.height(r, c)) << 32) | static_cast<Key>(l.index(r, c));
    };
    const int root = l.index(out.node_r, out.node_c);
    l.up[root] = static_cast<unsigned char>(out.dir);
    l.links[root] = static_cast<unsigned char>(1u << out.dir);
    front.push(key(out.node_r, out.node_c));

    std::vector<std::uint32_t> taken;
    taken.reserve(l.up.size());
    while (!front.empty()) {
        const auto u = static_cast<std::uint32_t>(front.top() & 0xffffffffu);
        front.pop();
        taken.push_back(u);
        const int ur = static_cast<int>(u) / l.cols;
        const int uc = static_cast<int>(u) % l.cols;
        // Free neighbours, lowest first.
        std::pair<Key, int> free[8];
        int nfree = 0;
        for (int d = 0; d < 8; ++d) {
            const int vr = ur + kDr[d];
            const int vc = uc + kDc[d];
            if (!l.inside(vr, vc) || l.up[l.index(vr, vc)] != kFree) continue;
            free[nfree++] = {key(vr, vc), d};
        }
        for (int a = 1; a < nfree; ++a) {  // insertion sort of at most eight
            for (int b = a; b > 0 && free[b] < free[b - 1]; --b) std::swap(free[b], free[b - 1]);
        }
        for (int f = 0; f < nfree; ++f) {
            const int d = free[f].second;
            if (!may_adopt(l, ur, uc, d)) continue;
            const int v = l.index(ur + kDr[d], uc + kDc[d]);
            l.up[v] = static_cast<unsigned char>(opposite(d));
            l.links[u] |= static_cast<unsigned char>(1u << d);
            l.links[v] |= static_cast<unsigned char>(1u << opposite(d));
            front.push(free[f].first);
        }
    }
    return taken;
}

// Smallest drained count whose channels come nearest to `wanted` nodes.
std::uint32_t threshold_for(const std::vector<std::uint32_t>& area, long long wanted) {
    constexpr std::uint32_t kCap = 1u << 20;
    std::vector<long long> count(kCap + 1, 0);
    for (std::uint32_t a : area) {
        if (a > 0) ++count[std::min(a, kCap)];
    }
    long long at_least = 0;
    for (std::uint32_t a = kCap; a >= 1; --a) {
        const long long next = at_least + count[a];
        if (next >= wanted) {
            // Take a or a + 1, whichever is nearer to the wanted count.
            return (next - wanted <= wanted - at_least || a == kCap) ? a : a + 1;
        }
        at_least = next;
    }
    return 1;
}

void draw_line(Network& net, int r0, int c0, int d, int steps) {
    for (int s = 0; s < steps; ++s) {
        net.row(r0 + s * kDr[d])[c0 + s * kDc[d]] = net.network_value;
    }
}

}  // namespace

Network generate_network(const NetworkOptions& o) {
    if (o.nb_lig < 16 || o.nb_col < 16 || o.nb_lig > 65536 || o.nb_col > 65536) {
        throw std::invalid_argument("sizes must lie in 16..65536");
    }
    if (o.cell < 3 || o.cell > 16) throw std::invalid_argument("cell must lie in 3..16");
    if (!(o.share >= 0.001 && o.share <= 0.3)) {
        throw std::invalid_argument("share must lie in 0.001..0.3");
    }
    if (o.network_value == o.background) {
        throw std::invalid_argument("network and background values must differ");
    }

    Prng rng{mix64(o.seed)};
    Lattice l = make_lattice(o);
    const Outlet out = place_outlet(l, o, rng);
    Terrain t;
    t.seed = rng.next();
    t.root_r = out.node_r;
    t.root_c = out.node_c;

    std::vector<std::uint32_t> taken = grow(l, t, out);

    // Drained node counts, children before parents.
    std::vector<std::uint32_t> area(l.up.size(), 0);
    const std::uint32_t root = static_cast<std::uint32_t>(l.index(out.node_r, out.node_c));
    for (auto it = taken.rbegin(); it != taken.rend(); ++it) {
        const std::uint32_t u = *it;
        area[u] += 1;
        if (u == root) continue;
        const int d = l.up[u];
        const int pr = static_cast<int>(u) / l.cols + kDr[d];
        const int pc = static_cast<int>(u) % l.cols + kDc[d];
        area[l.index(pr, pc)] += area[u];
    }
    taken = {};

    const long long stub = std::abs(out.pixel_lig - (l.top + out.node_r * l.cell)) +
                           std::abs(out.pixel_col - (l.left + out.node_c * l.cell));
    const double wanted_pixels = o.share * o.nb_lig * o.nb_col;
    const long long wanted =
        std::max(2LL, static_cast<long long>((wanted_pixels - static_cast<double>(stub)) / o.cell));
    const std::uint32_t threshold = threshold_for(area, wanted);

    Network net;
    net.nb_lig = o.nb_lig;
    net.nb_col = o.nb_col;
    net.network_value = o.network_value;
    net.background = o.background;
    net.cells.assign(static_cast<std::size_t>(o.nb_lig) * o.nb_col, o.background);
    net.outlet_lig = out.pixel_lig;
    net.outlet_col = out.pixel_col;

    for (int r = 0; r < l.rows; ++r) {
        for (int c = 0; c < l.cols; ++c) {
            const int u = l.index(r, c);
            if (area[u] < threshold) continue;
            const int lig = l.top + r * l.cell;
            const int col = l.left + c * l.cell;
            const int steps = u == static_cast<int>(root) ? static_cast<int>(stub) + 1 : l.cell;
            draw_line(net, lig, col, l.up[u], steps);
        }
    }

    if (o.untidy) add_untidy_features(net, mix64(o.seed ^ 0x756e74696479ULL));
    return net;
}
