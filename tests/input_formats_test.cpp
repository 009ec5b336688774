// The BMP and ASCII grid inputs: through the built program for the dialogue, and directly
// through the loaders for the grid that they leave.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dialogue/ascii_input.h"
#include "dialogue/bmp_input.h"
#include "dialogue/run_end.h"
#include "dialogue/run_state.h"
#include "formats/image.h"
#include "tests/test_support.h"

namespace {

const std::string kPixelSize = "\n\tpixel size? ";

std::string before_loading() {
    return banner() + kAskFolder + kAskName + "\n\tImage type:" + kTypeMenu;
}

// Input questions answered, the run stopped at the first output question.
std::string stopped_after_input(const std::string& loading, const std::string& name, int lines,
                                int columns) {
    return before_loading() + loading + "\n\tSIZE OF THE IMAGE RIVER: \n\t            " +
           std::to_string(lines) + " LINES\n\t        AND " + std::to_string(columns) +
           " COLUMNS\n\n\tResulting File: \n\t\t0 -----> Using the generic name " + name +
           " ? \n\t\t1 -----> Creating a new file ? \n\t\t" + kInputEnded;
}

void save_bmp(const std::string& path, std::vector<std::vector<unsigned char>> lines, int nb_col,
              int type) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::vector<unsigned char*> rows;
    for (auto& l : lines) rows.push_back(l.data());
    ASSERT_EQ(
        SauveBMP(path.c_str(), rows.data(), nb_col, static_cast<int>(lines.size()), type, nullptr),
        0);
}

std::string ascii_grid(int lines, int columns, const std::string& header_end = "") {
    std::string text = "ncols " + std::to_string(columns) + "\nnrows " + std::to_string(lines) +
                       "\nxllcorner 500.5\nyllcorner 1000.25\ncellsize 30\n" + header_end;
    for (int i = 0; i < lines; ++i) {
        for (int j = 0; j < columns; ++j) text += std::to_string((i + j) % 256) + " ";
        text += "\n";
    }
    return text;
}

// Runs a loader in-process on a file of the temporary folder, with a scripted console.
struct Loader {
    TempDir dir;
    RunState s;
    ScriptedConsole console{"7.5\n"};
    RunEnd end{-1, false};

    bool load_bmp(const std::string& bytes) {
        s.nomim1 = dir / "in.bmp";
        write_file(s.nomim1, bytes);
        return run([&] { load_bmp_input(s, console.console); });
    }
    bool load_ascii(const std::string& text) {
        s.nomim1 = dir / "in.asc";
        write_file(s.nomim1, text);
        s.f1 = open_file(s.nomim1, "r");
        return run([&] { load_ascii_input(s, console.console); });
    }
    template <typename F>
    bool run(F f) {
        try {
            f();
            return true;
        } catch (const RunEnd& e) {
            end = e;
            return false;
        }
    }
};

}  // namespace

TEST(BmpInput, AsksThePixelSizeThenReportsTheSize) {
    TempDir dir;
    save_bmp(dir / "images/Study/net.bmp", {{1, 2, 3}, {4, 5, 6}}, 3, 0);
    ProgramResult r = run_program(dir.path, "Study\nnet\n1\n12.5\n");
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.output, stopped_after_input(kPixelSize, "net", 2, 3));
}

TEST(BmpInput, MissingFileEndsTheRunLikeTheOtherInputs) {
    TempDir dir;
    write_file(dir / "images/S/other.bmp", "x");
    ProgramResult r = run_program(dir.path, "S net 1\n");
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.output, before_loading() + "\n\tFile images/S/net.bmp unknown\n");
}

TEST(BmpInput, RefusedFileEndsTheRunWithItsName) {
    TempDir dir;
    write_file(dir / "images/S/net.bmp", "BM not really a picture");
    ProgramResult r = run_program(dir.path, "S net 1\n");
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.output, before_loading() +
                            "\n\tFile images/S/net.bmp cannot be read: an uncompressed BMP image of"
                            " 8 bits (with a palette of 256 entries) or 24 bits per pixel is"
                            " expected, complete\n");
}

TEST(BmpInput, KeepsStoredValuesWhateverThePalette) {
    Loader l;
    save_bmp(l.dir / "p.bmp", {{0, 9, 254}}, 3, 0);
    std::string bytes = read_file(l.dir / "p.bmp");
    bytes[54 + 4 * 9] = 'x';  // entry 9 no longer grey: a palette of Type 1
    ASSERT_TRUE(l.load_bmp(bytes));
    EXPECT_EQ(l.s.tab1[0][0], 0);
    EXPECT_EQ(l.s.tab1[0][1], 9);
    EXPECT_EQ(l.s.tab1[0][2], 254);
    EXPECT_EQ(l.s.dpix_size, 7.5);
    EXPECT_EQ(l.console.transcript(), kPixelSize);
}

