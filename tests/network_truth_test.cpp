// Drawn and terrain networks with their truth: repeatable, truth in agreement with the cells and
// with the stream counts, stair-step strokes, braids as closed loops, a drawn network touching
// the border only at its outlet, terrain channels all draining to the border.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/drawn_network.h"
#include "tools/terrain_network.h"

namespace {

constexpr int kDl[8] = {-1, -1, 0, 1, 1, 1, 0, -1};  // odd directions are diagonal
constexpr int kDc[8] = {0, 1, 1, 1, 0, -1, -1, -1};

DrawnOptions drawn(int lig, int col, std::uint64_t seed) {
    DrawnOptions o;
    o.nb_lig = lig;
    o.nb_col = col;
    o.seed = seed;
    return o;
}

bool inside(const Network& net, int i, int j) {
    return i >= 0 && j >= 0 && i < net.nb_lig && j < net.nb_col;
}

// Pixels marked `from` reachable from the pixels marked 2, through 4 or 8 neighbours; marks
// them 2 and returns how many there are.
long long flood(const Network& net, std::vector<char>& mark, char from, bool eight) {
    std::vector<int> stack;
    for (int p = 0; p < static_cast<int>(mark.size()); ++p) {
        if (mark[p] == 2) stack.push_back(p);
    }
    long long reached = static_cast<long long>(stack.size());
    while (!stack.empty()) {
        const int p = stack.back();
        stack.pop_back();
        for (int d = 0; d < 8; d += eight ? 1 : 2) {
            const int i = p / net.nb_col + kDl[d];
            const int j = p % net.nb_col + kDc[d];
            if (!inside(net, i, j) || mark[i * net.nb_col + j] != from) continue;
            mark[i * net.nb_col + j] = 2;
            stack.push_back(i * net.nb_col + j);
            ++reached;
        }
    }
    return reached;
}

// Network components through 4 or 8 neighbours.
int components(const Network& net, bool eight) {
    std::vector<char> mark(net.cells.size());
    for (std::size_t p = 0; p < mark.size(); ++p) mark[p] = net.cells[p] == net.network_value;
    int count = 0;
    for (std::size_t p = 0; p < mark.size(); ++p) {
        if (mark[p] != 1) continue;
        mark[p] = 2;
        flood(net, mark, 1, eight);
        for (char& m : mark) m = m == 2 ? 3 : m;
        ++count;
    }
    return count;
}

// Background pixels that the border cannot reach: through 4 neighbours past 8-connected lines,
// through 8 neighbours past 4-connected ones.
long long enclosed(const Network& net, bool four_connected_lines) {
    std::vector<char> mark(net.cells.size());
    long long background = 0;
    for (int i = 0; i < net.nb_lig; ++i) {
        for (int j = 0; j < net.nb_col; ++j) {
            const std::size_t p = static_cast<std::size_t>(i) * net.nb_col + j;
            const bool off = net.cells[p] != net.network_value;
            background += off;
            const bool border = i == 0 || j == 0 || i == net.nb_lig - 1 || j == net.nb_col - 1;
            mark[p] = off ? (border ? 2 : 1) : 0;
        }
    }
    return background - flood(net, mark, 1, four_connected_lines);
}

// What holds for every truth: values agree with the cells, the stream counts are those of a
// Strahler tree (each stream of order k begins where two or more of order k - 1 end), and every
// order has scored pixels.
void expect_sound_truth(const TruthNetwork& t) {
    const Network& net = t.net;
    ASSERT_EQ(net.cells.size(), static_cast<std::size_t>(net.nb_lig) * net.nb_col);
    ASSERT_EQ(t.truth.size(), net.cells.size());
    ASSERT_GE(t.highest_order, 1);
    std::vector<long long> pixels(64, 0);
    for (std::size_t p = 0; p < net.cells.size(); ++p) {
        const unsigned char v = t.truth[p];
        if (net.cells[p] != net.network_value) {
            ASSERT_EQ(net.cells[p], net.background) << "pixel " << p;
            ASSERT_EQ(v, kOffNetwork) << "pixel " << p;
            continue;
        }
        ASSERT_TRUE(v == kJunctionZone || (v >= 1 && v <= t.highest_order))
            << "pixel " << p << " truth " << int{v};
        if (v != kJunctionZone) ++pixels[v];
    }
    ASSERT_EQ(t.streams.size(), static_cast<std::size_t>(t.highest_order) + 1);
    EXPECT_EQ(t.streams[0], 0);
    EXPECT_GE(t.streams[t.highest_order], 1);
    for (int k = 1; k <= t.highest_order; ++k) {
        EXPECT_GE(pixels[k], 1) << "order " << k;
        EXPECT_GE(t.streams[k], 1) << "order " << k;
        if (k >= 2) {
            EXPECT_GE(t.streams[k - 1], 2 * t.streams[k]) << "order " << k;
        }
    }
}

// Scored pixels of a drawn network are drawn by one piece of the tree and touch no other piece:
// two 8-adjacent scored pixels have one order. The network is one tree touching the border at its
// outlet alone; the outlet's one neighbour is the only other pixel within 2 of the border. On an
// 8-connected drawing a scored pixel lies inside one straight line: one or two network neighbours
// (three or four beside the bend of a sharp V or the neck of a U-turn, whose lines touch there).
void expect_drawn_shape(const TruthNetwork& t, bool four_connected) {
    const Network& net = t.net;
    long long scored = 0;
    long long all = 0;
    int near_border = 0;
    for (int i = 0; i < net.nb_lig; ++i) {
        for (int j = 0; j < net.nb_col; ++j) {
            const unsigned char v = t.truth[static_cast<std::size_t>(i) * net.nb_col + j];
            if (v == kOffNetwork) continue;
            ++all;
            const int edge =
                std::min(std::min(i, j), std::min(net.nb_lig - 1 - i, net.nb_col - 1 - j));
            if (edge == 0) {
                EXPECT_TRUE(i == net.outlet_lig && j == net.outlet_col) << i << " " << j;
            }
            if (edge <= 1) ++near_border;
            if (v == kJunctionZone) continue;
            ++scored;
            int neighbours = 0;
            for (int d = 0; d < 8; ++d) {
                const int a = i + kDl[d];
                const int b = j + kDc[d];
                if (!inside(net, a, b)) continue;
                neighbours += net.on(a, b);
                const unsigned char w = t.truth[static_cast<std::size_t>(a) * net.nb_col + b];
                if (w < kJunctionZone) {
                    EXPECT_EQ(w, v) << "at " << i << " " << j;
                }
            }
            if (!four_connected && t.vbends == 0 && t.uturns == 0) {
                EXPECT_TRUE(neighbours == 1 || neighbours == 2) << "at " << i << " " << j;
            }
        }
    }
    EXPECT_EQ(near_border, 2);
    EXPECT_EQ(components(net, true), 1);
    EXPECT_GT(scored * 4, all * 3);  // junction zones stay small
}

// What holds for every terrain: border pixels flow out of the image and inner ones into a
// neighbour, every pixel drains to the border (the flow has no cycle), the channels are the
// pixels draining `threshold` or more, and each channel pixel's truth is Strahler's rule on the
// channel pixels flowing into it.
void expect_flow_tree_truth(const TruthNetwork& t, long long threshold) {
    const Network& net = t.net;
    const int col = net.nb_col;
    ASSERT_EQ(t.flow.size(), net.cells.size());
    auto receiver = [&](std::size_t p) {
        return static_cast<std::size_t>(static_cast<long long>(p) + kDl[t.flow[p]] * col +
                                        kDc[t.flow[p]]);
    };
    std::vector<int> inflows(net.cells.size(), 0);
    for (std::size_t p = 0; p < net.cells.size(); ++p) {
        const int i = static_cast<int>(p) / col;
        const int j = static_cast<int>(p) % col;
        const bool border = i == 0 || j == 0 || i == net.nb_lig - 1 || j == col - 1;
        ASSERT_EQ(t.flow[p] == 8, border) << "pixel " << p;
        if (!border) ++inflows[receiver(p)];
    }
    std::vector<std::size_t> queue;
    for (std::size_t p = 0; p < net.cells.size(); ++p) {
        if (inflows[p] == 0) queue.push_back(p);
    }
    std::vector<long long> drained(net.cells.size(), 1);
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const std::size_t p = queue[head];
        if (t.flow[p] == 8) continue;
        drained[receiver(p)] += drained[p];
        if (--inflows[receiver(p)] == 0) queue.push_back(receiver(p));
    }
    ASSERT_EQ(queue.size(), net.cells.size());  // no cycle: every pixel reaches the border
    for (std::size_t p = 0; p < net.cells.size(); ++p) {
        ASSERT_EQ(net.cells[p] == net.network_value, drained[p] >= threshold) << "pixel " << p;
        if (drained[p] < threshold) continue;
        int top = 0;
        int at_top = 0;
        for (int d = 0; d < 8; ++d) {
            const int i = static_cast<int>(p) / col + kDl[d];
            const int j = static_cast<int>(p) % col + kDc[d];
            const std::size_t q = static_cast<std::size_t>(i) * col + j;
            if (!inside(net, i, j) || t.flow[q] == 8 || receiver(q) != p || !net.on(i, j)) continue;
            at_top = t.truth[q] == top ? at_top + 1 : t.truth[q] > top ? 1 : at_top;
            top = std::max<int>(top, t.truth[q]);
        }
        ASSERT_EQ(t.truth[p], top == 0 ? 1 : top + (at_top >= 2)) << "pixel " << p;
    }
}

}  // namespace

