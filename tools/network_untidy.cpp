// Untidy networks: the faults that hand-drawn or converted drainage images carry, so that
// engines can be compared on more than clean trees. The features go anywhere, on the network or
// off it, and may overlap each other.

#include <algorithm>
#include <cstdlib>

#include "tools/network_generator.h"
#include "tools/prng.h"

namespace {

constexpr int kDr[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
constexpr int kDc[8] = {0, 1, 1, 1, 0, -1, -1, -1};

void put(Network& net, int i, int j, unsigned char v) {
    if (i >= 0 && j >= 0 && i < net.nb_lig && j < net.nb_col) net.row(i)[j] = v;
}

// A wandering 8-connected line of `length` pixels that mostly keeps its direction.
void wander(Network& net, Prng& rng, int i, int j, int d, int length) {
    for (int s = 0; s < length; ++s) {
        put(net, i, j, net.network_value);
        const int turn = static_cast<int>(rng.below(8));
        if (turn == 0) d = (d + 1) & 7;
        if (turn == 1) d = (d + 7) & 7;
        i += kDr[d];
        j += kDc[d];
    }
}

// A line of four-connected steps: every step an L of three pixels.
void stairs(Network& net, int i, int j, int steps) {
    for (int s = 0; s < steps; ++s) {
        put(net, i, j, net.network_value);
        put(net, i, j + 1, net.network_value);
        ++i;
        ++j;
    }
}

}  // namespace

void add_untidy_features(Network& net, std::uint64_t seed) {
    Prng rng{seed};
    std::vector<std::size_t> on_network;
    for (std::size_t p = 0; p < net.cells.size(); ++p) {
        if (net.cells[p] == net.network_value) on_network.push_back(p);
    }
    const long long features =
        std::max<long long>(12, static_cast<long long>(net.cells.size()) / 2048);
    const auto lig = static_cast<std::uint32_t>(net.nb_lig);
    const auto col = static_cast<std::uint32_t>(net.nb_col);
    for (long long f = 0; f < features; ++f) {
        const int kind = static_cast<int>(rng.below(9));
        int i = static_cast<int>(rng.below(lig));
        int j = static_cast<int>(rng.below(col));
        if (kind <= 2 && !on_network.empty()) {  // next to the network
            const std::size_t p = on_network[rng.next() % on_network.size()];
            i = static_cast<int>(p / col);
            j = static_cast<int>(p % col);
        }
        const int d = static_cast<int>(rng.below(8));
        switch (kind) {
            case 0:  // a spur of one pixel: a group of junction pixels or a short side branch
                put(net, i + kDr[d], j + kDc[d], net.network_value);
                break;
            case 1:  // a 2 x 2 block on the line
                put(net, i, j + 1, net.network_value);
                put(net, i + 1, j, net.network_value);
                put(net, i + 1, j + 1, net.network_value);
                break;
            case 2:  // a pixel of a value next to the network value, which is background
                put(net, i + kDr[d], j + kDc[d],
                    static_cast<unsigned char>(net.network_value == 0 ? 1 : net.network_value - 1));
                break;
            case 3: {  // a small closed loop
                const int r = 1 + static_cast<int>(rng.below(2));
                for (int a = -r; a <= r; ++a) {
                    put(net, i - r, j + a, net.network_value);
                    put(net, i + r, j + a, net.network_value);
                    put(net, i + a, j - r, net.network_value);
                    put(net, i + a, j + r, net.network_value);
                }
                break;
            }
            case 4:  // a stray line
                wander(net, rng, i, j, d, 2 + static_cast<int>(rng.below(30)));
                break;
            case 5:  // a stray pixel
                put(net, i, j, net.network_value);
                break;
            case 6: {  // a line from the border inwards
                const int side = static_cast<int>(rng.below(4));
                if (side == 0) i = 0;
                if (side == 1) j = net.nb_col - 1;
                if (side == 2) i = net.nb_lig - 1;
                if (side == 3) j = 0;
                wander(net, rng, i, j, (side * 2 + 4) & 7, 1 + static_cast<int>(rng.below(20)));
                break;
            }
            case 7:  // a four-connected line
                stairs(net, i, j, 2 + static_cast<int>(rng.below(6)));
                break;
            default:  // an erased-looking pixel (255) or a stray grey value
                put(net, i, j, static_cast<unsigned char>(rng.below(256)));
                break;
        }
    }
}
