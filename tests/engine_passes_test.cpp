// The order engine in-process, on small networks drawn by hand: counts, labels, lengths, the
// pass report, the console lines, the key waits and the result and step images.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/nrutil.h"
#include "dialogue/pass_texts.h"
#include "dialogue/run_state.h"
#include "engine/classify.h"
#include "engine/length.h"
#include "engine/pass_events.h"
#include "run/engine_run.h"
#include "tests/support/classify_points.h"
#include "tests/support/mark_border.h"
#include "tests/support/trace.h"
#include "tests/test_support.h"

namespace {

constexpr int kNet = 9;  // network value of the drawings; the background is 0

using Picture = std::vector<std::string>;  // '#' network pixel, anything else background

bool starts_with(const std::string& text, const std::string& head) {
    return text.compare(0, head.size(), head) == 0;
}

// A run state as the dialogue leaves it: a raw result (the image goes to <dir>/n_strahler.raw,
// its descriptor to n_strahler.txt), a report, pixel size 10 metres.
struct Engine {
    TempDir dir;
    RunState s;
    ScriptedConsole con{""};

    Engine(const Picture& picture, int num_order, int save_step = 0) {
        s.nb_lig = static_cast<int>(picture.size());
        s.nb_col = static_cast<int>(picture[0].size());
        s.dpix_size = 10.0;
        s.val_red = kNet;
        s.Num_order = num_order;
        s.save_step = save_step;
        for (ByteGrid* g : {&s.tab1, &s.tab, &s.tab2, &s.tab4, &s.tab5}) {
            *g = ByteGrid(ucmatrice(s.nb_col, s.nb_lig), s.nb_lig);
        }
        for (int i = 0; i < s.nb_lig; ++i) {
            for (int j = 0; j < s.nb_col; ++j) s.tab1[i][j] = picture[i][j] == '#' ? kNet : 0;
        }
        s.nomim_step = dir / "n_strahler";
        s.nomim2 = s.nomim_step + ".raw";
        s.nominfo = s.nomim_step + "_info.txt";
        s.finfo = open_file(s.nominfo, "w");
        s.nomdescr2 = s.nomim_step + ".txt";
        s.image_type = ImageType::raw;
    }