TEST(NetworkTruth, SameOptionsSameNetworkOnEveryMachine) {
    DrawnOptions o = drawn(96, 128, 5);
    const TruthNetwork a = generate_drawn_network(o);
    EXPECT_EQ(truth_checksum(a), truth_checksum(generate_drawn_network(o)));
    EXPECT_EQ(truth_checksum(a), 0x24d2a96ddbcc0cb0ULL);
    o.four_connected = true;
    o.braids = 2;
    EXPECT_EQ(truth_checksum(generate_drawn_network(o)), 0x617d2ec8f5104de5ULL);
    o.seed = 6;
    EXPECT_NE(generate_drawn_network(o).net.cells, a.net.cells);
    DrawnOptions bent = drawn(96, 128, 5);
    bent.vbends = 100;
    const TruthNetwork v = generate_drawn_network(bent);
    EXPECT_EQ(v.vbends, 3);
    EXPECT_EQ(truth_checksum(v), 0x24ecc0966dd2dca9ULL);

    TerrainOptions g;
    g.nb_lig = 96;
    g.nb_col = 128;
    g.seed = 5;
    g.threshold = 12;
    const TruthNetwork b = generate_terrain_network(g);
    EXPECT_EQ(truth_checksum(b), truth_checksum(generate_terrain_network(g)));
    EXPECT_EQ(truth_checksum(b), 0x0931dc9007098092ULL);
    g.seed = 6;
    EXPECT_NE(generate_terrain_network(g).net.cells, b.net.cells);
    g.seed = 5;
    g.coarse = 4;
    const TruthNetwork c = generate_terrain_network(g);
    EXPECT_EQ(truth_checksum(c), truth_checksum(generate_terrain_network(g)));
    EXPECT_NE(c.net.cells, b.net.cells);
}

