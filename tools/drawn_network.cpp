// Growth of a drawn tree, one stroke at a time, in the manner of a Poisson-disk sampler: a stroke
// of the active list proposes new sources at a distance of dmin..lmax pixels from one of its
// pixels; a source farther than dmin from every stroke is joined to the network; a stroke whose
// proposals all fail leaves the list. When the list is empty before the wanted number of sources,
// dmin shrinks and every stroke proposes again.
//
// The cells grid doubles as the occupancy grid of the growth: every stroke is drawn as soon as it
// is accepted, and a new stroke is accepted only when, pixel by pixel, it keeps a gap of at least
// one pixel to every other pixel (5 x 5 window empty) except over its last pixels, where it may
// touch the strokes that meet at its attach point, and only in one run that ends at that point.
// So strokes touch only where they join and the raster's loops are those of the junctions and
// the braids.

#include "tools/drawn_network.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "tools/prng.h"
#include "tools/stroke_raster.h"

namespace {

constexpr int kContactReach = 6;  // pixels (Chebyshev) from the attach point where contact is fine
constexpr int kProposals = 12;    // proposals of an active stroke before it leaves the list
constexpr int kSmallestDmin = 4;  // pixels
// Pixels at the source end of every stroke that no later stroke may touch, so that every stream
// keeps pixels of its own in the drawing: a tributary drawn wholly against other strokes would
// be a stream of the tree that no reader of the raster could see.
constexpr std::size_t kOwnPixels = 3;
// A join this close (pixels along the stroke) to a stroke's source is refused: the tip forks.
constexpr int kSnap = 2;
// Least distance (pixels, Chebyshev) between two nodes, and between a node and a braid's pixels.
// Every pixel where strokes touch lies within kContactReach + 1 of its node, so nodes this far
// apart never draw one blob of touching junctions: the raster shows each confluence of the tree
// as a confluence of its own, and never two as one.
constexpr int kNodeGap = 2 * (kContactReach + 1) + 2;
constexpr int kBraidGap = kContactReach + 3;
constexpr int kNoNode = -1;
// Least length (pixels, Chebyshev) of the arm of a V that runs from its bend to its attach point.
constexpr int kVArm = 8;

// cos and sin of 15, 20, .. 60 degrees, fixed so that no maths library decides a pixel.
constexpr double kCos[10] = {
    0.965925826289068, 0.939692620785908, 0.906307787036650, 0.866025403784439, 0.819152044288992,
    0.766044443118978, 0.707106781186548, 0.642787609686539, 0.573576436351046, 0.5};
constexpr double kSin[10] = {
    0.258819045102521, 0.342020143325669, 0.422618261740699, 0.5,
    0.573576436351046, 0.642787609686539, 0.707106781186548, 0.766044443118978,
    0.819152044288992, 0.866025403784439};

struct Stroke {
    Pixel from;  // its source
    Pixel to;    // its attach pixel: on the parent stroke, or the outlet for the trunk
    // A shaped stroke (a sharp V, a U-turn that touches) runs from its source through the
    // points `via` to `to`. Its pixels quiet_from..quiet_to (indices along the stroke) are the
    // shape's: no other stroke joins near them.
    std::vector<Pixel> via;
    int quiet_from = 0;
    int quiet_to = 0;
    int end_node = kNoNode;
    std::vector<int> nodes;  // nodes on this stroke, by increasing index along its pixels
    int braid_u = -1;        // braid between pixel indices braid_u and braid_v, if any
    int braid_v = -1;
    Pixel arc_mid[2];
    std::vector<unsigned char> piece_order;  // order of each piece between nodes, source first
};

struct Node {
    int stroke = 0;  // the stroke the node lies on, at pixel `index` of it
    int index = 0;
    Pixel at;
    std::vector<int> tributaries;  // strokes ending here
};

struct Drawing {
    const DrawnOptions& o;
    Network& net;
    Prng rng;
    std::vector<Stroke> strokes;
    std::vector<Node> nodes;
    int dmin = 0;
    int lmax = 0;
    int bucket = 0;  // side of a bucket of the stroke index, pixels
    int bucket_cols = 0;
    std::vector<std::vector<int>> buckets;  // strokes whose bounding box meets the bucket
    long long sources = 1;
    std::vector<char> own;  // 1: a pixel of the source end of a stroke (kOwnPixels of them)
    int node_cols = 0;      // buckets of side kNodeGap across the image
    std::vector<std::vector<int>> node_buckets;  // nodes in each bucket
    int bends = 0;                               // strokes drawn as a sharp V
    int uturns = 0;                              // strokes drawn with a U-turn
};

// Keeps the source end of a new stroke, drawn from its source, for that stroke alone.
void keep_own(Drawing& d, const std::vector<Pixel>& line) {
    for (std::size_t i = 0; i < line.size() && i < kOwnPixels; ++i) {
        d.own[static_cast<std::size_t>(line[i].lig) * static_cast<std::size_t>(d.net.nb_col) +
              static_cast<std::size_t>(line[i].col)] = 1;
    }
}

std::size_t at(const Network& net, Pixel p) {
    return static_cast<std::size_t>(p.lig) * static_cast<std::size_t>(net.nb_col) +
           static_cast<std::size_t>(p.col);
}

bool on(const Network& net, Pixel p) {
    return net.cells[at(net, p)] == net.network_value;
}

bool inner(const Network& net, Pixel p) {
    return p.lig >= 2 && p.col >= 2 && p.lig <= net.nb_lig - 3 && p.col <= net.nb_col - 3;
}

int chebyshev(Pixel a, Pixel b) {
    return std::max(std::abs(a.lig - b.lig), std::abs(a.col - b.col));
}

void straight_pixels(const Drawing& d, int s, std::vector<Pixel>& out) {
    out.clear();
    const Stroke& k = d.strokes[s];
    Pixel a = k.from;
    for (Pixel b : k.via) {
        append_line(a.lig, a.col, b.lig, b.col, d.o.four_connected, out);
        out.pop_back();  // b comes again as the first pixel of the next line
        a = b;
    }
    append_line(a.lig, a.col, k.to.lig, k.to.col, d.o.four_connected, out);
}

// The pixels of one arc of a braid, its two ends excluded.
void arc_pixels(const Drawing& d, Pixel a, Pixel mid, Pixel b, std::vector<Pixel>& out) {
    out.clear();
    append_line(a.lig, a.col, mid.lig, mid.col, d.o.four_connected, out);
    const std::size_t k = out.size() - 1;  // mid
    out.pop_back();                        // mid comes again as the first pixel of the second half
    append_line(mid.lig, mid.col, b.lig, b.col, d.o.four_connected, out);
    // A stair-step line may leave mid by the pixel it came in by, and mid would stick out of the
    // arc as a one-pixel spur (a stream of its own in any reading of the raster); an 8-connected
    // line may turn there, and mid would make a triangle with the pixels either side. The arc
    // then goes round mid.
    if (k > 0 && k + 1 < out.size()) {
        const Pixel before = out[k - 1];
        const Pixel after = out[k + 1];
        const auto at_k = out.begin() + static_cast<std::ptrdiff_t>(k);
        if (before.lig == after.lig && before.col == after.col) {
            out.erase(at_k, at_k + 2);
        } else if (!d.o.four_connected && chebyshev(before, after) == 1) {
            out.erase(at_k);
        }
    }
    out.pop_back();
    out.erase(out.begin());
}

// Squared distance from point p to the segment from a to b.
double distance2(Pixel a, Pixel b, Pixel p) {
    const long long al = a.lig;
    const long long ac = a.col;
    const long long dl = b.lig - al;
    const long long dc = b.col - ac;
    const long long pl = p.lig - al;
    const long long pc = p.col - ac;
    const long long den = dl * dl + dc * dc;
    const long long t = pl * dl + pc * dc;
    if (den == 0 || t <= 0) return static_cast<double>(pl * pl + pc * pc);
    if (t >= den) {
        const long long el = p.lig - b.lig;
        const long long ec = p.col - b.col;
        return static_cast<double>(el * el + ec * ec);
    }
    const double cross = static_cast<double>(pl * dc - pc * dl);
    return cross * cross / static_cast<double>(den);
}

// Squared distance from point p to stroke s (every line of a shaped one).
double distance2(const Stroke& s, Pixel p) {
    if (s.via.empty()) return distance2(s.from, s.to, p);
    double best = distance2(s.via.back(), s.to, p);
    Pixel a = s.from;
    for (Pixel b : s.via) {
        best = std::min(best, distance2(a, b, p));
        a = b;
    }
    return best;
}

void index_stroke(Drawing& d, int s) {
    const Stroke& k = d.strokes[s];
    int lo_l = std::min(k.from.lig, k.to.lig);
    int hi_l = std::max(k.from.lig, k.to.lig);
    int lo_c = std::min(k.from.col, k.to.col);
    int hi_c = std::max(k.from.col, k.to.col);
    for (Pixel b : k.via) {
        lo_l = std::min(lo_l, b.lig);
        hi_l = std::max(hi_l, b.lig);
        lo_c = std::min(lo_c, b.col);
        hi_c = std::max(hi_c, b.col);
    }
    const int l0 = lo_l / d.bucket;
    const int l1 = hi_l / d.bucket;
    const int c0 = lo_c / d.bucket;
    const int c1 = hi_c / d.bucket;
    for (int l = l0; l <= l1; ++l) {
        for (int c = c0; c <= c1; ++c)
            d.buckets[static_cast<std::size_t>(l) * d.bucket_cols + c].push_back(s);
    }
}

void index_node(Drawing& d, int n) {
    const Pixel p = d.nodes[n].at;
    d.node_buckets[static_cast<std::size_t>(p.lig / kNodeGap) * d.node_cols + p.col / kNodeGap]
        .push_back(n);
}

// Whether every node lies at least gap (at most kNodeGap) from p.
bool clear_of_nodes(const Drawing& d, Pixel p, int gap) {
    const int rows = (d.net.nb_lig + kNodeGap - 1) / kNodeGap;
    for (int l = std::max(0, p.lig / kNodeGap - 1); l <= std::min(rows - 1, p.lig / kNodeGap + 1);
         ++l) {
        for (int c = std::max(0, p.col / kNodeGap - 1);
             c <= std::min(d.node_cols - 1, p.col / kNodeGap + 1); ++c) {
            for (int n : d.node_buckets[static_cast<std::size_t>(l) * d.node_cols + c]) {
                if (chebyshev(d.nodes[n].at, p) < gap) return false;
            }
        }
    }
    return true;
}

// The stroke nearest to p among those within lmax of it (lowest number on a tie), or kNoNode.
int nearest_stroke(const Drawing& d, Pixel p, double& best) {
    const int rows = (d.net.nb_lig + d.bucket - 1) / d.bucket;
    const int l0 = std::max(0, (p.lig - d.lmax) / d.bucket);
    const int l1 = std::min(rows - 1, (p.lig + d.lmax) / d.bucket);
    const int c0 = std::max(0, (p.col - d.lmax) / d.bucket);
    const int c1 = std::min(d.bucket_cols - 1, (p.col + d.lmax) / d.bucket);
    int found = kNoNode;
    best = 0.0;
    for (int l = l0; l <= l1; ++l) {
        for (int c = c0; c <= c1; ++c) {
            for (int s : d.buckets[static_cast<std::size_t>(l) * d.bucket_cols + c]) {
                const double e = distance2(d.strokes[s], p);
                if (found == kNoNode || e < best || (e == best && s < found)) {
                    best = e;
                    found = s;
                }
            }
        }
    }
    return found;
}

bool touches(const Network& net, Pixel p, int reach) {
    for (int a = -reach; a <= reach; ++a) {
        for (int b = -reach; b <= reach; ++b) {
            if (on(net, {p.lig + a, p.col + b})) return true;
        }
    }
    return false;
}

// Whether the new stroke `line` (source first, attach pixel q last) keeps clear of the network
// but for one run of contact with the `allowed` pixels (sorted cell indices) near q.
bool keeps_clear(const Drawing& d, const std::vector<Pixel>& line,
                 const std::vector<std::size_t>& allowed) {
    const Pixel q = line.back();
    std::size_t first = 0;
    while (first < line.size() && !touches(d.net, line[first], 1)) ++first;
    if (first < 2) return false;  // the source and its next pixel touch nothing
    for (std::size_t i = 0; i < first; ++i) {
        if (chebyshev(line[i], q) > kContactReach && touches(d.net, line[i], 2)) return false;
    }
    for (std::size_t i = first; i < line.size(); ++i) {
        if (chebyshev(line[i], q) > kContactReach) return false;
        bool contact = false;
        for (int a = -1; a <= 1; ++a) {
            for (int b = -1; b <= 1; ++b) {
                const Pixel n{line[i].lig + a, line[i].col + b};
                if (!on(d.net, n)) continue;
                if (d.own[at(d.net, n)]) return false;
                if (!std::binary_search(allowed.begin(), allowed.end(), at(d.net, n))) return false;
                contact = true;
            }
        }
        if (!contact) return false;
    }
    return true;
}

// The pixels of a new stroke from p to q drawn as a sharp V whose bend is p: a first arm of
// 5..dmin/2 pixels leaves the source at 35..55 degrees from the second, which runs from p to q.
// The arms touch only beside the bend (pixels at most three steps apart along the stroke through
// it, or within 2 pixels of it on stair steps), as two strokes drawn to meet at a point; false,
// with nothing drawn, where they would touch further off or overlap, or the source would leave
// the inner image.
bool v_bend(Drawing& d, Pixel p, Pixel q, Pixel& source, int& bend_index, std::vector<Pixel>& out) {
    // A bend at a confluence is a junction of three lines, not a V: the second arm keeps some
    // length of its own.
    if (chebyshev(p, q) < kVArm) return false;
    const double vl = q.lig - p.lig;
    const double vc = q.col - p.col;
    const double norm = std::sqrt(vl * vl + vc * vc);
    const int step = d.rng.between(4, 8);
    const double length = d.rng.between(5, std::max(5, d.dmin / 2));
    const double ca = kCos[step];
    const double sa = d.rng.below(2) == 0 ? kSin[step] : -kSin[step];
    source = {p.lig + static_cast<int>(std::lround((vl * ca - vc * sa) * length / norm)),
              p.col + static_cast<int>(std::lround((vl * sa + vc * ca) * length / norm))};
    if (norm == 0.0 || !inner(d.net, source)) return false;
    out.clear();
    append_line(source.lig, source.col, p.lig, p.col, d.o.four_connected, out);
    bend_index = static_cast<int>(out.size()) - 1;
    out.pop_back();
    append_line(p.lig, p.col, q.lig, q.col, d.o.four_connected, out);
    const int last = static_cast<int>(out.size()) - 1;
    for (int i = 0; i < bend_index; ++i) {
        for (int j = bend_index + 1; j <= last; ++j) {
            const Pixel a = out[static_cast<std::size_t>(i)];
            const Pixel b = out[static_cast<std::size_t>(j)];
            const int gap = chebyshev(a, b);
            // Along 8-connected arms, three steps; stair steps take up to twice as many pixels.
            const bool beside =
                d.o.four_connected ? chebyshev(a, p) <= 2 && chebyshev(b, p) <= 2 : j - i <= 3;
            if (gap == 0 || (gap == 1 && !beside)) return false;
        }
    }
    return true;
}

// Joins the lines from `from` through `via` to `to`; the index of each point of via among the
// pixels in `at`.
void polyline(const Drawing& d, Pixel from, const std::vector<Pixel>& via, Pixel to,
              std::vector<Pixel>& out, std::vector<int>& at) {
    out.clear();
    at.clear();
    Pixel a = from;
    for (Pixel b : via) {
        append_line(a.lig, a.col, b.lig, b.col, d.o.four_connected, out);
        out.pop_back();
        at.push_back(static_cast<int>(out.size()));
        a = b;
    }
    append_line(a.lig, a.col, to.lig, to.col, d.o.four_connected, out);
}

// The pixels of a new stroke from p to q with a U-turn that touches: at the neck n the stroke
// leaves its course at 135 degrees, runs out to one side round a loop 2h..2h + 1 pixels wide
// and as far out (h = 3 or 4), with corners of 45 and 90 degrees, and comes back to the pixel m
// next to n, from where it goes on to q: a meander folded back onto itself, its two ends
// touching at the neck. The pixels touch only within 3 pixels of the neck; false, with nothing
// drawn, where they would touch elsewhere or overlap, or the stroke has no room.
bool u_turn(Drawing& d, Pixel p, Pixel q, std::vector<Pixel>& via, int& neck_from, int& neck_to,
            std::vector<Pixel>& out) {
    const double vl = q.lig - p.lig;
    const double vc = q.col - p.col;
    const double norm = std::sqrt(vl * vl + vc * vc);

    const double ul = vl / norm;  // along the stroke
    const double uc = vc / norm;
    const int h = d.rng.between(3, 4);
    // Room for the neck h + 4 pixels or more from either end.
    if (norm < 2.0 * h + 16.0) return false;
    const double side = d.rng.below(2) == 0 ? 1.0 : -1.0;
    const double el = -uc * side;  // across it, towards the loop
    const double ec = ul * side;
    const int t = d.rng.between(h + 4, static_cast<int>(norm) - h - 10);
    const Pixel n{static_cast<int>(std::lround(p.lig + ul * t)),
                  static_cast<int>(std::lround(p.col + uc * t))};
    const Pixel m{n.lig + static_cast<int>(std::lround(ul)),
                  n.col + static_cast<int>(std::lround(uc))};
    // A point of the loop, `along` and `out` pixels from n.
    auto loop = [&](double along, double out_) {
        return Pixel{static_cast<int>(std::lround(n.lig + ul * along + el * out_)),
                     static_cast<int>(std::lround(n.col + uc * along + ec * out_))};
    };
    via = {n, loop(-h, h), loop(-h, 2 * h), loop(h + 1, 2 * h), loop(h + 1, h), m};
    for (Pixel x : via) {
        if (!inner(d.net, x)) return false;
    }
    std::vector<int> index;
    polyline(d, p, via, q, out, index);
    neck_from = index.front();
    neck_to = index.back();
    const int last = static_cast<int>(out.size()) - 1;
    for (int i = 1; i < last && !d.o.four_connected; ++i) {
        // A corner turned so sharply that the pixels either side touch leaves the corner's
        // pixel sticking out: a one-pixel spur, a source of its own in any reading.
        const Pixel a = out[static_cast<std::size_t>(i)];
        if (chebyshev(out[static_cast<std::size_t>(i - 1)], out[static_cast<std::size_t>(i + 1)]) ==
                1 &&
            chebyshev(a, n) > 3) {
            return false;
        }
    }
    for (int i = 0; i <= last; ++i) {
        for (int j = i + 4; j <= last; ++j) {
            const Pixel a = out[static_cast<std::size_t>(i)];
            const Pixel b = out[static_cast<std::size_t>(j)];
            const int gap = chebyshev(a, b);
            if (gap == 0) return false;
            if (gap == 1 && (chebyshev(a, n) > 3 || chebyshev(b, n) > 3)) return false;
        }
    }
    return chebyshev(n, m) == 1;
}

// Tries to join a new source p to the network; true when the stroke is drawn.
bool try_source(Drawing& d, Pixel p) {
    double dist2 = 0.0;
    const int s = nearest_stroke(d, p, dist2);
    if (s == kNoNode || dist2 < static_cast<double>(d.dmin) * d.dmin) return false;

    std::vector<Pixel> line;
    straight_pixels(d, s, line);
    const int last = static_cast<int>(line.size()) - 1;
    int m = 0;
    long long best = -1;
    for (int i = 0; i <= last; ++i) {
        const long long dl = line[i].lig - p.lig;
        const long long dc = line[i].col - p.col;
        if (best < 0 || dl * dl + dc * dc < best) {
            best = dl * dl + dc * dc;
            m = i;
        }
    }
    if (m < kSnap) return false;  // beyond the source: the tip branches instead

    // The nearest pixel of s gives a join square onto it; a join a few pixels further down makes
    // a small angle, where the two strokes run side by side before they meet.
    int options[2];
    int count = 0;
    if (d.rng.below(100) < 25) options[count++] = std::min(last - 1, m + d.rng.between(3, 8));
    options[count++] = m;

    std::vector<std::size_t> allowed;  // the new stroke may touch s alone
    for (Pixel x : line) allowed.push_back(at(d.net, x));
    std::sort(allowed.begin(), allowed.end());
    for (int k = 0; k < count; ++k) {
        const int index = options[k];
        const Pixel q = line[index];
        if (!inner(d.net, q) || !clear_of_nodes(d, q, kNodeGap)) continue;
        // A join beside a shape would make one blob of the shape and the confluence.
        const Stroke& target = d.strokes[s];
        if (!target.via.empty() && index > target.quiet_from - kNodeGap &&
            index < target.quiet_to + kNodeGap) {
            continue;
        }
        std::vector<Pixel> added;
        Pixel source = p;
        std::vector<Pixel> via;
        int quiet_from = 0;
        int quiet_to = 0;
        const bool bent = d.o.vbends > 0 &&
                          d.rng.below(100) < static_cast<std::uint32_t>(d.o.vbends) &&
                          v_bend(d, p, q, source, quiet_from, added);
        if (bent) {
            via = {p};
            quiet_to = quiet_from;
        } else {
            source = p;  // a V that did not fit may have moved it
        }
        const bool turned = !bent && d.o.uturns > 0 &&
                            d.rng.below(100) < static_cast<std::uint32_t>(d.o.uturns) &&
                            u_turn(d, p, q, via, quiet_from, quiet_to, added);
        if (!bent && !turned) {
            added.clear();
            via.clear();
            source = p;
            quiet_from = quiet_to = 0;
            append_line(p.lig, p.col, q.lig, q.col, d.o.four_connected, added);
        }
        if (!keeps_clear(d, added, allowed)) continue;

        const int node = static_cast<int>(d.nodes.size());
        d.nodes.push_back({s, index, q, {}});
        index_node(d, node);
        std::vector<int>& on_s = d.strokes[s].nodes;
        auto pos =
            std::find_if(on_s.begin(), on_s.end(), [&](int n) { return d.nodes[n].index > index; });
        on_s.insert(pos, node);
        const int t = static_cast<int>(d.strokes.size());
        d.strokes.push_back({source, q, via, quiet_from, quiet_to, node, {}, -1, -1, {}, {}});
        d.nodes[node].tributaries.push_back(t);
        for (Pixel x : added) d.net.cells[at(d.net, x)] = d.net.network_value;
        keep_own(d, added);
        index_stroke(d, t);
        ++d.sources;
        d.bends += bent;
        d.uturns += turned;
        return true;
    }
    return false;
}

// Tries to fork the source of stroke s into two new strokes (a Y whose branches leave the old
// source 15..60 degrees either side of the stroke's direction); true when both are drawn.
bool try_fork(Drawing& d, int s) {
    const Stroke& k = d.strokes[s];
    const Pixel tip = k.from;
    // The source of a V lies a few pixels from its bend: a fork there would touch it.
    if (!k.via.empty() || !clear_of_nodes(d, tip, kNodeGap)) return false;
    const double vl = tip.lig - k.to.lig;
    const double vc = tip.col - k.to.col;
    const double norm = std::sqrt(vl * vl + vc * vc);
    std::vector<std::size_t> allowed;
    std::vector<Pixel> px;
    straight_pixels(d, s, px);
    for (Pixel x : px) allowed.push_back(at(d.net, x));
    // The source end of s becomes the fork's node: the branches may touch it.
    std::vector<std::size_t> freed;
    for (std::size_t i = 0; i < px.size() && i < kOwnPixels; ++i) {
        if (d.own[at(d.net, px[i])]) freed.push_back(at(d.net, px[i]));
        d.own[at(d.net, px[i])] = 0;
    }
    std::vector<Pixel> branch[2];
    std::vector<std::size_t> drawn;  // pixels the first branch turned on
    for (int b = 0; b < 2; ++b) {
        const int step = d.rng.between(0, 9);
        const double length = d.rng.between(d.dmin, d.lmax);
        const double ca = kCos[step];
        const double sa = b == 0 ? kSin[step] : -kSin[step];
        const Pixel p{tip.lig + static_cast<int>(std::lround((vl * ca - vc * sa) * length / norm)),
                      tip.col + static_cast<int>(std::lround((vl * sa + vc * ca) * length / norm))};
        double dist2 = 0.0;
        bool ok = inner(d.net, p) && nearest_stroke(d, p, dist2) != kNoNode &&
                  dist2 >= static_cast<double>(d.dmin) * d.dmin;
        if (ok) {
            std::sort(allowed.begin(), allowed.end());
            append_line(p.lig, p.col, tip.lig, tip.col, d.o.four_connected, branch[b]);
            ok = keeps_clear(d, branch[b], allowed);
        }
        if (!ok) {
            for (std::size_t q : drawn) d.net.cells[q] = d.net.background;
            for (std::size_t q : freed) d.own[q] = 1;
            return false;
        }
        for (Pixel x : branch[b]) {
            const std::size_t q = at(d.net, x);
            allowed.push_back(q);
            if (d.net.cells[q] == d.net.network_value) continue;
            d.net.cells[q] = d.net.network_value;
            drawn.push_back(q);
        }
    }
    const int node = static_cast<int>(d.nodes.size());
    d.nodes.push_back({s, 0, tip, {}});
    index_node(d, node);
    d.strokes[s].nodes.insert(d.strokes[s].nodes.begin(), node);
    for (const auto& line : branch) {
        keep_own(d, line);
        const int t = static_cast<int>(d.strokes.size());
        d.strokes.push_back({line.front(), tip, {}, 0, 0, node, {}, -1, -1, {}, {}});
        d.nodes[node].tributaries.push_back(t);
        index_stroke(d, t);
    }
    ++d.sources;
    return true;
}

bool forked(const Drawing& d, int s) {
    const Stroke& k = d.strokes[s];
    return !k.nodes.empty() && d.nodes[k.nodes.front()].index == 0;
}

void grow(Drawing& d, long long wanted) {
    std::vector<int> active{0};
    std::vector<Pixel> line;
    while (d.sources < wanted) {
        if (active.empty()) {
            if (d.dmin <= kSmallestDmin) break;
            d.dmin = std::max(kSmallestDmin, d.dmin * 5 / 6);
            for (int s = 0; s < static_cast<int>(d.strokes.size()); ++s) active.push_back(s);
        }
        const int before = static_cast<int>(d.strokes.size());
        const std::size_t r = d.rng.below(static_cast<std::uint32_t>(active.size()));
        straight_pixels(d, active[r], line);
        bool grew = false;
        for (int k = 0; k < kProposals && !grew; ++k) {
            if (!forked(d, active[r]) && d.rng.below(100) < 50) {
                grew = try_fork(d, active[r]);
                continue;
            }
            const Pixel x = line[d.rng.below(static_cast<std::uint32_t>(line.size()))];
            int dl = 0;
            int dc = 0;
            long long e = 0;
            do {
                dl = d.rng.between(-d.lmax, d.lmax);
                dc = d.rng.between(-d.lmax, d.lmax);
                e = static_cast<long long>(dl) * dl + static_cast<long long>(dc) * dc;
            } while (e < static_cast<long long>(d.dmin) * d.dmin ||
                     e > static_cast<long long>(d.lmax) * d.lmax);
            const Pixel p{x.lig + dl, x.col + dc};
            if (inner(d.net, p)) grew = try_source(d, p);
        }
        if (!grew) {
            active[r] = active.back();
            active.pop_back();
        }
        for (int s = before; s < static_cast<int>(d.strokes.size()); ++s) active.push_back(s);
    }
}

// Braids: a stretch of 8..14 pixels of a stroke, away from its nodes, replaced by two arcs that
// bulge a third of the stretch to either side.
int add_braids(Drawing& d) {
    int placed = 0;
    const long long tries = 200LL * d.o.braids + 100;
    std::vector<Pixel> line;
    std::vector<Pixel> arc[2];
    for (long long t = 0; t < tries && placed < d.o.braids; ++t) {
        const int s = static_cast<int>(d.rng.below(static_cast<std::uint32_t>(d.strokes.size())));
        Stroke& k = d.strokes[s];
        straight_pixels(d, s, line);
        const int last = static_cast<int>(line.size()) - 1;
        const int span = d.rng.between(8, 14);
        if (k.braid_u >= 0 || !k.via.empty() || last < span + 16) continue;
        const int u = d.rng.between(4, last - 8 - span);
        const int v = u + span;
        bool near_node = false;
        for (int n : k.nodes)
            near_node = near_node || (d.nodes[n].index >= u - 4 && d.nodes[n].index <= v + 4);
        if (near_node) continue;

        const Pixel a = line[u];
        const Pixel b = line[v];
        const double dl = b.lig - a.lig;
        const double dc = b.col - a.col;
        const double len = std::sqrt(dl * dl + dc * dc);
        const double bulge = std::max(2, span / 3);
        const int ml = (a.lig + b.lig) / 2;
        const int mc = (a.col + b.col) / 2;
        const int ol = static_cast<int>(std::lround(-dc * bulge / len));
        const int oc = static_cast<int>(std::lround(dl * bulge / len));
        const Pixel mid[2] = {{ml + ol, mc + oc}, {ml - ol, mc - oc}};

        std::vector<std::size_t> allowed;
        for (int i = std::max(0, u - 8); i <= std::min(last, v + 8); ++i)
            allowed.push_back(at(d.net, line[i]));
        std::sort(allowed.begin(), allowed.end());
        bool clear = true;
        for (int side = 0; side < 2 && clear; ++side) {
            arc_pixels(d, a, mid[side], b, arc[side]);
            for (Pixel x : arc[side]) {
                if (!inner(d.net, x) || !clear_of_nodes(d, x, kBraidGap)) clear = false;
                for (int e = -2; e <= 2 && clear; ++e) {
                    for (int f = -2; f <= 2 && clear; ++f) {
                        const Pixel n{x.lig + e, x.col + f};
                        clear = !on(d.net, n) ||
                                std::binary_search(allowed.begin(), allowed.end(), at(d.net, n));
                    }
                }
            }
        }
        if (!clear) continue;
        for (int i = u + 1; i < v; ++i) d.net.cells[at(d.net, line[i])] = d.net.background;
        for (const auto& side : arc) {
            for (Pixel x : side) d.net.cells[at(d.net, x)] = d.net.network_value;
        }
        k.braid_u = u;
        k.braid_v = v;
        k.arc_mid[0] = mid[0];
        k.arc_mid[1] = mid[1];
        ++placed;
    }
    return placed;
}

// Strahler orders of every piece, from the last stroke to the first: a stroke's tributaries are
// all younger than the stroke, so their orders are known when it is reached.
void order_pieces(Drawing& d, TruthNetwork& t) {
    std::vector<unsigned char> out(d.strokes.size(), 0);  // order where each stroke ends
    t.streams.assign(65, 0);
    for (int s = static_cast<int>(d.strokes.size()) - 1; s >= 0; --s) {
        Stroke& k = d.strokes[s];
        // A forked stroke has no source: its first node is its first pixel.
        const bool source = !forked(d, s);
        int order = source ? 1 : 0;
        if (source) ++t.streams[1];
        k.piece_order.assign(1, 1);
        for (int n : k.nodes) {
            int top = order;
            int at_top = order > 0 ? 1 : 0;
            for (int trib : d.nodes[n].tributaries) {
                if (out[trib] > top) {
                    top = out[trib];
                    at_top = 1;
                } else if (out[trib] == top) {
                    ++at_top;
                }
            }
            const int here = std::min(63, at_top >= 2 ? top + 1 : top);
            if (here > top) ++t.streams[here];  // a stream of a new order begins here
            order = here;
            k.piece_order.push_back(static_cast<unsigned char>(order));
        }
        out[s] = static_cast<unsigned char>(order);
    }
    t.highest_order = out[0];
    t.streams.resize(static_cast<std::size_t>(t.highest_order) + 1);
}

// Marks the pixels of one piece: its order, or kJunctionZone where another piece drew the pixel
// or one of its 8 neighbours. The truth grid, kOffNetwork where nothing is drawn yet, tells.
void mark_piece(const Network& net, std::vector<unsigned char>& truth, const std::vector<Pixel>& px,
                unsigned char order, std::vector<char>& shared) {
    shared.assign(px.size(), 0);
    for (std::size_t i = 0; i < px.size(); ++i) {
        for (int a = -1; a <= 1; ++a) {
            for (int b = -1; b <= 1; ++b) {
                const Pixel n{px[i].lig + a, px[i].col + b};
                if (n.lig < 0 || n.col < 0 || n.lig >= net.nb_lig || n.col >= net.nb_col) continue;
                unsigned char& v = truth[at(net, n)];
                if (v == kOffNetwork) continue;
                shared[i] = 1;
                v = kJunctionZone;
            }
        }
    }
    for (std::size_t i = 0; i < px.size(); ++i) {
        truth[at(net, px[i])] = shared[i] ? kJunctionZone : order;
    }
}

void mark_truth(const Drawing& d, TruthNetwork& t) {
    t.truth.assign(d.net.cells.size(), kOffNetwork);
    std::vector<Pixel> line;
    std::vector<Pixel> piece;
    std::vector<char> shared;
    for (int s = 0; s < static_cast<int>(d.strokes.size()); ++s) {
        const Stroke& k = d.strokes[s];
        straight_pixels(d, s, line);
        const int last = static_cast<int>(line.size()) - 1;
        for (std::size_t p = 0; p < k.piece_order.size(); ++p) {
            const int begin = p == 0 ? 0 : d.nodes[k.nodes[p - 1]].index;
            const int end = p == k.nodes.size() ? last + 1 : d.nodes[k.nodes[p]].index;
            const unsigned char order = k.piece_order[p];
            if (k.braid_u >= begin && k.braid_u < end) {
                piece.assign(line.begin() + begin, line.begin() + k.braid_u + 1);
                mark_piece(d.net, t.truth, piece, order, shared);
                for (const Pixel& mid : k.arc_mid) {
                    arc_pixels(d, line[k.braid_u], mid, line[k.braid_v], piece);
                    mark_piece(d.net, t.truth, piece, order, shared);
                }
                piece.assign(line.begin() + k.braid_v, line.begin() + end);
            } else {
                piece.assign(line.begin() + begin, line.begin() + end);
            }
            mark_piece(d.net, t.truth, piece, order, shared);
        }
    }
}

}  // namespace

