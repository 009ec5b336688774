// The engine gives the same outputs with 1, 2 and 3 threads: the order image, the points and
// network images of every pass (what the step images show), every walk of every report and the
// totals, on networks large enough to be split into three bands of lines. And the walks that go
// side by side give what walking every start in order gives (as the walks of a run with step
// images go).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/nrutil.h"
#include "dialogue/run_state.h"
#include "engine/groups.h"
#include "engine/holes.h"
#include "engine/order.h"
#include "engine/pass_events.h"
#include "engine/point_updates.h"
#include "run/engine_run.h"
#include "tools/drawn_network.h"
#include "tools/network_generator.h"
#include "tools/terrain_network.h"

namespace {

// A 64-bit FNV-1a of a grid's cells, as text ("none" for a grid not made).
std::string grid_bytes(const ByteGrid& g, int nb_lig, int nb_col) {
    if (!g) return " none";
    std::uint64_t h = 14695981039346656037ull;
    for (int i = 0; i < nb_lig; ++i) {
        for (int j = 0; j < nb_col; ++j) h = (h ^ g[i][j]) * 1099511628211ull;
    }
    return " " + std::to_string(h);
}

// Everything the engine hands to its front end, as text.
struct Record final : PassEvents {
    const RunState& s;
    bool grids;  // with what the step images show
    std::string text;
    Record(const RunState& state, bool with_grids) : s(state), grids(with_grids) {}
    void pass_begins(int k, const std::string& border) override {
        text += "begins " + std::to_string(k) + border;
        // The step images: the points of the pass and the network left.
        if (grids) {
            text += grid_bytes(s.tab2, s.nb_lig, s.nb_col) + grid_bytes(s.tab1, s.nb_lig, s.nb_col);
        }
    }
    void pass_ends(int k, const PassWalks& w) override {
        text += "ends " + std::to_string(k);
        for (std::size_t n = 0; n < w.segm_points.size(); ++n) {
            char one[96];
            std::snprintf(one, sizeof one, " %d %.17g %d", w.segm_points[n], w.segm_dist[n],
                          w.segm_counted[n]);
            text += one;
        }
    }
};

std::string outputs(const Network& net, int threads, bool steps, bool grids = true) {
    RunState s;
    s.nb_lig = net.nb_lig;
    s.nb_col = net.nb_col;
    s.dpix_size = 25.0;
    s.val_red = net.network_value;
    s.Num_order = 14;  // beyond the highest order of both networks: the last passes are empty
    s.save_step = steps ? 1 : 0;
    s.threads = threads;
    s.tab1 = ByteGrid(ucmatrice_unset(s.nb_col, s.nb_lig), s.nb_lig);
    s.tab5 = ByteGrid(ucmatrice_unset(s.nb_col, s.nb_lig), s.nb_lig);
    if (steps) s.tab2 = ByteGrid(ucmatrice_unset(s.nb_col, s.nb_lig), s.nb_lig);
    std::memcpy(s.tab1[0], net.cells.data(), net.cells.size());
    Record r(s, grids);
    run_engine(s, r);
    char totals[160];
    std::snprintf(totals, sizeof totals, "total %.17g loops %lld borderless %d", s.red_length,
                  s.loop_pixels, s.borderless_parts);
    std::string segments;
    for (int n : s.num_segm) segments += " " + std::to_string(n);
    return r.text + totals + segments + " result" + grid_bytes(s.tab5, s.nb_lig, s.nb_col);
}

}  // namespace

TEST(EngineThreads, OneTwoAndThreeThreadsGiveTheSameOutputs) {
    NetworkOptions clean;
    clean.nb_lig = 1700;  // 3.4 million cells: three bands with three threads
    clean.nb_col = 2000;
    clean.seed = 5;
    DrawnOptions drawn;
    drawn.nb_lig = 1700;
    drawn.nb_col = 2000;
    drawn.seed = 6;
    drawn.braids = 30;  // closed loops: the network is put back and run again
    // Channels that touch: groups of every size, run through by walks of every order.
    TerrainOptions terrain;
    terrain.nb_lig = 700;
    terrain.nb_col = 900;
    terrain.seed = 7;
    terrain.threshold = 60;
    const Network nets[] = {generate_network(clean), generate_drawn_network(drawn).net,
                            generate_terrain_network(terrain).net};
    for (const Network& net : nets) {
        for (bool steps : {false, true}) {
            SCOPED_TRACE(steps ? "with step images" : "without step images");
            const std::string one = outputs(net, 1, steps);
            EXPECT_EQ(outputs(net, 2, steps), one);
            EXPECT_EQ(outputs(net, 3, steps), one);
        }
        // Step images make the walks of every pass go in order, one after another.
        EXPECT_EQ(outputs(net, 2, false, false), outputs(net, 1, true, false));
    }
}