TEST(NetworkTruth, DrawnTruthAgreesWithTheCellsTheTreeAndTheBorder) {
    for (std::uint64_t seed = 1; seed <= 3; ++seed) {
        for (bool four : {false, true}) {
            SCOPED_TRACE("seed " + std::to_string(seed) + (four ? " four" : " eight"));
            DrawnOptions o = drawn(300, 300, seed);
            o.four_connected = four;
            o.network_value = 7;
            o.background = 0;
            const TruthNetwork t = generate_drawn_network(o);
            expect_sound_truth(t);
            expect_drawn_shape(t, four);
            EXPECT_GE(t.streams[1], 100);  // the default: 100..140 sources, orders 1..5 or so
            EXPECT_LE(t.streams[1], 140);
            EXPECT_GE(t.highest_order, 4);
        }
    }
    DrawnOptions few = drawn(64, 200, 9);  // a narrow image and a wanted count of sources
    few.sources = 12;
    const TruthNetwork t = generate_drawn_network(few);
    expect_sound_truth(t);
    expect_drawn_shape(t, false);
    EXPECT_EQ(t.streams[1], 12);
}

TEST(NetworkTruth, FourConnectedStrokesAreStairSteps) {
    DrawnOptions o = drawn(200, 200, 4);
    const TruthNetwork eight = generate_drawn_network(o);
    o.four_connected = true;
    const TruthNetwork four = generate_drawn_network(o);
    // Along a stroke (two scored pixels touch only within one piece) a four-connected line never
    // steps diagonally without a pixel in the corner; an 8-connected one does.
    auto diagonal_only = [](const TruthNetwork& t) {
        const Network& net = t.net;
        long long n = 0;
        for (int i = 0; i + 1 < net.nb_lig; ++i) {
            for (int j = 0; j < net.nb_col; ++j) {
                for (int dc : {-1, 1}) {
                    if (j + dc < 0 || j + dc >= net.nb_col) continue;
                    const auto at = [&](int a, int b) {
                        return t.truth[static_cast<std::size_t>(a) * net.nb_col + b];
                    };
                    if (at(i, j) >= kJunctionZone || at(i + 1, j + dc) >= kJunctionZone) continue;
                    n += !net.on(i + 1, j) && !net.on(i, j + dc);
                }
            }
        }
        return n;
    };
    EXPECT_EQ(diagonal_only(four), 0);
    EXPECT_GT(diagonal_only(eight), 10);
    EXPECT_EQ(components(four.net, false), 1);  // the whole tree, steps and junctions included
    EXPECT_GT(components(eight.net, false), 10);
    expect_drawn_shape(four, true);
}

