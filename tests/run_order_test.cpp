// Whole runs of the program on small networks, one for each result type: the console from the
// first pass on, the report, the result image and the step images, byte for byte against files
// worked out by hand.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace {

using Picture = std::vector<std::string>;

// A grid of bytes from a drawing: each character stands for the byte the map gives it.
Picture bytes(const Picture& drawing, const std::map<char, unsigned char>& value) {
    Picture grid;
    for (const std::string& line : drawing) {
        std::string row;
        for (char ch : line) row += static_cast<char>(value.at(ch));
        grid.push_back(row);
    }
    return grid;
}

std::string raw(const Picture& grid) {
    std::string out;
    for (const std::string& row : grid) out += row;
    return out;
}

void put(std::string& out, unsigned value, int width) {
    for (int b = 0; b < width; ++b) out += static_cast<char>((value >> (8 * b)) & 0xFF);
}

// An 8-bit BMP file with the grey ramp: header, 256 palette entries, rows bottom-up, each
// padded with zeros to a multiple of 4 bytes.
std::string bmp(const Picture& grid) {
    const unsigned lines = static_cast<unsigned>(grid.size());
    const unsigned cols = static_cast<unsigned>(grid[0].size());
    const unsigned row = (cols + 3) / 4 * 4;
    std::string out = "BM";
    put(out, 1078 + row * lines, 4);
    put(out, 0, 4);  // reserved
    put(out, 1078, 4);
    put(out, 40, 4);
    put(out, cols, 4);
    put(out, lines, 4);
    put(out, 1, 2);
    put(out, 8, 2);
    put(out, 0, 4);
    put(out, row * lines, 4);
    put(out, 10000, 4);
    put(out, 10000, 4);
    put(out, 0, 4);
    put(out, 0, 4);
    for (unsigned v = 0; v < 256; ++v) {
        for (int c = 0; c < 3; ++c) out += static_cast<char>(v);
        out += '\0';
    }
    for (unsigned i = lines; i-- > 0;) out += grid[i] + std::string(row - cols, '\0');
    return out;
}

// The engine's part of the console: from the first pass on.
std::string from_first_pass(const std::string& output) {
    const std::size_t at = output.find("\n\n\tOrder = 1 ");
    return at == std::string::npos ? "" : output.substr(at);
}

// The Y network of images/S: two branches meet in the junction (3,3), the stem runs down to the
// bottom border. Network value 9 on a background of 0, pixels of 10 metres.
const Picture kY = {
    ".......",  //
    ".#...#.",  //
    "..#.#..",  //
    "...#...",  //
    "...#...",  //
    "...#...",  //
};

const Picture kYOrders = bytes(
    {
        ".......",  //
        ".1...1.",  //
        "..1.1..",  //
        "...2...",  //
        "...2...",  //
        "...2...",  //
    },
    {{'.', 255}, {'1', 1}, {'2', 2}});

struct YFolder {
    TempDir dir;
    std::string folder = dir / "images/S";
    YFolder() {
        write_file(folder + "/y.raw", raw(bytes(kY, {{'.', 0}, {'#', 9}})));
        write_file(folder + "/y.txt", "6 7 1 0 255 10.0");
    }
    std::string file(const std::string& name) const { return read_file(folder + "/" + name); }
};

const std::string kPass1 =
    "\n\n\tOrder = 1 \n\ttab2[5][3] = 3 "
    "\n\n\t\tNumber of segments : 2 "
    "\n\t\ttotal length of the sum of these segments =  56.568542 ";
const std::string kPass2 =
    "\n\n\tOrder = 2 \n\ttab2[5][3] = 3 "
    "\n\n\t\tNumber of segments : 1 "
    "\n\t\tlength of this segment =  34.142136 ";
const std::string kReportPasses =
    "\n\n\tOrder number 1 "
    "\n\n\t\tNumber of segments : 2 "
    "\n\t\tsegment 1 num_pix 3 length 28.284271 "
    "\n\t\tsegment 2 num_pix 3 length 28.284271 "
    "\n\n\t\tTotal length = 56.568542 meters "
    "\n\n\tOrder number 2 "
    "\n\n\t\tNumber of segments : 1 "
    "\n\t\tsegment 1 num_pix 3 length 34.142136 "
    "\n\n\t\tTotal length = 34.142136 meters ";

