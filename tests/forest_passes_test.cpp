// The passes over a forest against the engine's passes over a drawing: when the forest is the
// drawing's own links, everything the two report and leave in the grids is the same, byte for
// byte; when it is not, the forest's links are the ones walked and measured.

#include "engine/forest_passes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "engine/links.h"
#include "engine/neighbours.h"
#include "engine/order.h"
#include "engine/pass_events.h"
#include "engine/walk_grids.h"
#include "tools/network_generator.h"

namespace {

struct Image {
    int lines = 0;
    int columns = 0;
    std::vector<unsigned char> cells;
};

std::vector<unsigned char*> rows_of(std::vector<unsigned char>& cells, int lines, int columns) {
    std::vector<unsigned char*> rows(static_cast<std::size_t>(lines));
    for (int i = 0; i < lines; ++i)
        rows[static_cast<std::size_t>(i)] = cells.data() + std::size_t(i) * columns;
    return rows;
}

// Everything the passes report, the points grid as each pass begins included.
struct Recorder final : PassEvents {
    bool paths = false;
    unsigned char** points = nullptr;
    int lines = 0;
    int columns = 0;
    std::vector<int> begun;
    std::vector<std::string> borders;
    std::vector<std::vector<unsigned char>> points_at_begin;
    std::vector<int> ended;
    std::vector<PassWalks> passes;
    std::optional<std::vector<long long>> flows;

    void pass_begins(int k, const std::string& border_text) override {
        begun.push_back(k);
        borders.push_back(border_text);
        if (points == nullptr) return;
        std::vector<unsigned char> grid;
        for (int i = 0; i < lines; ++i) grid.insert(grid.end(), points[i], points[i] + columns);
        points_at_begin.push_back(std::move(grid));
    }
    void pass_ends(int k, const PassWalks& w) override {
        ended.push_back(k);
        passes.push_back(w);
    }
    bool wants_paths() const override { return paths; }
    void network_done(const std::vector<long long>& f) override { flows = f; }
};

struct Outcome {
    std::vector<unsigned char> network;
    std::vector<unsigned char> points;
    std::vector<unsigned char> orders;
    Recorder events;
    EngineResult result;
};

// The engine on the drawing, or the forest's passes when a forest is given. Points kept means
// step images (the engine keeps them for those alone).
Outcome run(const Image& image, EngineOptions o, bool points, bool paths,
            const FlowForest* forest) {
    Outcome out;
    out.network = image.cells;
    out.orders.assign(image.cells.size(), 0);
    out.points.assign(points ? image.cells.size() : 0, 0);
    std::vector<unsigned char*> network = rows_of(out.network, image.lines, image.columns);
    std::vector<unsigned char*> orders = rows_of(out.orders, image.lines, image.columns);
    std::vector<unsigned char*> codes = rows_of(out.points, image.lines, image.columns);
    const EngineGrids grids{network.data(), points ? codes.data() : nullptr, orders.data(),
                            image.lines, image.columns};
    o.step_images = points;
    out.events.paths = paths;
    out.events.points = grids.points;
    out.events.lines = image.lines;
    out.events.columns = image.columns;
    out.result = forest != nullptr ? forest_passes(grids, o, *forest, out.events)
                                   : order_network(grids, o, out.events);
    out.events.points = nullptr;
    return out;
}

// The forest that is the drawing's links, breadth first from its border pixels; none when a
// part touches the border at more or fewer than one pixel, or holds a closed loop.
std::optional<FlowForest> forest_of_links(Image image, const EngineOptions& o) {
    std::vector<unsigned char*> rows = rows_of(image.cells, image.lines, image.columns);
    WalkGrids g{rows.data(), nullptr, nullptr, o.network_value, image.lines, image.columns};
    g.outside = o.outside_value;
    FlowForest f;
    std::vector<int> slot(image.cells.size(), -1);
    for (std::size_t p = 0; p < image.cells.size(); ++p) {
        if (image.cells[p] != o.network_value) continue;
        slot[p] = static_cast<int>(f.pixels.size());
        f.pixels.push_back(static_cast<PixelIndex>(p));
    }
    f.parent.assign(f.pixels.size(), -1);
    std::vector<char> seen(f.pixels.size(), 0);
    auto links_of = [&](PixelIndex p) {
        const int i = static_cast<int>(p / image.columns);
        const int j = static_cast<int>(p % image.columns);
        std::vector<int> to;
        unsigned loaded = 0;
        for (int n = 0; n < 8; ++n) {
            const int a = i + kNeighbours[n].di;
            const int b = j + kNeighbours[n].dj;
            if (a >= 0 && b >= 0 && a < image.lines && b < image.columns &&
                rows[static_cast<std::size_t>(a)][b] == o.network_value)
                loaded |= 1u << n;
        }
        const unsigned mask = linked(loaded);
        for (int n = 0; n < 8; ++n) {
            if (mask >> n & 1u)
                to.push_back(
                    slot[std::size_t(p + kNeighbours[n].di * image.columns + kNeighbours[n].dj)]);
        }
        return to;
    };
    for (std::size_t root = 0; root < f.pixels.size(); ++root) {
        const PixelIndex p = f.pixels[root];
        if (!g.on_border(static_cast<int>(p / image.columns), static_cast<int>(p % image.columns)))
            continue;
        if (seen[root]) return std::nullopt;  // a second border pixel of a part
        long long pixels = 0;
        long long link_ends = 0;
        std::vector<int> todo{static_cast<int>(root)};
        seen[root] = 1;
        for (std::size_t next = 0; next < todo.size(); ++next) {
            const int s = todo[next];
            ++pixels;
            for (int t : links_of(f.pixels[static_cast<std::size_t>(s)])) {
                ++link_ends;
                if (seen[static_cast<std::size_t>(t)]) continue;
                seen[static_cast<std::size_t>(t)] = 1;
                f.parent[static_cast<std::size_t>(t)] = s;
                todo.push_back(t);
            }
        }
        if (link_ends / 2 != pixels - 1) return std::nullopt;  // a closed loop
    }
    for (char s : seen) {
        if (!s) return std::nullopt;  // a part off the border
    }
    return f;
}

void expect_same_walks(const PassWalks& a, const PassWalks& b, const std::string& what) {
    EXPECT_EQ(a.segm_order, b.segm_order) << what;
    EXPECT_EQ(a.segm_points, b.segm_points) << what;
    EXPECT_EQ(a.segm_dist, b.segm_dist) << what;  // to the last bit
    EXPECT_EQ(a.segm_counted, b.segm_counted) << what;
    EXPECT_EQ(a.segm_path, b.segm_path) << what;
}

void expect_same(const Outcome& e, const Outcome& f, bool network, const std::string& what) {
    EXPECT_EQ(e.result.segments, f.result.segments) << what;
    EXPECT_EQ(e.result.total_length, f.result.total_length) << what;
    EXPECT_EQ(e.result.loop_pixels, f.result.loop_pixels) << what;
    EXPECT_EQ(e.result.borderless_parts, f.result.borderless_parts) << what;
    EXPECT_EQ(e.events.begun, f.events.begun) << what;
    EXPECT_EQ(e.events.borders, f.events.borders) << what;
    EXPECT_EQ(e.events.ended, f.events.ended) << what;
    EXPECT_TRUE(e.events.points_at_begin == f.events.points_at_begin) << what;
    ASSERT_EQ(e.events.passes.size(), f.events.passes.size()) << what;
    for (std::size_t k = 0; k < e.events.passes.size(); ++k) {
        expect_same_walks(e.events.passes[k], f.events.passes[k],
                          what + ", pass " + std::to_string(k + 1));
    }
    EXPECT_EQ(e.events.flows, f.events.flows) << what;
    EXPECT_TRUE(e.orders == f.orders) << what;
    EXPECT_TRUE(e.points == f.points) << what;
    if (network) {
        EXPECT_TRUE(e.network == f.network) << what;
    }
}

}  // namespace

