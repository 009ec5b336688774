// The engine on drawings as people make them: junctions drawn square or as triangles, stair-step
// lines, braids and blocks two pixels wide, loops and parts that touch the border nowhere; and
// where each segment flows.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/nrutil.h"
#include "dialogue/run_state.h"
#include "engine/pass_events.h"
#include "run/engine_run.h"

namespace {

using Picture = std::vector<std::string>;  // '#' network pixel, anything else background

// Records what the engine reports; keeps the walks' pixels.
struct Recorder final : PassEvents {
    std::vector<int> counts;  // segments of every pass
    std::vector<std::vector<PixelIndex>> paths;
    std::vector<long long> flows;
    void pass_begins(int, const std::string&) override {}
    void pass_ends(int, const PassWalks& w) override {
        counts.push_back(
            static_cast<int>(std::count(w.segm_counted.begin(), w.segm_counted.end(), 1)));
        for (std::size_t n = 0; n < w.segm_path.size(); ++n) {
            if (w.segm_counted[n]) paths.push_back(w.segm_path[n]);
        }
    }
    bool wants_paths() const override { return true; }
    void network_done(const std::vector<long long>& f) override { flows = f; }
};

struct Drawn {
    RunState s;
    Recorder events;
    Picture orders;  // tab5 as digits, '.' for no order
};

// Runs the passes until the network is used up (pixel size 10 metres); with steps, as when step
// images are saved (the passes run again, shown one by one); `drawing` as RunState::drawing.
Drawn run(const Picture& picture, int last = 9, bool steps = false, bool drawing = false) {
    Drawn r;
    RunState& s = r.s;
    s.nb_lig = static_cast<int>(picture.size());
    s.nb_col = static_cast<int>(picture[0].size());
    s.dpix_size = 10.0;
    s.val_red = 1;
    s.Num_order = last;
    s.drawing = drawing;
    s.tab1 = ByteGrid(ucmatrice(s.nb_col, s.nb_lig), s.nb_lig);
    s.tab5 = ByteGrid(ucmatrice(s.nb_col, s.nb_lig), s.nb_lig);
    if (steps) {
        s.save_step = 1;
        s.tab2 = ByteGrid(ucmatrice(s.nb_col, s.nb_lig), s.nb_lig);
    }
    for (int i = 0; i < s.nb_lig; ++i) {
        for (int j = 0; j < s.nb_col; ++j) s.tab1[i][j] = picture[i][j] == '#' ? 1 : 0;
    }
    run_engine(s, r.events);
    for (int i = 0; i < s.nb_lig; ++i) {
        std::string line;
        for (int j = 0; j < s.nb_col; ++j) {
            const int v = s.tab5[i][j];
            line += v == 255 ? '.' : static_cast<char>('0' + v);
        }
        r.orders.push_back(line);
    }
    r.events.counts.resize(3);
    return r;
}

}  // namespace