TEST(RunOrders, RawResult) {
    YFolder y;
    ProgramResult r = run_program(y.dir.path, "S y 0 0 0 9 2 1\n");
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.output.rfind(banner(), 0), 0u);
    EXPECT_EQ(from_first_pass(r.output),
              kPass1 + kPass2 +
                  "\n\n\tTotal drainage network length = 90.710678 meters "
                  "\n\n\tName of the resulting file : images/S/y_strahler.raw ");
    EXPECT_EQ(y.file("y_strahler_info.txt"),
              "\n\t\tBRANCHRANKER "
              "\n\n\tRiver File : images/S/y.raw "
              "\n\tResulting image : images/S/y_strahler.raw "
              "\n\n\tGray tone value of the drainage network : 9 "
              "\n\n\tLast order : 2 " +
                  kReportPasses +
                  "\n\n\tTotal drainage network length = 90.710678 meters "
                  "\n\n\tName of the resulting file : images/S/y_strahler.raw ");
    EXPECT_EQ(y.file("y_strahler.raw"), raw(kYOrders));
    EXPECT_EQ(y.file("y_strahler.txt"), "6\n7\n1\n0\n255\n10\n");
    EXPECT_FALSE(file_exists(y.folder + "/y_strahler_points_step1.bmp"));
}

TEST(RunOrders, BmpResultWithStepImages) {
    YFolder y;
    ProgramResult r = run_program(y.dir.path, "S y 0 0 1 9 3 0\n");
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_status, 0);
    const std::string step = "images/S/y_strahler_";
    auto saving = [&](int k) {
        const std::string n = std::to_string(k);
        return "\n\t\tSaving " + step + "points_step" + n + ".bmp \n\t\tSaving " + step +
               "segments_step" + n + ".bmp ";
    };
    auto saved = [&](int k) {
        const std::string n = std::to_string(k);
        return "\n\n\t" + step + "points_step" + n + ".bmp saved \n\t" + step + "segments_step" +
               n + ".bmp saved";
    };
    EXPECT_EQ(from_first_pass(r.output),
              "\n\n\tOrder = 1 \n\ttab2[5][3] = 3 " + saving(1) +
                  "\n\n\t\tNumber of segments : 2 "
                  "\n\t\ttotal length of the sum of these segments =  56.568542 "
                  "\n\n\tOrder = 2 \n\ttab2[5][3] = 3 " +
                  saving(2) +
                  "\n\n\t\tNumber of segments : 1 "
                  "\n\t\tlength of this segment =  34.142136 "
                  "\n\n\tOrder = 3 \n\ttab2[5][3] = 3 " +
                  saving(3) +
                  "\n\n\t\tNumber of segments : 0 "
                  "\n\t\ttotal length of the sum of these segments =  0.000000 "
                  "\n\n\tTotal drainage network length = 90.710678 meters "
                  "\n\n\tName of the resulting file : images/S/y_strahler.bmp ");
    EXPECT_EQ(y.file("y_strahler_info.txt"),
              "\n\t\tBRANCHRANKER "
              "\n\n\tRiver File : images/S/y.raw "
              "\n\tResulting image : images/S/y_strahler.bmp "
              "\n\n\tGray tone value of the drainage network : 9 "
              "\n\n\tLast order : 3 "
              "\n\n\tAll steps of calculation saved " +
                  saved(1) +
                  "\n\n\tOrder number 1 "
                  "\n\n\t\tNumber of segments : 2 "
                  "\n\t\tsegment 1 num_pix 3 length 28.284271 "
                  "\n\t\tsegment 2 num_pix 3 length 28.284271 "
                  "\n\n\t\tTotal length = 56.568542 meters " +
                  saved(2) +
                  "\n\n\tOrder number 2 "
                  "\n\n\t\tNumber of segments : 1 "
                  "\n\t\tsegment 1 num_pix 3 length 34.142136 "
                  "\n\n\t\tTotal length = 34.142136 meters " +
                  saved(3) +
                  "\n\n\tOrder number 3 "
                  "\n\n\t\tNumber of segments : 0 "
                  "\n\n\t\tTotal length = 0.000000 meters "
                  "\n\n\tTotal drainage network length = 90.710678 meters "
                  "\n\n\tName of the resulting file : images/S/y_strahler.bmp ");
    EXPECT_EQ(y.file("y_strahler.bmp"), bmp(kYOrders));

    // Points: 2 end point, 3 junction or border, 255 nothing. Segments: what is left of the
    // network (9) after the pass, erased pixels 255, background 0.
    const std::map<char, unsigned char> points = {{'.', 255}, {'e', 2}, {'j', 3}};
    const std::map<char, unsigned char> left = {{'.', 0}, {'x', 255}, {'#', 9}};
    EXPECT_EQ(
        y.file("y_strahler_points_step1.bmp"),
        bmp(bytes({".......", ".e...e.", ".......", "...j...", ".......", "...j..."}, points)));
    EXPECT_EQ(y.file("y_strahler_segments_step1.bmp"),
              bmp(bytes({".......", ".x...x.", "..x.x..", "...#...", "...#...", "...#..."}, left)));
    EXPECT_EQ(
        y.file("y_strahler_points_step2.bmp"),
        bmp(bytes({".......", ".......", ".......", "...e...", ".......", "...j..."}, points)));
    const std::string pruned =
        bmp(bytes({".......", ".x...x.", "..x.x..", "...x...", "...x...", "...#..."}, left));
    EXPECT_EQ(y.file("y_strahler_segments_step2.bmp"), pruned);
    EXPECT_EQ(
        y.file("y_strahler_points_step3.bmp"),
        bmp(bytes({".......", ".......", ".......", ".......", ".......", "...j..."}, points)));
    EXPECT_EQ(y.file("y_strahler_segments_step3.bmp"), pruned);
}