TEST(NetworkTruth, BraidsAreClosedLoopsOfTheirStream) {
    for (bool four : {false, true}) {
        SCOPED_TRACE(four ? "four" : "eight");
        DrawnOptions o = drawn(200, 240, 3);
        o.four_connected = four;
        const TruthNetwork plain = generate_drawn_network(o);
        o.braids = 5;
        const TruthNetwork braided = generate_drawn_network(o);
        EXPECT_EQ(plain.braids, 0);
        EXPECT_EQ(braided.braids, 5);
        // A junction may wall in a pixel or two; each loop holds more background inside.
        const long long walled = enclosed(plain.net, four);
        EXPECT_LE(walled, 3);
        EXPECT_GE(enclosed(braided.net, four), walled + 5 * 4);
        // Same tree, same orders: a braid changes pixels, not the streams.
        EXPECT_EQ(braided.streams, plain.streams);
        expect_sound_truth(braided);
        expect_drawn_shape(braided, four);
    }
}

TEST(NetworkTruth, SharpBendsAndUTurnsAreOneStreamEach) {
    for (bool four : {false, true}) {
        SCOPED_TRACE(four ? "four" : "eight");
        DrawnOptions o = drawn(300, 300, 1);
        o.four_connected = four;
        o.vbends = 40;
        o.uturns = 100;
        o.braids = 2;
        const TruthNetwork t = generate_drawn_network(o);
        EXPECT_GE(t.vbends, 4);
        EXPECT_GE(t.uturns, 2);
        expect_sound_truth(t);
        // The pixels of bends and U-turns are scored with the order of their stroke.
        expect_drawn_shape(t, four);
        if (four) continue;
        // On 8-connected strokes every bend shows as the one shape no straight line draws: a
        // pixel with two network neighbours that touch each other, scored (not a junction);
        // every U-turn walls in the background inside its loop.
        const Network& net = t.net;
        int apexes = 0;
        for (int i = 1; i + 1 < net.nb_lig; ++i) {
            for (int j = 1; j + 1 < net.nb_col; ++j) {
                const unsigned char v = t.truth[static_cast<std::size_t>(i) * net.nb_col + j];
                if (v >= kJunctionZone) continue;
                std::vector<int> near;
                for (int d = 0; d < 8; ++d) {
                    if (net.on(i + kDl[d], j + kDc[d])) near.push_back(d);
                }
                if (near.size() != 2) continue;
                const int di = kDl[near[0]] - kDl[near[1]];
                const int dj = kDc[near[0]] - kDc[near[1]];
                apexes += std::max(std::abs(di), std::abs(dj)) == 1;
            }
        }
        EXPECT_EQ(apexes, t.vbends);
        EXPECT_GE(enclosed(net, false), 8LL * t.uturns);
    }
}