TEST(EngineThreads, JunctionGroupsAcrossBandEdgesAreThoseOfOneBand) {
    // Large enough for three bands of lines. Noise across the lines where bands meet (with two
    // threads, 900; with three, 600 and 1200): touching junctions, cut corners and squares in
    // groups of every shape, many cut by an edge; lines two pixels wide from top to bottom, each
    // one loop group through every band; and noise on the image border.
    const int lines = 1800;
    const int columns = 1800;
    std::vector<unsigned char> cells(static_cast<std::size_t>(lines) * columns, 0);
    std::vector<unsigned char> labels(cells.size(), 255);
    std::vector<unsigned char*> rows1;
    std::vector<unsigned char*> rows5;
    for (int i = 0; i < lines; ++i) {
        rows1.push_back(cells.data() + static_cast<std::size_t>(i) * columns);
        rows5.push_back(labels.data() + static_cast<std::size_t>(i) * columns);
    }
    std::mt19937 random(17);
    auto noise = [&](int top, int bottom, int left, int right, unsigned percent) {
        for (int i = top; i < bottom; ++i) {
            for (int j = left; j < right; ++j) {
                if (random() % 100 < percent) rows1[i][j] = 1;
            }
        }
    };
    for (const int edge : {600, 900, 1200}) noise(edge - 30, edge + 30, 0, columns, 40);
    noise(0, 20, 0, columns, 45);
    noise(0, lines, 0, 20, 45);
    for (const int j : {300, 1001, 1502}) {
        for (int i = 5; i < lines - 5; ++i) rows1[i][j] = rows1[i][j + 1] = 1;
    }
    WalkGrids g{rows1.data(), nullptr, rows5.data(), 1, lines, columns};
    const Classified classified = classify_all(g, 1);
    g.cut_corners = classified.cut_corners;
    const std::vector<PixelIndex> loops = closed_loops(g, 1);
    const Groups one =
        make_groups(g, classified.touching_junctions, classified.between_junctions, loops, 1);
    ASSERT_GT(one.list.size(), 1000u);
    // The groups in the order of their first pixels, their pixels sorted and in the map.
    std::size_t pixels = 0;
    int through = 0;  // groups through every band
    for (std::size_t k = 0; k < one.list.size(); ++k) {
        const Group& group = one.list[k];
        ASSERT_TRUE(std::is_sorted(group.pixels.begin(), group.pixels.end()));
        if (k > 0) {
            ASSERT_LT(one.list[k - 1].pixels[0], group.pixels[0]);
        }
        for (const PixelIndex p : group.pixels) {
            ASSERT_EQ(one.of.find(p), static_cast<int>(k));
        }
        pixels += group.pixels.size();
        through += group.pixels.front() < 500 * columns && group.pixels.back() > 1300 * columns;
    }
    EXPECT_EQ(one.of.keys.size(), pixels);
    EXPECT_GE(through, 3);
    EXPECT_TRUE(
        std::all_of(labels.begin(), labels.end(), [](unsigned char v) { return v == 255; }));
    for (const int threads : {2, 3}) {
        SCOPED_TRACE(threads);
        // The classification's lists too: a pixel on the line above a band's first line is not
        // listed again by the band.
        const Classified again = classify_all(g, threads);
        EXPECT_EQ(again.touching_junctions, classified.touching_junctions);
        EXPECT_EQ(again.between_junctions, classified.between_junctions);
        EXPECT_EQ(again.ends, classified.ends);
        const Groups more = make_groups(g, classified.touching_junctions,
                                        classified.between_junctions, loops, threads);
        ASSERT_EQ(more.list.size(), one.list.size());
        for (std::size_t k = 0; k < one.list.size(); ++k) {
            const Group& a = one.list[k];
            const Group& b = more.list[k];
            ASSERT_EQ(b.pixels, a.pixels) << "group " << k;
            ASSERT_EQ(b.links.size(), a.links.size()) << "group " << k;
            for (std::size_t n = 0; n < a.links.size(); ++n) {
                ASSERT_EQ(b.links[n].inside, a.links[n].inside) << "group " << k;
                ASSERT_EQ(b.links[n].outside, a.links[n].outside) << "group " << k;
            }
            ASSERT_EQ(b.degree, a.degree) << "group " << k;
            ASSERT_EQ(b.border, a.border) << "group " << k;
            ASSERT_EQ(b.loop, a.loop) << "group " << k;
        }
        EXPECT_EQ(more.of.keys, one.of.keys);
        EXPECT_EQ(more.of.values, one.of.values);
        EXPECT_EQ(more.of.line_at, one.of.line_at);
    }
}

TEST(EngineThreads, AGridWithoutLinesOrColumnsOrdersNothing) {
    // No line to share out between threads: one band, nothing walked, nothing written, with
    // every reading of the network.
    struct Quiet final : PassEvents {
        int passes = 0;
        void pass_begins(int, const std::string&) override {}
        void pass_ends(int, const PassWalks&) override { ++passes; }
    };
    const int sizes[][2] = {{0, 6}, {6, 0}, {0, 0}};
    for (const auto& size : sizes) {
        const int lines = size[0];
        const int columns = size[1];
        for (const int threads : {1, 2, 3}) {
            for (int reading = 0; reading < 3; ++reading) {
                std::vector<unsigned char> network(8, 0);
                std::vector<unsigned char> orders(8, 7);
                std::vector<unsigned char*> network_rows(static_cast<std::size_t>(lines),
                                                         network.data());
                std::vector<unsigned char*> order_rows(static_cast<std::size_t>(lines),
                                                       orders.data());
                const EngineGrids grids{network_rows.data(), nullptr, order_rows.data(), lines,
                                        columns};
                EngineOptions o;
                o.threads = threads;
                o.pixel_size_m = 25.0;
                o.drawing = reading == 1;
                o.flow_grid = reading == 2;
                Quiet events;
                const EngineResult r = order_network(grids, o, events);
                const std::string what = std::to_string(lines) + "x" + std::to_string(columns) +
                                         " threads " + std::to_string(threads) + " reading " +
                                         std::to_string(reading);
                EXPECT_EQ(r.segments, (std::array<int, kMostOrders + 1>{})) << what;
                EXPECT_EQ(r.total_length, 0.0) << what;
                EXPECT_EQ(r.loop_pixels + r.borderless_parts, 0) << what;
                EXPECT_EQ(network, std::vector<unsigned char>(8, 0)) << what;
                EXPECT_EQ(orders, std::vector<unsigned char>(8, 7)) << what;
            }
        }
    }
}