TEST(ForestPasses, TheDrawingsOwnForestPassesAsTheEngine) {
    int compared = 0;
    long long ordered = 0;  // pixels above order 2, to know that the passes go deep
    for (int n = 0; n < 30; ++n) {
        NetworkOptions opt;
        opt.nb_lig = 100 + (37 * n) % 200;
        opt.nb_col = 100 + (53 * n) % 200;
        opt.seed = 700 + static_cast<std::uint64_t>(n);
        opt.share = 0.02 + 0.01 * (n % 10);
        opt.cell = 3 + n % 6;
        const Network net = generate_network(opt);
        EngineOptions o;
        o.network_value = net.network_value;
        o.pixel_size_m = n % 3 == 0 ? 0.0 : 0.3 + 3.7 * n;
        // Some networks framed by cells outside the image: the outlet is beside one.
        Image image{net.nb_lig, net.nb_col, net.cells};
        if (n % 5 == 4) {
            const unsigned char outside = 77;
            o.outside_value = outside;
            image = Image{net.nb_lig + 2, net.nb_col + 2, {}};
            image.cells.assign(std::size_t(image.lines) * image.columns, outside);
            for (int i = 0; i < net.nb_lig; ++i) {
                std::copy_n(net.row(i), net.nb_col,
                            &image.cells[std::size_t(i + 1) * image.columns + 1]);
            }
        }
        const std::optional<FlowForest> forest = forest_of_links(image, o);
        if (!forest) continue;
        ++compared;
        // Plain, with the walks' pixels, and with these and the points of the step images.
        for (int last : {kMostOrders, 1 + n % 3}) {
            for (int mode = 0; mode < 3; ++mode) {
                o.last_order = last;
                const bool points = mode == 2;
                const bool paths = mode >= 1;
                const Outcome e = run(image, o, points, paths, nullptr);
                const Outcome f = run(image, o, points, paths, &*forest);
                // The engine runs the passes to the end and forgets those beyond the last
                // order when it has nothing to show: its network grid is then the last pass's.
                const bool network = last == kMostOrders || mode > 0;
                expect_same(e, f, network,
                            "network " + std::to_string(n) + ", last order " +
                                std::to_string(last) + ", mode " + std::to_string(mode));
                for (unsigned char v : f.orders) ordered += v != 255 && v > 2;
            }
        }
    }
    EXPECT_EQ(compared, 30);
    EXPECT_GT(ordered, 1000);
}

