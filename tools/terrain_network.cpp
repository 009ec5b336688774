// Surface, accumulation and Strahler orders of a terrain network (filling and D8 flow in
// tools/terrain_flow.h), all in integers: heights are in units of 2^-24 of the relief, so the
// one-unit rise across a filled flat is far below any drop of the surface itself.

#include "tools/terrain_network.h"

#include <algorithm>
#include <initializer_list>
#include <stdexcept>
#include <utility>

#include "tools/prng.h"
#include "tools/terrain_flow.h"
#include "tools/terrain_shapes.h"

namespace {

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
    for (int shape : {o.flats, o.zigzag, o.beside}) {
        if (shape < 0 || shape > 100) throw std::invalid_argument("shapes must lie in 0..100");
    }
    if (o.network_value == o.background) {
        throw std::invalid_argument("network and background values must differ");
    }
    const int lig = o.nb_lig;
    const int col = o.nb_col;
    const int size = std::max(lig, col);
    std::vector<unsigned char> dir;
    {
        std::vector<std::uint32_t> h = surface(o);
        if (o.flats > 0) flatten_terraces(h, size, o.flats);
        if (o.zigzag > 0) add_washboard(h, lig, col, size, o.zigzag);
        fill_depressions(h, lig, col);
        if (o.beside > 0) {
            carve_beside(h, d8_directions(h, lig, col), lig, col, o.threshold, o.beside, o.seed);
            fill_depressions(h, lig, col);
        }
        dir = d8_directions(h, lig, col);
    }
    const std::vector<std::uint32_t> queue = flow_order(dir, col);

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
    for (const std::size_t p : queue) {
        const bool channel = drained[p] >= static_cast<unsigned long long>(o.threshold);
        int order = 0;
        if (channel) {
            order = top[p] == 0 ? 1 : std::min(63, top[p] + (at_top[p] >= 2 ? 1 : 0));
            if (order > top[p]) ++t.streams[order];
            t.truth[p] = static_cast<unsigned char>(order);
            t.net.cells[p] = o.network_value;
            t.highest_order = std::max(t.highest_order, order);
        }
        if (dir[p] == kFlowOut) continue;
        const std::size_t q = flow_receiver(dir, p, col);
        drained[q] += drained[p];
        if (channel) {
            if (order > top[q]) {
                top[q] = static_cast<unsigned char>(order);
                at_top[q] = 1;
            } else if (order == top[q]) {
                ++at_top[q];
            }
        }
    }
    t.streams.resize(static_cast<std::size_t>(t.highest_order) + 1);
    t.flow = std::move(dir);
    return t;
}
