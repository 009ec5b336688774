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
#include <string>
#include <vector>

#include "base/nrutil.h"
#include "dialogue/run_state.h"
#include "engine/pass_events.h"
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