TEST(BmpInput, Turns24BitPixelsIntoGreyValues) {
    Loader l;
    // Blue, green, red per pixel. Grey pixels keep their value exactly.
    save_bmp(l.dir / "c.bmp",
             {{0, 0, 255, 0, 255, 0, 255, 0, 0},
              {0, 0, 0, 128, 128, 128, 255, 255, 255},
              {1, 1, 1, 10, 20, 30, 254, 254, 254}},
             3, 2);
    ASSERT_TRUE(l.load_bmp(read_file(l.dir / "c.bmp")));
    EXPECT_EQ(l.s.nb_col, 3);
    EXPECT_EQ(l.s.nb_lig, 3);
    const std::vector<int> expected = {76, 150, 29, 0, 128, 255, 1, 22, 254};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(l.s.tab1[k / 3][k % 3], expected[k]) << k;
}

TEST(AsciiInput, ShowsProgressBeforeEveryHundredthLineThenTheSize) {
    TempDir dir;
    write_file(dir / "images/S/g.asc", ascii_grid(250, 2, "nodata_value -9999\n"));
    ProgramResult r = run_program(dir.path, "S g 2\n");
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.output, stopped_after_input("\n\tline 100                \r"
                                            "\tline 200                \r\n",
                                            "g", 250, 2));
}

TEST(AsciiInput, RefusalsNameTheFileAndThePlace) {
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"ncols 3\nnrows 2\nxllcorner 1\nyllcorner 2\ncellsize 3\nnodata_value 0\n1 2 3\n1.5 0 0",
         "\n\tFile images/S/g.asc: cell of line 1, column 0 is not a whole number\n"},
        {"ncols 3\nnrows 2\nxllcorner 1\nyllcorner 2\ncellsize 3\n1 2 3 4",
         "\n\tFile images/S/g.asc ends before the cell of line 1, column 1\n"},
        {"ncols 3\nnrows 2\nXLLCENTER west\n",
         "\n\tFile images/S/g.asc: the value of XLLCENTER (header line 3) is not a number\n"},
        {"ncols 3\nNROWS 2.5\n",
         "\n\tFile images/S/g.asc: the value of NROWS (header line 2) is not a whole number from"
         " 1 to 2147483647\n"},
        {"ncols 3\nnrows 2\nxllcorner",
         "\n\tFile images/S/g.asc ends within its header, at header line 3\n"},
        // Sizes that no file this short can hold are refused before any allocation.
        {"ncols 2000000000 nrows 2000000000 x 0 y 0 c 1 n 0 1 2 3",
         "\n\tFile images/S/g.asc holds 55 bytes, too few for 2000000000 lines x 2000000000"
         " columns of cells\n"},
    };
    for (const Case& k : cases) {
        TempDir dir;
        write_file(dir / "images/S/g.asc", k.text);
        ProgramResult r = run_program(dir.path, "S g 2\n");
        EXPECT_EQ(r.exit_status, 1) << k.text;
        EXPECT_EQ(r.output, before_loading() + "\n" + k.message) << k.text;
    }
}

TEST(AsciiInput, SetsTheGeoreferenceFromEitherHeaderForm) {
    Loader six;
    ASSERT_TRUE(six.load_ascii(ascii_grid(2, 3, "NODATA_value -1\n")));
    EXPECT_EQ(six.s.X_min, 500.5);
    EXPECT_EQ(six.s.Y_min, 1000.25);
    EXPECT_EQ(six.s.dpix_size, 30.0);
    EXPECT_EQ(six.s.tab1[1][2], 3);
    EXPECT_FALSE(six.s.f1);
    EXPECT_EQ(six.console.transcript(), "\n\n");

    Loader five;
    ASSERT_TRUE(five.load_ascii(ascii_grid(2, 3)));
    EXPECT_EQ(five.s.tab1[0][0], 0);
    EXPECT_EQ(five.s.tab1[1][2], 3);
}

// An ASCII result carries the input's corner and cell size, and reads back as an input.
TEST(AsciiInput, AResultGridReadsBackAsAnInput) {
    TempDir dir;
    std::string text = "ncols 3\nnrows 4\nxllcorner 500.5\nyllcorner 1000.25\ncellsize 30\n";
    text += "0 1 0\n0 1 0\n0 1 0\n0 1 0\n";
    write_file(dir / "images/S/g.asc", text);
    // Generic name, ASCII result, network value 1, last order 1, no step images.
    ProgramResult r = run_program(dir.path, "S g 2 0 2 1 1 1\n");
    ASSERT_EQ(r.exit_status, 0) << r.output;
    const std::string result = read_file(dir / "images/S/g_strahler.asc");
    EXPECT_EQ(
        result.substr(0, result.find("nodata_value")),
        "ncols 3\nnrows 4\nxllcorner 500.500000\nyllcorner 1000.250000\ncellsize 30.000000\n");

    ProgramResult again = run_program(dir.path, "S g_strahler 2\n");
    EXPECT_EQ(again.output, stopped_after_input("\n\n", "g_strahler", 4, 3));
}