TEST(RunOrders, AsciiResultFromRawInput) {
    YFolder y;
    ProgramResult r = run_program(y.dir.path, "S y 0 0 2 500.5 1000 9 2 1\n");
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(from_first_pass(r.output),
              kPass1 + kPass2 +
                  "\n\n\tTotal drainage network length = 90.710678 meters \n\n"
                  "\n\n\tName of the resulting file : images/S/y_strahler.asc ");
    std::string cells;
    for (const std::string& row : kYOrders) {
        for (char v : row) cells += std::to_string(static_cast<unsigned char>(v)) + "\t";
    }
    EXPECT_EQ(y.file("y_strahler.asc"),
              "ncols 7\nnrows 6\nxllcorner 500.500000\nyllcorner 1000.000000\n"
              "cellsize 10.000000\nnodata_value -9999.9999\n" +
                  cells);
    EXPECT_NE(y.file("y_strahler_info.txt").find(kReportPasses), std::string::npos);
}

TEST(RunOrders, ReportListsOnlyTheSegmentsItCounts) {
    // In scan order: an isolated line (not counted, and said to touch the border nowhere) and
    // the line down to the border (counted), which is the one segment listed.
    TempDir dir;
    const Picture net = {
        "........",  //
        ".###....",  //
        "........",  //
        ".....#..",  //
        ".....#..",  //
        ".....#..",  //
        ".....#..",  //
    };
    write_file(dir / "images/S/iso.raw", raw(bytes(net, {{'.', 0}, {'#', 9}})));
    write_file(dir / "images/S/iso.txt", "7 8 1 0 255 10.0");
    ProgramResult r = run_program(dir.path, "S iso 0 0 0 9 1 1\n");
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(from_first_pass(r.output),
              "\n\n\tOrder = 1 \n\ttab2[6][5] = 3 "
              "\n\n\t\tNumber of segments : 1 "
              "\n\t\tlength of this segment =  30.000000 "
              "\n\n\tNot ordered soundly:"
              "\n\t\tParts of the network that touch the image border nowhere: 1 (the outlet of"
              " each is read as a source, so the orders along its main stream are too low) "
              "\n\n\tTotal drainage network length = 30.000000 meters "
              "\n\n\tName of the resulting file : images/S/iso_strahler.raw ");
    const std::string report = read_file(dir / "images/S/iso_strahler_info.txt");
    EXPECT_EQ(report.substr(report.find("\n\n\tOrder number 1 ")),
              "\n\n\tOrder number 1 "
              "\n\n\t\tNumber of segments : 1 "
              "\n\t\tsegment 1 num_pix 4 length 30.000000 "
              "\n\n\t\tTotal length = 30.000000 meters "
              "\n\n\tNot ordered soundly:"
              "\n\t\tParts of the network that touch the image border nowhere: 1 (the outlet of"
              " each is read as a source, so the orders along its main stream are too low) "
              "\n\n\tTotal drainage network length = 30.000000 meters "
              "\n\n\tName of the resulting file : images/S/iso_strahler.raw ");
    EXPECT_EQ(read_file(dir / "images/S/iso_strahler.raw"),
              raw(bytes(
                  {
                      "........",  //
                      ".111....",  //
                      "........",  //
                      ".....1..",  //
                      ".....1..",  //
                      ".....1..",  //
                      ".....1..",  //
                  },
                  {{'.', 255}, {'1', 1}})));
}

}  // namespace

TEST(RunOrders, LoopOnlyDrawingEndsNormallyWithTheWarning) {
    TempDir dir;
    const Picture ring = {
        "........",  //
        "..###...",  //
        ".#...#..",  //
        ".#...#..",  //
        "..###...",  //
        "........",  //
    };
    write_file(dir / "images/S/ring.raw", raw(bytes(ring, {{'.', 0}, {'#', 9}})));
    write_file(dir / "images/S/ring.txt", "6 8 1 0 255 10.0");
    ProgramResult r = run_program(dir.path, "S ring 0 0 0 9 2 1\n");
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_status, 0);
    const std::string warning =
        "\n\n\tNot ordered soundly:"
        "\n\t\tNetwork pixels left without an order on closed loops: 10 "
        "\n\t\tParts of the network that touch the image border nowhere: 1 (the outlet of each"
        " is read as a source, so the orders along its main stream are too low) "
        "\n\n\tTotal drainage network length = 0.000000 meters ";
    EXPECT_NE(r.output.find(warning), std::string::npos) << r.output;
    EXPECT_NE(read_file(dir / "images/S/ring_strahler_info.txt").find(warning), std::string::npos);
}