TEST(NetworkTruth, TerrainChannelsAllDrainToTheBorder) {
    // Seeds 4 and 5 on a coarse grid (each pixel 8 x 8 pixels of the surface drawn finely).
    for (std::uint64_t seed = 1; seed <= 5; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TerrainOptions o;
        o.nb_lig = 150;
        o.nb_col = 170;
        o.seed = seed;
        o.threshold = 15 + 10 * static_cast<long long>(seed);
        o.coarse = seed >= 4 ? 8 : 1;
        const TruthNetwork t = generate_terrain_network(o);
        expect_sound_truth(t);
        EXPECT_GE(t.highest_order, 3);
        const Network& net = t.net;
        std::vector<char> mark(net.cells.size(), 0);
        for (int i = 0; i < net.nb_lig; ++i) {
            for (int j = 0; j < net.nb_col; ++j) {
                const std::size_t p = static_cast<std::size_t>(i) * net.nb_col + j;
                if (!net.on(i, j)) continue;
                const bool border = i == 0 || j == 0 || i == net.nb_lig - 1 || j == net.nb_col - 1;
                mark[p] = border ? 2 : 1;
                EXPECT_NE(t.truth[p], kJunctionZone);  // every channel pixel is scored
                // A pixel of order k >= 2 has an inflow beside it, of order k or k - 1.
                const int k = t.truth[p];
                if (k < 2) continue;
                bool inflow = false;
                for (int d = 0; d < 8; ++d) {
                    const int a = i + kDl[d];
                    const int b = j + kDc[d];
                    if (!inside(net, a, b)) continue;
                    const int w = t.truth[static_cast<std::size_t>(a) * net.nb_col + b];
                    inflow = inflow || w == k || w == k - 1;
                }
                EXPECT_TRUE(inflow) << i << " " << j;
            }
        }
        flood(net, mark, 1, true);
        for (std::size_t p = 0; p < mark.size(); ++p) ASSERT_NE(mark[p], 1) << "pixel " << p;
    }
}