TruthNetwork generate_drawn_network(const DrawnOptions& o) {
    if (o.nb_lig < 16 || o.nb_col < 16 || o.nb_lig > 65536 || o.nb_col > 65536 ||
        static_cast<long long>(o.nb_lig) * o.nb_col > (1LL << 31)) {
        throw std::invalid_argument("sizes must lie in 16..65536, 2^31 pixels at most");
    }
    if (o.sources < 0 || o.braids < 0) {
        throw std::invalid_argument("sources and braids must not be negative");
    }
    if (o.vbends < 0 || o.vbends > 100 || o.uturns < 0 || o.uturns > 100) {
        throw std::invalid_argument("the percents of V bends and U-turns must lie in 0..100");
    }
    if (o.network_value == o.background) {
        throw std::invalid_argument("network and background values must differ");
    }

    TruthNetwork t;
    Network& net = t.net;
    net.nb_lig = o.nb_lig;
    net.nb_col = o.nb_col;
    net.network_value = o.network_value;
    net.background = o.background;
    net.cells.assign(static_cast<std::size_t>(o.nb_lig) * o.nb_col, o.background);

    Drawing d{o, net, Prng{mix64(o.seed ^ 0x647261776eULL)}, {}, {}, 0, 0, 0, 0, {}, 1, {}, 0, {},
              0, 0};
    d.own.assign(net.cells.size(), 0);
    const long long area = static_cast<long long>(o.nb_lig) * o.nb_col;
    long long wanted = o.sources;
    if (wanted == 0) {
        const long long base = std::max(1LL, area / 750);
        wanted = std::max(1LL, base + base * d.rng.between(-1000, 1000) / 6000);
    }
    const double spacing = std::sqrt(static_cast<double>(area) / static_cast<double>(wanted));
    d.dmin = std::max(kSmallestDmin, static_cast<int>(spacing * 0.9));
    d.lmax = std::max(10, 2 * d.dmin + 2);
    d.bucket = d.lmax;
    d.bucket_cols = (o.nb_col + d.bucket - 1) / d.bucket;
    d.buckets.resize(static_cast<std::size_t>((o.nb_lig + d.bucket - 1) / d.bucket) *
                     d.bucket_cols);

    // The trunk: square onto a random side, in its middle half, so the outlet alone is on it.
    const int side = static_cast<int>(d.rng.below(4));
    const int across = side % 2 == 0 ? o.nb_col : o.nb_lig;  // length of that side
    const int depth = side % 2 == 0 ? o.nb_lig : o.nb_col;
    const int along =
        across / 4 + static_cast<int>(d.rng.below(static_cast<std::uint32_t>(across / 2)));
    const int reach = std::min(2 * d.lmax, depth / 2);
    Pixel outlet;
    Pixel source;
    switch (side) {
        case 0:
            outlet = {0, along};
            source = {reach, along};
            break;
        case 1:
            outlet = {along, o.nb_col - 1};
            source = {along, o.nb_col - 1 - reach};
            break;
        case 2:
            outlet = {o.nb_lig - 1, along};
            source = {o.nb_lig - 1 - reach, along};
            break;
        default:
            outlet = {along, 0};
            source = {along, reach};
            break;
    }
    net.outlet_lig = outlet.lig;
    net.outlet_col = outlet.col;
    d.strokes.push_back({source, outlet, {}, 0, 0, 0, {}, -1, -1, {}, {}});
    std::vector<Pixel> line;
    straight_pixels(d, 0, line);
    d.node_cols = (o.nb_col + kNodeGap - 1) / kNodeGap;
    d.node_buckets.resize(static_cast<std::size_t>((o.nb_lig + kNodeGap - 1) / kNodeGap) *
                          d.node_cols);
    d.nodes.push_back({0, static_cast<int>(line.size()) - 1, outlet, {0}});
    index_node(d, 0);
    for (Pixel x : line) net.cells[at(net, x)] = net.network_value;
    index_stroke(d, 0);

    grow(d, wanted);
    d.buckets = {};
    t.braids = add_braids(d);
    t.vbends = d.bends;
    t.uturns = d.uturns;
    order_pieces(d, t);
    mark_truth(d, t);
    return t;
}
