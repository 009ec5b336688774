#include "engine/sharp_bends.h"

#include "engine/links.h"

namespace {

// Position n of the neighbour order (see links.h) as a step in lines and columns.
constexpr int kDi[8] = {-1, -1, -1, 0, 1, 1, 1, 0};
constexpr int kDj[8] = {-1, 0, 1, 1, 1, 0, -1, -1};

// An arm is followed for kArmPixels pixels from the apex (its first pixel, L or Q, included),
// or to a source at least kShortestArm pixels away. Its pixels must lie within kStraight pixel
// sizes of the segment from the apex to its last pixel, and the two segments must meet at the
// apex at less than 70 degrees (cosine kSharpCosine or more). Measured on the generated drawn
// trees with sharp bends (35 to 55 degrees drawn, up to about 65 as pixels show them) and on
// the generated terrains (docs/dense_networks.md): these bounds take every drawn bend and no
// pixel of any terrain.
constexpr int kArmPixels = 7;
constexpr int kShortestArm = 3;
constexpr double kStraight = 1.0;
constexpr double kSharpCosine = 0.34;

struct Point {
    int i = 0;
    int j = 0;
};

unsigned links_of(const WalkGrids& g, Point p) {
    return ::links_of(g, p.i, p.j);
}

Point step(Point p, int n) {
    return {p.i + kDi[n], p.j + kDj[n]};
}

unsigned bit_towards(Point from, Point to) {
    for (int n = 0; n < 8; ++n) {
        if (from.i + kDi[n] == to.i && from.j + kDj[n] == to.j) return 1u << n;
    }
    return 0;
}

// Whether every pixel lies within kStraight of the segment from a to the last pixel.
bool straight(Point a, const Point* px, int count) {
    const double di = px[count - 1].i - a.i;
    const double dj = px[count - 1].j - a.j;
    const double len2 = di * di + dj * dj;
    for (int k = 0; k < count; ++k) {
        const double cross = (px[k].i - a.i) * dj - (px[k].j - a.j) * di;
        if (cross * cross > kStraight * kStraight * len2) return false;
    }
    return true;
}

// The arm of the apex a whose first pixel is `first` and second `next`; false when it is no
// straight line: it meets a junction or the border first, or ends at a source too soon, or
// bends.
bool follow(const WalkGrids& g, Point a, Point first, Point next, Point& end) {
    Point px[kArmPixels];
    int count = 0;
    px[count++] = first;
    Point from = first;
    while (count < kArmPixels - 1) {
        px[count++] = next;
        if (g.on_border(next.i, next.j)) return false;
        const unsigned l = links_of(g, next);
        const int links = __builtin_popcount(l);
        if (links == 1) {
            end = next;
            return count >= kShortestArm && straight(a, px, count);
        }
        if (links != 2) return false;
        const Point after = step(next, __builtin_ctz(l & ~bit_towards(next, from)));
        from = next;
        next = after;
    }
    px[count++] = next;
    end = next;
    return straight(a, px, count);
}

}  // namespace

std::vector<SharpBend> find_sharp_bends(const WalkGrids& g, const std::vector<PixelIndex>& ends) {
    std::vector<SharpBend> out;
    if (g.net < 0) return out;
    for (const PixelIndex e : ends) {
        const Point a{static_cast<int>(e / g.nb_col), static_cast<int>(e % g.nb_col)};
        if (g.on_border(a.i, a.j)) continue;
        const unsigned loaded = loaded_mask(g.tab1, g.tab5, g.net, a.i, a.j);
        const unsigned link = linked(loaded);
        const unsigned other = loaded & ~link;
        // One link, along a side (odd positions), and one other neighbour: the corner it cuts.
        if (__builtin_popcount(link) != 1 || __builtin_popcount(other) != 1) continue;
        if (__builtin_ctz(link) % 2 == 0) continue;
        const Point l = step(a, __builtin_ctz(link));
        const Point q = step(a, __builtin_ctz(other));
        if (g.on_border(l.i, l.j) || g.on_border(q.i, q.j)) continue;
        // L links the apex, Q and its own arm; Q links L and its own arm.
        const unsigned l_arm = links_of(g, l) & ~bit_towards(l, a) & ~bit_towards(l, q);
        const unsigned q_all = links_of(g, q);
        const unsigned q_arm = q_all & ~bit_towards(q, l);
        if (__builtin_popcount(l_arm) != 1 || __builtin_popcount(q_all) != 2 ||
            __builtin_popcount(q_arm) != 1) {
            continue;
        }
        Point e1;
        Point e2;
        if (!follow(g, a, l, step(l, __builtin_ctz(l_arm)), e1) ||
            !follow(g, a, q, step(q, __builtin_ctz(q_arm)), e2)) {
            continue;
        }
        const double v1i = e1.i - a.i;
        const double v1j = e1.j - a.j;
        const double v2i = e2.i - a.i;
        const double v2j = e2.j - a.j;
        const double dot = v1i * v2i + v1j * v2j;
        const double norms = (v1i * v1i + v1j * v1j) * (v2i * v2i + v2j * v2j);
        if (dot <= 0 || dot * dot < kSharpCosine * kSharpCosine * norms) continue;
        out.push_back({e, static_cast<PixelIndex>(l.i) * g.nb_col + l.j});
    }
    return out;
}

void take_out_apexes(const WalkGrids& g, const std::vector<SharpBend>& bends) {
    for (const SharpBend& b : bends) g.tab1[b.apex / g.nb_col][b.apex % g.nb_col] = 255;
}

void apply_apex_orders(const WalkGrids& g, const std::vector<SharpBend>& bends) {
    for (const SharpBend& b : bends) {
        const unsigned char order = g.tab5[b.link / g.nb_col][b.link % g.nb_col];
        if (order != 255) {
            g.tab5[b.apex / g.nb_col][b.apex % g.nb_col] = order;
        } else {
            g.tab1[b.apex / g.nb_col][b.apex % g.nb_col] = static_cast<unsigned char>(g.net);
        }
    }
}