    void run() { run_passes(s, con.console); }
    std::string out() const { return con.transcript(); }
    std::string report() {
        std::fflush(s.finfo.get());
        return read_file(s.nominfo);
    }
    // tab5 as digits, '.' for 255.
    Picture result() const {
        Picture p;
        for (int i = 0; i < s.nb_lig; ++i) {
            std::string line;
            for (int j = 0; j < s.nb_col; ++j) {
                int v = s.tab5[i][j];
                line += v == 255 ? '.' : static_cast<char>('0' + v);
            }
            p.push_back(line);
        }
        return p;
    }
};

// Two branches meet diagonally in the junction (3,3); the stem runs down to the bottom border.
const Picture kY = {
    ".......",  //
    ".#...#.",  //
    "..#.#..",  //
    "...#...",  //
    "...#...",  //
    "...#...",  //
};

TEST(EnginePasses, YNetworkTakesTwoPasses) {
    Engine e(kY, 2);
    e.run();
    EXPECT_EQ(e.s.num_segm[1], 2);
    EXPECT_EQ(e.s.num_segm[2], 1);
    EXPECT_EQ(e.result(), (Picture{
                              ".......",  //
                              ".1...1.",  //
                              "..1.1..",  //
                              "...2...",  //
                              "...2...",  //
                              "...2...",  //
                          }));
    EXPECT_EQ(e.con.keys, 2);
    // Pass 2 starts at the former junction, whose erased branches still count in its length:
    // 2 x 7.071068 + 5 at the junction, 10 in the middle, 5 for the last link.
    EXPECT_NE(e.report().find("\n\t\tsegment 1 num_pix 3 length 34.142136 "), std::string::npos);
}

// What a front end sees: the engine itself prints, waits for and writes nothing; each pass
// comes as pass_begins then pass_ends with its walks, and the figures of the run come back as
// a value that agrees with them.
struct Recorder final : PassEvents {
    void pass_begins(int k, const std::string& border_text) override {
        calls.push_back("begins " + std::to_string(k) + border_text);
    }
    void pass_ends(int k, const PassWalks& w) override {
        calls.push_back("ends " + std::to_string(k) + " walks " + std::to_string(w.segm_order) +
                        " segments " + std::to_string(counted_walks(w)));
        totals.push_back((totals.empty() ? 0.0 : totals.back()) + counted_length(w));
    }
    std::vector<std::string> calls;
    std::vector<double> totals;  // the network total at every pass_ends, metres
};

TEST(EnginePasses, ReportsEveryPassThroughItsEventsAndNothingElse) {
    Engine e(kY, 2, 1);
    Recorder events;
    run_engine(e.s, events);
    EXPECT_EQ(events.calls, (std::vector<std::string>{
                                "begins 1\n\ttab2[5][3] = 3 ", "ends 1 walks 2 segments 2",
                                "begins 2\n\ttab2[5][3] = 3 ", "ends 2 walks 1 segments 1"}));
    ASSERT_EQ(events.totals.size(), 2u);
    EXPECT_NEAR(events.totals[0], 56.568542, 1e-6);
    EXPECT_NEAR(events.totals[1], 90.710678, 1e-6);
    EXPECT_EQ(e.s.red_length, events.totals[1]);
    EXPECT_EQ(e.s.num_segm[1], 2);
    EXPECT_EQ(e.s.num_segm[2], 1);
    EXPECT_EQ(e.result()[3], "...2...");
    // The result image, the report and the step images are the front end's.
    EXPECT_EQ(e.out(), "");
    EXPECT_EQ(e.con.keys, 0);
    EXPECT_EQ(e.report(), "");
    EXPECT_EQ(read_file(e.s.nomim2), "");
    EXPECT_FALSE(file_exists(e.s.nomim_step + "_points_step1.bmp"));
}

TEST(EnginePasses, StraightWalkIntoJunctionAndCornerPixels) {
    // A four-point line into the junction (2,4), whose two arms run to corner pixels.
    Engine e(
        {
            "......#",  //
            ".....#.",  //
            ".####..",  //
            ".....#.",  //
            "......#",  //
        },
        2);
    e.run();
    const std::string corners =
        "\n\ttab2[0][6] = 3 \n\ttab2[0][6] = 3 \n\ttab2[4][6] = 3 \n\ttab2[4][6] = 3 ";
    EXPECT_EQ(e.out(),
              "\n\n\tOrder = 1 " + corners +
                  "\n\n\t\tNumber of segments : 1 \n\t\tlength of this segment =  30.000000 "
                  "\n\n\tOrder = 2 " +
                  corners +
                  "\n\n\t\tNumber of segments : 0 "
                  "\n\t\ttotal length of the sum of these segments =  0.000000 "
                  "\n\n\tTotal drainage network length = 30.000000 meters "
                  "\n\n\tName of the resulting file : " +
                  e.s.nomim2 + " ");
    EXPECT_NE(e.report().find("\n\t\tsegment 1 num_pix 4 length 30.000000 "), std::string::npos);
    // The arms run from the junction to the border: never traced.
    EXPECT_EQ(e.result()[2], ".1111..");
    EXPECT_EQ(e.result()[1], ".......");
}

TEST(EnginePasses, DiagonalWalkToBorder) {
    Engine e(
        {
            ".....",  //
            ".#...",  //
            "..#..",  //
            "...#.",  //
        },
        1);
    e.run();
    EXPECT_NE(e.report().find("\n\t\tsegment 1 num_pix 3 length 28.284271 "), std::string::npos);
    EXPECT_EQ(e.result()[3], "...1.");
}

// One pass, called step by step, so that the walk record of the pass can be read.
PassWalks one_pass(RunState& s) {
    for (int i = 0; i < s.nb_lig; ++i) {
        for (int j = 0; j < s.nb_col; ++j) {
            s.tab[i][j] = s.tab1[i][j];
            s.tab4[i][j] = 255;
        }
    }
    classify_points(s);
    mark_border(s);
    PassWalks w;
    trace_segments(s, 1, step_lengths(s.dpix_size), w);
    return w;
}

TEST(EnginePasses, WalksThatRunOutOfNetworkAreNotCounted) {
    // A line of three pixels: one walk over it, then a walk of one point at its far end.
    Engine three({".....", ".###.", "....."}, 1);
    PassWalks w = one_pass(three.s);
    EXPECT_EQ(w.segm_order, 2);
    EXPECT_EQ(w.segm_points, (std::vector<int>{3, 1}));
    EXPECT_EQ(w.segm_dist, (std::vector<double>{20.0, 0.0}));
    EXPECT_EQ(w.segm_counted, (std::vector<char>{0, 0}));
    EXPECT_EQ(three.s.num_segm[1], 0);
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(three.s.tab4[1][j], 1);

    Engine two({"....", ".##.", "...."}, 1);
    w = one_pass(two.s);
    EXPECT_EQ(w.segm_points, (std::vector<int>{2, 1}));
    EXPECT_EQ(w.segm_dist, (std::vector<double>{10.0, 0.0}));
    EXPECT_EQ(two.s.num_segm[1], 0);

    // An isolated pixel and a closed loop: no end point, no walk, nothing erased.
    Engine still({".......", ".#..#..", "...#.#.", "....#..", "......."}, 1);
    w = one_pass(still.s);
    EXPECT_EQ(w.segm_order, 0);
    EXPECT_EQ(still.s.tab1[1][1], kNet);
    EXPECT_EQ(still.s.tab1[2][3], kNet);
}

TEST(EnginePasses, WalksAndPassesHaveNoFixedCapacity) {
    // Line 1: one line of 40000 pixels running into the right border. Line 3: 20000 end points,
    // each above a border pixel of line 4.
    const int width = 40001;
    Picture p(5, std::string(width, '.'));
    for (int j = 1; j < width; ++j) p[1][j] = '#';
    for (int j = 1; j < width; j += 2) p[3][j] = p[4][j] = '#';
    Engine e(p, 1);
    e.run();
    EXPECT_EQ(e.s.num_segm[1], 20001);
    const std::string report = e.report();
    EXPECT_NE(report.find("\n\t\tsegment 1 num_pix 40000 length 399990.000000 "
                          "\n\t\tsegment 2 num_pix 2 length 10.000000 "),
              std::string::npos);
    EXPECT_NE(report.find("\n\t\tsegment 20001 num_pix 2 length 10.000000 "
                          "\n\n\t\tTotal length = 599990.000000 meters "),
              std::string::npos);
}

TEST(EnginePasses, BranchEndsThatTouchMeetAtOneJunction) {
    // The branches end on the two pixels of the pair (4,3)-(4,4), which touch the stem's first
    // pixel too. The corner (4,4)-(5,3) is cut by (4,3), so the right branch runs on through
    // (4,4) into (4,3): one junction, and the stem below it is order 2.
    Engine e(
        {
            "........",  //
            "........",  //
            ".#....#.",  //
            "..#..#..",  //
            "...##...",  //
            "...#....",  //
            "...#....",  //
            "...#....",  //
        },
        3);
    e.run();
    EXPECT_EQ(e.s.num_segm[1], 2);
    EXPECT_EQ(e.s.num_segm[2], 1);
    EXPECT_EQ(e.s.num_segm[3], 0);
    EXPECT_EQ(e.result(), (Picture{
                              "........",  //
                              "........",  //
                              ".1....1.",  //
                              "..1..1..",  //
                              "...21...",  //
                              "...2....",  //
                              "...2....",  //
                              "...2....",  //
                          }));
}

TEST(EnginePasses, EndPointNextToJunction) {
    Engine e(
        {
            "......#",  //
            ".....#.",  //
            "..#.#..",  //
            "...#...",  //
            "...#...",  //
            "...#...",  //
        },
        2);
    e.run();
    EXPECT_EQ(e.s.num_segm[1], 1);
    EXPECT_EQ(e.s.tab1[3][3], kNet);  // the junction stays for the walks that follow
    EXPECT_EQ(e.s.num_segm[2], 0);
    EXPECT_NE(e.report().find("\n\t\tsegment 1 num_pix 2 length 14.142136 "), std::string::npos);
    EXPECT_EQ(e.result()[2], "..1....");
    EXPECT_EQ(e.result()[3], "...1...");
}

TEST(EnginePasses, ImagesWithoutInterior) {
    // Every network pixel is a border pixel; the corners are named twice.
    Engine one({"###"}, 1);
    one.run();
    EXPECT_TRUE(
        starts_with(one.out(),
                    "\n\n\tOrder = 1 \n\ttab2[0][0] = 3 \n\ttab2[0][0] = 3 \n\ttab2[0][1] = 3 "
                    "\n\ttab2[0][2] = 3 \n\ttab2[0][2] = 3 \n\n\t\tNumber of segments : 0 "));
    EXPECT_EQ(one.s.num_segm[1], 0);

    Engine two({"#..#", ".##."}, 1);
    two.run();
    EXPECT_TRUE(
        starts_with(two.out(),
                    "\n\n\tOrder = 1 \n\ttab2[0][0] = 3 \n\ttab2[0][0] = 3 \n\ttab2[0][3] = 3 "
                    "\n\ttab2[0][3] = 3 \n\ttab2[1][1] = 3 \n\ttab2[1][2] = 3 \n\n\t\tNumber"));
    EXPECT_EQ(two.result(), (Picture{"....", "...."}));
}

TEST(EnginePasses, NetworkValueThatMatchesNothing) {
    const std::string empty_pass =
        "\n\n\t\tNumber of segments : 0 "
        "\n\t\ttotal length of the sum of these segments =  0.000000 ";
    for (int value : {300, -1, 255}) {
        Engine e(kY, 2);
        // 255 is the erasure mark: were it matched, a walk would step back and forth for ever.
        if (value == 255) {
            for (int i = 0; i < e.s.nb_lig; ++i) {
                for (int j = 0; j < e.s.nb_col; ++j) e.s.tab1[i][j] = 255;
            }
        }
        e.s.val_red = value;
        e.run();
        EXPECT_EQ(e.out(), "\n\n\tOrder = 1 " + empty_pass + "\n\n\tOrder = 2 " + empty_pass +
                               "\n\n\tTotal drainage network length = 0.000000 meters "
                               "\n\n\tName of the resulting file : " +
                               e.s.nomim2 + " ")
            << value;
        EXPECT_EQ(e.con.keys, 2);
    }
}

TEST(EnginePasses, LastOrderZeroRunsNoPass) {
    for (int last : {0, -3}) {
        Engine e(kY, last);
        e.run();
        EXPECT_EQ(e.con.keys, 0);
        EXPECT_EQ(e.out(),
                  "\n\n\tTotal drainage network length = 0.000000 meters "
                  "\n\n\tName of the resulting file : " +
                      e.s.nomim2 + " ");
        EXPECT_EQ(e.report(),
                  "\n\n\tTotal drainage network length = 0.000000 meters "
                  "\n\n\tName of the resulting file : " +
                      e.s.nomim2 + " ");
        EXPECT_EQ(read_file(e.s.nomim2), std::string(42, '\xff'));
    }
}

TEST(EnginePasses, OrdersBeyondTheCountsAreNotRun) {
    // The dialogue refuses them; a state built otherwise must not count past num_segm.
    Engine e(kY, 100);
    e.run();
    EXPECT_EQ(e.con.keys, 63);
    EXPECT_EQ(e.s.num_segm[2], 1);
}

TEST(EnginePasses, ReportReachesTheDiskBeforeEveryKeyWait) {
    Engine e(kY, 2);
    std::fprintf(e.s.finfo.get(), "\n\t\tBRANCHRANKER ");
    std::vector<std::string> seen;
    e.con.console.key_wait = [&] { seen.push_back(read_file(e.s.nominfo)); };
    e.run();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], "\n\t\tBRANCHRANKER ");
    EXPECT_NE(seen[1].find("Total length = 56.568542 meters "), std::string::npos);
    EXPECT_EQ(read_file(e.dir / "n_strahler.txt"), "6\n7\n1\n0\n255\n10\n");
}