TEST(ForestPasses, TheForestsLinksAreTheOnesWalked) {
    // Two channels side by side down to the bottom border, each its own tree: A in column 2,
    // and B in column 3 with a tributary from the upper right that joins it at (4, 3). On the
    // drawing they are one block of loops; in the forest A is order 1 and B order 2 below the
    // tributary. The pixel alone on the top border, a root that nothing drains to, is order 1.
    const std::vector<std::string> picture = {
        ".......#",  //
        "..#.....",  //
        "..##.#..",  //
        "..###...",  //
        "..##....",  //
        "..##....",  //
        "..##....",  //
    };
    Image image{7, 8, {}};
    for (const std::string& line : picture) {
        for (char c : line) image.cells.push_back(c == '#' ? 1 : 0);
    }
    FlowForest forest;
    auto slot = [&](int i, int j) {
        const PixelIndex p = PixelIndex{i} * 8 + j;
        for (std::size_t s = 0; s < forest.pixels.size(); ++s) {
            if (forest.pixels[s] == p) return static_cast<int>(s);
        }
        return -1;
    };
    for (std::size_t p = 0; p < image.cells.size(); ++p) {
        if (image.cells[p] == 1) forest.pixels.push_back(static_cast<PixelIndex>(p));
    }
    forest.parent.assign(forest.pixels.size(), -1);
    auto drains = [&](int i, int j, int to_i, int to_j) {
        forest.parent[static_cast<std::size_t>(slot(i, j))] = slot(to_i, to_j);
    };
    for (int i = 1; i < 6; ++i) drains(i, 2, i + 1, 2);
    for (int i = 2; i < 6; ++i) drains(i, 3, i + 1, 3);
    drains(2, 5, 3, 4);
    drains(3, 4, 4, 3);

    EngineOptions o;
    o.network_value = 1;
    o.pixel_size_m = 10.0;
    const Outcome f = run(image, o, true, true, &forest);
    std::vector<std::string> orders;
    for (int i = 0; i < image.lines; ++i) {
        std::string line;
        for (int j = 0; j < image.columns; ++j) {
            const int v = f.orders[std::size_t(i) * image.columns + j];
            line += v == 255 ? '.' : static_cast<char>('0' + v);
        }
        orders.push_back(line);
    }
    EXPECT_EQ(orders, (std::vector<std::string>{
                          ".......1",  //
                          "..1.....",  //
                          "..11.1..",  //
                          "..111...",  //
                          "..12....",  //
                          "..12....",  //
                          "..12....",  //
                      }));
    EXPECT_EQ(f.result.segments[1], 3);
    EXPECT_EQ(f.result.segments[2], 1);
    EXPECT_EQ(f.result.segments[3], 0);
    // Half-steps to the forest's links alone: A is five steps down, B's source two, the
    // tributary two diagonal ones; the stem below the junction three, with a half-step to each
    // of the junction's three links, erased or not.
    const double diagonal = 10.0 * std::sqrt(2.0);
    ASSERT_GE(f.events.passes.size(), 2u);
    const std::vector<double>& first = f.events.passes[0].segm_dist;
    ASSERT_EQ(first.size(), 3u);
    EXPECT_DOUBLE_EQ(first[0], 50.0);
    EXPECT_DOUBLE_EQ(first[1], 20.0);
    EXPECT_DOUBLE_EQ(first[2], 2 * diagonal);
    ASSERT_EQ(f.events.passes[1].segm_dist.size(), 1u);
    EXPECT_DOUBLE_EQ(f.events.passes[1].segm_dist[0], 25.0 + diagonal / 2);
    // A and the stem leave by the border; B's source and the tributary flow into the stem.
    EXPECT_EQ(f.events.flows, (std::vector<long long>{-1, 3, 3, -1}));
}