TEST(NetworkTruth, TerrainShapesKeepTheTruthOfTheFlowTree) {
    // Each shape changes only the surface, so the truth is the flow tree's; and each makes what it
    // is for far more often than the plain terrains of the same seeds. Counted on pairs of
    // channel pixels that touch with neither flowing into the other: "rungs", touching at a corner
    // and flowing side by side in the same diagonal direction (a ladder of closed diamonds);
    // "beside", meeting two to six pixels below both (a tributary beside its stem). "Turns": a
    // channel pixel that flows diagonally, entered diagonally at a right angle (a zig-zag).
    struct Made {
        long long rungs = 0, beside = 0, turns = 0;
    };
    Made made[4];  // plain, flats, zigzag, beside
    for (std::uint64_t seed = 1; seed <= 3; ++seed) {
        for (int shape = 0; shape < 4; ++shape) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " shape " + std::to_string(shape));
            TerrainOptions o;
            o.nb_lig = 150;
            o.nb_col = 170;
            o.seed = seed;
            o.threshold = 30;
            o.coarse = seed == 3 ? 4 : 1;
            (shape == 1 ? o.flats : shape == 2 ? o.zigzag : o.beside) = shape == 0 ? 0 : 60;
            const TruthNetwork t = generate_terrain_network(o);
            expect_sound_truth(t);
            expect_flow_tree_truth(t, o.threshold);
            const Network& net = t.net;
            const int col = net.nb_col;
            auto down = [&](std::size_t p) {  // the pixel p flows into, p itself at the border
                return t.flow[p] == 8 ? p : p + kDl[t.flow[p]] * col + kDc[t.flow[p]];
            };
            Made& m = made[shape];
            for (std::size_t p = 0; p < net.cells.size(); ++p) {
                if (net.cells[p] != net.network_value) continue;
                for (int d = 0; d < 8; ++d) {
                    const int i = static_cast<int>(p) / col + kDl[d];
                    const int j = static_cast<int>(p) % col + kDc[d];
                    if (!inside(net, i, j) || !net.on(i, j)) continue;
                    const std::size_t q = static_cast<std::size_t>(i) * col + j;
                    const int a = t.flow[p];
                    const int b = t.flow[q];
                    m.turns += down(q) == p && (a & 1) && (b & 1) && (a - b + 8) % 4 == 2;
                    if (q < p || down(p) == q || down(q) == p) continue;  // each pair once
                    m.rungs += (d & 1) && a == b && (a & 1) && (a - d + 8) % 4 == 2;
                    std::vector<std::size_t> below{p};
                    for (int k = 0; k < 6; ++k) below.push_back(down(below.back()));
                    std::size_t r = q;
                    for (int k = 0; k <= 6; ++k, r = down(r)) {
                        const auto at = std::find(below.begin(), below.end(), r) - below.begin();
                        if (at == 7) continue;
                        m.beside += k >= 2 && at >= 2;
                        break;
                    }
                }
            }
        }
    }
    EXPECT_GT(made[1].rungs, 3 * made[0].rungs);        // 244 against 47
    EXPECT_GT(made[2].turns, 4 * made[0].turns);        // 1965 against 250
    EXPECT_GT(made[3].beside, made[0].beside * 5 / 4);  // 836 against 583
    TerrainOptions all;  // the three at once, the same on every machine
    all.nb_lig = 96;
    all.nb_col = 128;
    all.seed = 5;
    all.threshold = 12;
    all.flats = all.zigzag = all.beside = 50;
    EXPECT_EQ(truth_checksum(generate_terrain_network(all)), 0x9b67cf25b7bfaf3dULL);
}

TEST(NetworkTruth, RefusesOptionsItCannotHonour) {
    DrawnOptions d = drawn(15, 64, 1);
    EXPECT_THROW(generate_drawn_network(d), std::invalid_argument);
    d = drawn(64, 64, 1);
    d.braids = -1;
    EXPECT_THROW(generate_drawn_network(d), std::invalid_argument);
    for (int percent : {-1, 101}) {
        d = drawn(64, 64, 1);
        d.vbends = percent;
        EXPECT_THROW(generate_drawn_network(d), std::invalid_argument);
        d = drawn(64, 64, 1);
        d.uturns = percent;
        EXPECT_THROW(generate_drawn_network(d), std::invalid_argument);
    }
    d = drawn(64, 64, 1);
    d.background = d.network_value;
    EXPECT_THROW(generate_drawn_network(d), std::invalid_argument);
    TerrainOptions g;
    g.threshold = 1;
    EXPECT_THROW(generate_terrain_network(g), std::invalid_argument);
    g.threshold = 10;
    g.nb_col = 70000;
    EXPECT_THROW(generate_terrain_network(g), std::invalid_argument);
    g.nb_col = 300;
    g.coarse = 0;
    EXPECT_THROW(generate_terrain_network(g), std::invalid_argument);
    g.coarse = 219;  // 300 x 219 pixels of the surface: more than 65536
    EXPECT_THROW(generate_terrain_network(g), std::invalid_argument);
    g.coarse = 1;
    for (int percent : {-1, 101}) {
        for (int* shape : {&g.flats, &g.zigzag, &g.beside}) {
            *shape = percent;
            EXPECT_THROW(generate_terrain_network(g), std::invalid_argument);
            *shape = 0;
        }
    }
    g.coarse = 64;  // 19 200
    g.nb_lig = g.nb_col = 16;
    EXPECT_NO_THROW(generate_terrain_network(g));
}