// Step images and the result image.

TEST(EngineImages, PassesAfterFiveReuseThePassFiveNames) {
    Engine e(kY, 7, 1);
    e.run();
    const std::string out = e.out();
    const std::string pass6 = out.substr(out.find("\n\n\tOrder = 6 "));
    EXPECT_TRUE(starts_with(pass6,
                            "\n\n\tOrder = 6 \n\ttab2[5][3] = 3 "
                            "\n\t\tSaving " +
                                e.s.nomim_step + "_points_step5.bmp " + "\n\t\tSaving " +
                                e.s.nomim_step +
                                "_segments_step5.bmp \n\n\t\tNumber of segments : 0 "));
    for (int k = 1; k <= 5; ++k) {
        EXPECT_TRUE(file_exists(e.s.nomim_step + "_points_step" + std::to_string(k) + ".bmp"));
        EXPECT_TRUE(file_exists(e.s.nomim_step + "_segments_step" + std::to_string(k) + ".bmp"));
    }
    EXPECT_FALSE(file_exists(e.s.nomim_step + "_points_step6.bmp"));
    const std::string report = e.report();
    EXPECT_NE(report.find("\n\n\t" + e.s.nomim_step + "_points_step5.bmp saved \n\t" +
                          e.s.nomim_step + "_segments_step5.bmp saved\n\n\tOrder number 7 "),
              std::string::npos);
}

