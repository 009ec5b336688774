// Surface, filling, D8 flow, accumulation and Strahler orders of a terrain network, all in
// integers: heights are in units of 2^-24 of the relief, so the one-unit rise across a filled flat
// is far below any drop of the surface itself.

#include "tools/terrain_network.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <stdexcept>

#include "tools/prng.h"

namespace {

__extension__ typedef unsigned __int128 Wide;

constexpr int kDl[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
constexpr int kDc[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr unsigned char kOut = 8;  // flows out of the image

// Hashed value 0..65535 at lattice corner (gl, gc) of one octave.
std::uint32_t corner(std::uint64_t seed, int octave, int gl, int gc) {
    const std::uint64_t h =
        mix64(seed ^ (static_cast<std::uint64_t>(octave) << 56) ^
              (static_cast<std::uint64_t>(static_cast<std::uint32_t>(gl)) << 28) ^
              static_cast<std::uint32_t>(gc));
    return static_cast<std::uint32_t>(h >> 48);
}

// Value noise of one octave at pixel (l, c), 0..65535, smoothstep-interpolated in integers.
long long octave_value(std::uint64_t seed, int octave, int wave, int l, int c) {
    const int gl = l / wave;
    const int gc = c / wave;
    auto smooth = [wave](int t) {
        const long long x = (static_cast<long long>(t) << 12) / wave;  // 0..4096
        return x * x * (3 * 4096 - 2 * x) / (4096LL * 4096LL);
    };
    const long long wl = smooth(l - gl * wave);
    const long long wc = smooth(c - gc * wave);
    const long long a = corner(seed, octave, gl, gc);
    const long long b = corner(seed, octave, gl, gc + 1);
    const long long d = corner(seed, octave, gl + 1, gc);
    const long long e = corner(seed, octave, gl + 1, gc + 1);
    const long long top = a * (4096 - wc) + b * wc;
    const long long bottom = d * (4096 - wc) + e * wc;
    return (top * (4096 - wl) + bottom * wl) >> 24;
}

std::vector<std::uint32_t> surface(const TerrainOptions& o) {
    const std::uint64_t seed = mix64(o.seed ^ 0x7465727261696eULL);
    // Sizes and places on the fine surface (see TerrainOptions::coarse).
    const int f = o.coarse;
    int longest = 2;
    while (longest < std::max(o.nb_lig, o.nb_col) * f / 2) longest *= 2;
    long long total = 0;
    // Finer waves weigh more than in 1/f noise (wave^(3/4) rather than wave): the surface is
    // rough at every scale, as measured terrain is, rather than made of smooth planes down
    // which flow lines run side by side.
    auto weight = [](int wave) {
        const long long cube = 4096LL * wave * wave * wave;  // 8^4 wave^3
        long long w = 1;
        while ((w + 1) * (w + 1) * (w + 1) * (w + 1) <= cube) ++w;
        return w;  // 8 wave^(3/4)
    };
    std::vector<long long> weights;  // of the octaves, longest wave first
    for (int wave = longest; wave >= 2; wave /= 2) weights.push_back(weight(wave));
    for (long long w : weights) total += w;
    // Under the waves, a low dome that rises from the border to the middle at the same slope
    // on every image, a rise of 2.25 units (of the weights) a pixel of the longest wave; the
    // land drains towards the border, as land drains to the sea. Without it a large surface
    // holds filled depressions hundreds of pixels wide, across which the flow lines, each
    // draining more than the threshold, run side by side as blocks of channel pixels that no
    // map of a network shows (half the channel pixels of 16384 x 16384; with a rise of 1.7
    // units, still 2 % of them).
    const long long dome = 36LL * longest / 16;
    const long long half = std::max(1, std::min(o.nb_lig, o.nb_col) * f / 2);
    total += dome;
    std::vector<std::uint32_t> h(static_cast<std::size_t>(o.nb_lig) * o.nb_col);
    for (int l = 0; l < o.nb_lig; ++l) {
        for (int c = 0; c < o.nb_col; ++c) {
            long long sum = 0;
            int octave = 0;
            for (int wave = longest; wave >= 2; wave /= 2) {
                sum += octave_value(seed, octave, wave, l * f, c * f) *
                       weights[static_cast<std::size_t>(octave)];
                ++octave;
            }
            const int edge =
                std::min(std::min(l, o.nb_lig - 1 - l), std::min(c, o.nb_col - 1 - c)) * f;
            sum += 65535LL * dome * edge / half;  // edge <= half
            h[static_cast<std::size_t>(l) * o.nb_col + c] =
                static_cast<std::uint32_t>((sum << 8) / total);  // 0..2^24 - 1
        }
    }
    return h;
}

// Priority flood from the border: afterwards every inner pixel has a strictly lower neighbour.
// Pixels of equal height leave the queue in the order they entered it, so a filled flat rises
// outwards from where it spills, like rings round its outlet, and drains towards it.
void fill(std::vector<std::uint32_t>& h, int lig, int col) {
    using Key = std::pair<std::uint64_t, std::size_t>;  // height and entry, pixel
    std::priority_queue<Key, std::vector<Key>, std::greater<Key>> open;
    std::vector<char> closed(h.size(), 0);
    std::uint64_t entry = 0;
    auto push = [&](std::size_t p) {
        open.push({(static_cast<std::uint64_t>(h[p]) << 32) | (entry++ & 0xffffffffu), p});
    };
    for (int l = 0; l < lig; ++l) {
        for (int c = 0; c < col; ++c) {
            if (l != 0 && c != 0 && l != lig - 1 && c != col - 1) continue;
            const std::size_t p = static_cast<std::size_t>(l) * col + c;
            closed[p] = 1;
            push(p);
        }
    }
    while (!open.empty()) {
        const std::size_t p = open.top().second;
        open.pop();
        const int l = static_cast<int>(p / col);
        const int c = static_cast<int>(p % col);
        for (int d = 0; d < 8; ++d) {
            const int nl = l + kDl[d];
            const int nc = c + kDc[d];
            if (nl < 0 || nc < 0 || nl >= lig || nc >= col) continue;
            const std::size_t q = static_cast<std::size_t>(nl) * col + nc;
            if (closed[q]) continue;
            closed[q] = 1;
            h[q] = std::max(h[q], h[p] + 1);
            push(q);
        }
    }
}

// Whether a drop `a` over one step of kind `a_diag` is steeper than `b` over `b_diag`.
bool steeper(std::uint64_t a, bool a_diag, std::uint64_t b, bool b_diag) {
    if (a_diag == b_diag) return a > b;
    const Wide a2 = static_cast<Wide>(a) * a * (b_diag ? 2 : 1);
    const Wide b2 = static_cast<Wide>(b) * b * (a_diag ? 2 : 1);
    return a2 > b2;  // a / sqrt(2) > b  <=>  a^2 > 2 b^2, and the other way round
}

std::vector<unsigned char> flow_directions(const std::vector<std::uint32_t>& h, int lig, int col) {
    std::vector<unsigned char> dir(h.size(), kOut);
    for (int l = 1; l < lig - 1; ++l) {
        for (int c = 1; c < col - 1; ++c) {
            const std::size_t p = static_cast<std::size_t>(l) * col + c;
            int best = kOut;
            std::uint64_t best_drop = 0;
            for (int d = 0; d < 8; ++d) {
                const std::size_t q = static_cast<std::size_t>(l + kDl[d]) * col + (c + kDc[d]);
                if (h[q] >= h[p]) continue;
                const std::uint64_t drop = h[p] - h[q];
                if (best == kOut || steeper(drop, d & 1, best_drop, best & 1)) {
                    best = d;
                    best_drop = drop;
                }
            }
            dir[p] = static_cast<unsigned char>(best);
        }
    }
    return dir;
}

}  // namespace

TruthNetwork generate_terrain_network(const TerrainOptions& o) {
    if (o.nb_lig < 16 || o.nb_col < 16 || o.nb_lig > 65536 || o.nb_col > 65536 ||
        static_cast<long long>(o.nb_lig) * o.nb_col > (1LL << 31)) {
        throw std::invalid_argument("sizes must lie in 16..65536, 2^31 pixels at most");
    }
    if (o.threshold < 2) throw std::invalid_argument("the threshold must be 2 or more");
    if (o.coarse < 1 || o.coarse > 64 ||
        static_cast<long long>(std::max(o.nb_lig, o.nb_col)) * o.coarse > 65536) {
        throw std::invalid_argument("coarse must lie in 1..64, the fine surface 65536 at most");
    }
    if (o.network_value == o.background) {
        throw std::invalid_argument("network and background values must differ");
    }
    const int lig = o.nb_lig;
    const int col = o.nb_col;
    std::vector<unsigned char> dir;
    {
        std::vector<std::uint32_t> h = surface(o);
        fill(h, lig, col);
        dir = flow_directions(h, lig, col);
    }
    auto receiver = [&](std::size_t p) {
        const int d = dir[p];
        return static_cast<std::size_t>(static_cast<long long>(p) +
                                        kDl[d] * static_cast<long long>(col) + kDc[d]);
    };

    // Pixels in flow order (every pixel after all that flow into it), by peeling sources.
    std::vector<unsigned char> inflows(dir.size(), 0);
    for (std::size_t p = 0; p < dir.size(); ++p) {
        if (dir[p] != kOut) ++inflows[receiver(p)];
    }
    std::vector<std::uint32_t> queue;
    queue.reserve(dir.size());
    for (std::size_t p = 0; p < dir.size(); ++p) {
        if (inflows[p] == 0) queue.push_back(static_cast<std::uint32_t>(p));
    }

    TruthNetwork t;
    t.net.nb_lig = lig;
    t.net.nb_col = col;
    t.net.network_value = o.network_value;
    t.net.background = o.background;
    t.net.cells.assign(dir.size(), o.background);
    t.truth.assign(dir.size(), kOffNetwork);
    t.streams.assign(64, 0);
    std::vector<std::uint32_t> drained(dir.size(), 1);
    std::vector<unsigned char> top(dir.size(), 0);     // highest order of the channel inflows
    std::vector<unsigned char> at_top(dir.size(), 0);  // channel inflows of that order
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const std::size_t p = queue[head];
        const bool channel = drained[p] >= static_cast<unsigned long long>(o.threshold);
        int order = 0;
        if (channel) {
            order = top[p] == 0 ? 1 : std::min(63, top[p] + (at_top[p] >= 2 ? 1 : 0));
            if (order > top[p]) ++t.streams[order];
            t.truth[p] = static_cast<unsigned char>(order);
            t.net.cells[p] = o.network_value;
            t.highest_order = std::max(t.highest_order, order);
        }
        if (dir[p] == kOut) continue;
        const std::size_t q = receiver(p);
        drained[q] += drained[p];
        if (channel) {
            if (order > top[q]) {
                top[q] = static_cast<unsigned char>(order);
                at_top[q] = 1;
            } else if (order == top[q]) {
                ++at_top[q];
            }
        }
        if (--inflows[q] == 0) queue.push_back(static_cast<std::uint32_t>(q));
    }
    t.streams.resize(static_cast<std::size_t>(t.highest_order) + 1);
    return t;
}