TEST(EngineDrawings, SquareJunctionsStairStepsAndTrianglesAreOrdered) {
    // A tributary drawn square onto a straight trunk that leaves by the right border: one
    // junction where the two meet, and the trunk measures its drawn length within one pixel.
    Drawn t = run({
        "........................",  //
        "....#...................",  //
        "....#...................",  //
        "....#...................",  //
        "..######################",  //
        "........................",  //
    });
    EXPECT_EQ(t.orders, (Picture{
                            "........................",  //
                            "....1...................",  //
                            "....1...................",  //
                            "....1...................",  //
                            "..1122222222222222222222",  //
                            "........................",  //
                        }));
    EXPECT_EQ(t.events.counts, (std::vector<int>{2, 1, 0}));
    const double tributary = 30.0;  // three steps down to the junction
    EXPECT_LE(std::abs(t.s.red_length - tributary - 10.0 * 21), 10.0);

    // A stair-step line is one line: one segment from its source to the border.
    Drawn stairs = run({
        "..........",  //
        ".##.......",  //
        "..##......",  //
        "...##.....",  //
        "....##....",  //
        ".....##...",  //
        "......#...",  //
    });
    EXPECT_EQ(stairs.events.counts, (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(stairs.orders[1], ".11.......");
    EXPECT_DOUBLE_EQ(stairs.s.red_length, 10.0 * 10);  // ten steps of one pixel

    // Branch ends that touch (X, Y, Z a triangle): one junction, order 2 below it.
    Drawn triangle = run({
        "........",  //
        ".#....#.",  //
        "..#..#..",  //
        "...##...",  //
        "....#...",  //
        ".....#..",  //
        ".....#..",  //
    });
    EXPECT_EQ(triangle.events.counts, (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(triangle.orders[6], ".....2..");
}

TEST(EngineDrawings, BraidsAndBlocksTakeTheOrderOfTheirStream) {
    // An order-2 stream splits around a braid and joins again; below, a block two pixels wide.
    Drawn braid = run({
        "..........",  //
        ".#......#.",  //
        "..#....#..",  //
        "...#..#...",  //
        "....##....",  //
        "...#..#...",  //
        "...#..#...",  //
        "....##....",  //
        "....##....",  //
        "....##....",  //
        "....#.....",  //
        "....#.....",  //
    });
    EXPECT_EQ(braid.orders, (Picture{
                                "..........",  //
                                ".1......1.",  //
                                "..1....1..",  //
                                "...1..1...",  //
                                "....22....",  //
                                "...2..2...",  //
                                "...2..2...",  //
                                "....22....",  //
                                "....22....",  //
                                "....22....",  //
                                "....2.....",  //
                                "....2.....",  //
                            }));
    EXPECT_EQ(braid.events.counts, (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(braid.s.loop_pixels, 0);
    EXPECT_EQ(braid.s.borderless_parts, 0);
}

TEST(EngineDrawings, WhatCannotBeOrderedIsCountedNotHidden) {
    // A ring alone, and a Y that touches the border nowhere.
    Drawn r = run({
        "............",  //
        "..####......",  //
        ".#....#.....",  //
        ".#....#.....",  //
        "..####......",  //
        "............",  //
        ".#...#......",  //
        "..#.#.......",  //
        "...#........",  //
        "...#........",  //
        "............",  //
    });
    EXPECT_EQ(r.s.loop_pixels, 12);
    EXPECT_EQ(r.s.borderless_parts, 2);
    EXPECT_EQ(r.orders[1], "............");  // the ring has no order

    // The same with stair steps (corners cut, so the ring is known before the passes): a ring
    // alone, and one with a stream that leaves it by the border.
    Drawn steps = run({
        "............",  //
        "..###.......",  //
        ".##.##......",  //
        ".#...#......",  //
        ".##.##......",  //
        "..###.......",  //
        "............",  //
        "......###...",  //
        ".....##.##..",  //
        ".....#...###",  //
        ".....##.##..",  //
        "......###...",  //
        "............",  //
    });
    EXPECT_EQ(steps.s.loop_pixels, 16);
    EXPECT_EQ(steps.s.borderless_parts, 1);
    EXPECT_EQ(steps.orders[2], "............");
    EXPECT_EQ(steps.orders[9], ".....1...111");  // the ring takes the order of its stream
}

TEST(EngineDrawings, EverySegmentKnowsWhereItFlows) {
    // Pass 1: the left and right branches of the braid's stream and the tributary; pass 2: the
    // stream through the braid, which the tributary does not raise; pass 3: none.
    Drawn r = run({
        "...........",  //
        ".#......#..",  //
        "..#....#...",  //
        "...#..#....",  //
        "....##.....",  //
        "....#......",  //
        "....#...#..",  //
        "....#..#...",  //
        "....#.#....",  //
        "....##.....",  //
        "....#......",  //
    });
    ASSERT_EQ(r.events.counts, (std::vector<int>{3, 1, 0}));
    ASSERT_EQ(r.events.flows.size(), 4u);
    EXPECT_EQ(r.events.flows[0], 3);  // the branches flow into the order-2 stream,
    EXPECT_EQ(r.events.flows[1], 3);
    EXPECT_EQ(r.events.flows[2], 3);   // and so does the tributary that joins it lower down
    EXPECT_EQ(r.events.flows[3], -1);  // which leaves by the border
    EXPECT_EQ(r.events.paths[3].front(), 4 * 11 + 4);  // it starts at the first junction
    EXPECT_EQ(r.events.paths[3].back(), 10 * 11 + 4);
}

TEST(EngineDrawings, StemsBesideTouchingChannelsAreOrdered) {
    // Two channels one pixel apart whose corners touch: a ladder of closed diamonds, where the
    // passes stall. The stems the passes leave are ordered as a tree from the border: each
    // outlet is a channel, an order-2 stream keeps its order through the ladder, and the
    // channel beside it, whose source touches it, is order 1. The counts still say what the
    // passes left on closed loops; the orders are the same when the step images are saved.
    const Picture ladder = {
        "..............",  //
        ".#.#..........",  //
        "..#...........",  //
        "...#.#........",  //
        "....#.#.......",  //
        ".....#.#......",  //
        "......#.#.....",  //
        ".......#.#....",  //
        "........#.#...",  //
        ".........#.#..",  //
        "..........#.#.",  //
        "...........#.#",  //
    };
    const Picture orders = {
        "..............",  //
        ".1.1..........",  //
        "..2...........",  //
        "...2.1........",  //
        "....2.1.......",  //
        ".....2.1......",  //
        "......2.1.....",  //
        ".......2.1....",  //
        "........2.1...",  //
        ".........2.1..",  //
        "..........2.1.",  //
        "...........2.1",  //
    };
    for (bool steps : {false, true}) {
        Drawn r = run(ladder, 9, steps);
        EXPECT_EQ(r.orders, orders) << "steps " << steps;
        EXPECT_EQ(r.s.loop_pixels, 17) << "steps " << steps;
    }
    // Without the tributary at the head both are order 1; asked for order 1 alone, the same.
    Picture single = ladder;
    single[1][3] = '.';
    for (int last : {9, 1}) {
        Drawn r = run(single, last);
        for (std::size_t i = 2; i < orders.size(); ++i) {
            std::string want = orders[i];
            std::replace(want.begin(), want.end(), '2', '1');
            EXPECT_EQ(r.orders[i], want) << "line " << i << ", last order " << last;
        }
    }
    // A ring that touches the border and that no line leaves keeps no order.
    Drawn ring = run({
        "..###.....",  //
        ".##.##....",  //
        ".#...#....",  //
        ".##.##....",  //
        "..###.....",  //
        "..........",  //
    });
    EXPECT_EQ(ring.orders[2], "..........");
}

TEST(EngineDrawings, SharpBendsAreReadAsOneLine) {
    // A stroke that turns back at 45 degrees: its bend (row 2, column 10) touches the arm below
    // at the corner its link cuts, so it has one link. On a drawing it is part of its line, not
    // a one-pixel source: one stream of order 1. The bend takes its line's order when the passes
    // are over, with and without step images and asked for order 1 alone. Not said to be a
    // drawing, the pixels are read as the cells of a flow grid: the bend is a source.
    const Picture v = {
        "............",  //
        "............",  //
        "...########.",  //
        ".........#..",  //
        "........#...",  //
        ".......#....",  //
        "......#.....",  //
        ".....#......",  //
        "....#.......",  //
        "...#........",  //
        "..#.........",  //
        ".#..........",  //
        "#...........",  //
    };
    for (int last : {9, 1}) {
        for (bool steps : {false, true}) {
            Drawn r = run(v, last, steps, true);
            EXPECT_EQ(r.events.counts, (std::vector<int>{1, 0, 0})) << last << " " << steps;
            for (std::size_t i = 0; i < v.size(); ++i) {
                std::string want = v[i];
                std::replace(want.begin(), want.end(), '#', '1');
                EXPECT_EQ(r.orders[i], want) << "line " << i << ", " << last << " " << steps;
            }
        }
    }
    EXPECT_EQ(run(v).events.counts, (std::vector<int>{2, 1, 0}));
    // On a drawing too, the same pixels where the arms part at a right angle are a channel head
    // beside a stem that bends there: a source, and the stem below is of order 2.
    const Picture head = {
        "..........",  //
        "......#...",  //
        ".....#....",  //
        "....#.....",  //
        "...#......",  //
        "..##......",  //
        "....#.....",  //
        ".....#....",  //
        "......#...",  //
        ".......#..",  //
        "........#.",  //
        ".........#",  //
    };
    Drawn r = run(head, 9, false, true);
    EXPECT_EQ(r.events.counts, (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(r.orders[5], "..12......");
    EXPECT_EQ(r.orders[7], ".....2....");
}