TEST(EngineImages, StepImagesThatCannotBeSavedAreReported) {
    Engine e(kY, 1, 1);
    e.s.nomim_step = e.dir / "gone/n_strahler";  // a folder that does not exist
    e.run();
    const std::string points = e.s.nomim_step + "_points_step1.bmp";
    const std::string segments = e.s.nomim_step + "_segments_step1.bmp";
    EXPECT_EQ(e.out().substr(0, e.out().find("\n\n\t\tNumber")),
              "\n\n\tOrder = 1 \n\ttab2[5][3] = 3 \n\t\tSaving " + points + " \n\t\t" + points +
                  " could not be saved \n\t\tSaving " + segments + " \n\t\t" + segments +
                  " could not be saved ");
    EXPECT_TRUE(starts_with(e.report(), "\n\n\t" + points + " could not be saved \n\t" + segments +
                                            " could not be saved\n\n\tOrder number 1 "));
    EXPECT_EQ(e.s.status, 0);  // the result itself was written
    EXPECT_EQ(read_file(e.s.nomim2).size(), 42u);
}

TEST(EngineImages, ResultThatCannotBeWrittenMakesTheStatusOne) {
    const std::string tail = "\n\n\tTotal drainage network length = 90.710678 meters ";
    // A BMP result in a folder that does not exist.
    {
        Engine e(kY, 2);
        e.s.image_type = ImageType::bmp;
        e.s.nomim2 = e.dir / "gone/n_strahler.bmp";
        e.run();
        EXPECT_EQ(e.s.status, 1);
        const std::string failed =
            "\n\n\tThe resulting file " + e.s.nomim2 + " could not be written ";
        EXPECT_TRUE(e.out().ends_with(tail + failed));
        EXPECT_TRUE(e.report().ends_with(tail + failed));
    }
    // Raw and ASCII results on a full disk: the loss shows when the stream is flushed.
    for (int type : {0, 2}) {
        Engine e(kY, 2);
        e.s.image_type = static_cast<ImageType>(type);
        e.s.nomim2 = "/dev/full";
        e.run();
        EXPECT_EQ(e.s.status, 1) << type;
        EXPECT_TRUE(e.report().ends_with(" could not be written ")) << type;
        EXPECT_FALSE(e.s.f2);  // closed all the same
    }
}

TEST(EngineImages, AsciiResultShowsProgressEveryHundredLines) {
    Engine e(Picture(250, "..."), 1);
    e.s.image_type = ImageType::ascii;
    e.s.X_min = 512.5;
    e.s.Y_min = 256.25;
    e.run();
    EXPECT_TRUE(
        e.out().ends_with("\n\n\tTotal drainage network length = 0.000000 meters "
                          "\n\n\tline 100                \r\tline 200                \r"
                          "\n\n\tName of the resulting file : " +
                          e.s.nomim2 + " "));
    std::string cells;
    for (int n = 0; n < 750; ++n) cells += "255\t";
    EXPECT_EQ(read_file(e.s.nomim2),
              "ncols 3\nnrows 250\nxllcorner 512.500000\nyllcorner 256.250000\n"
              "cellsize 10.000000\nnodata_value -9999.9999\n" +
                  cells);
    EXPECT_EQ(e.s.status, 0);
}

}  // namespace

TEST(EnginePasses, SegmentLinesPrintLengthsAsFormattedOutputDoes) {
    // Lengths of every kind a run can meet, checked against "%lf" itself.
    const double lengths[] = {0.0,
                              30.0,
                              28.284271247461902,
                              34.14213562373095,
                              0.5e-7,
                              1.0000005,
                              2.5e-6,
                              123456789.1234565,
                              1e300,
                              -0.0,
                              3.0000004999999999};
    for (double length : lengths) {
        Engine e({"...", ".#.", "..."}, 0);
        PassWalks w;
        w.segm_order = 1;
        w.segm_points = {7};
        w.segm_dist = {length};
        w.segm_counted = {1};
        e.s.num_segm[1] = 1;
        PassTexts(e.s, e.con.console).pass_ends(1, w);
        char expected[512];
        std::snprintf(expected, sizeof expected, "\n\t\tsegment %d num_pix %d length %lf ", 1, 7,
                      length);
        EXPECT_NE(e.report().find(expected), std::string::npos) << expected;
    }
}
