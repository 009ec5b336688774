// Output set-up and the parameters dialogue: questions, paths, report heading, result streams.

#include "dialogue/output_setup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <utility>

#include "dialogue/parameters.h"
#include "dialogue/run.h"
#include "dialogue/run_end.h"
#include "dialogue/run_state.h"
#include "formats/image.h"
#include "formats/raw_image.h"
#include "tests/test_support.h"

namespace {

std::string name_menu(const std::string& name) {
    return "\n\t\t0 -----> Using the generic name " + name +
           " ? \n\t\t1 -----> Creating a new file ? \n\t\t";
}

const std::string kStepsMenu =
    "\n\tSaving the different steps of calculation: "
    "\n\tNote that all the resulting images are bitmaps "
    "\n\t\t0 ====> yes\n\t\t1 ====> no\n\t\t";

// A run state as input acquisition leaves it for a 3 x 4 image in folder dir/images/S.
RunState loaded(const TempDir& dir, double pixel = 10.0) {
    RunState s;
    s.nb_lig = 3;
    s.nb_col = 4;
    s.dpix_size = pixel;
    s.nomim1 = dir / "images/S/drain.raw";
    s.nomim2 = dir / "images/S/";
    s.nomim3 = s.nomim2;
    s.tab1 = ByteGrid(ucmatrice(4, 3), 3);
    std::filesystem::create_directories(dir / "images/S");
    return s;
}

struct SetUpResult {
    int status = -1;  // -1: no end of run
    std::string transcript;
};

SetUpResult set_up(RunState& s, const std::string& answers, const std::string& name = "drain") {
    ScriptedConsole sc(answers);
    SetUpResult r;
    try {
        set_up_output(s, sc.console, name);
    } catch (const RunEnd& e) {
        r.status = e.status;
    }
    r.transcript = sc.transcript();
    return r;
}

}  // namespace

TEST(OutputSetUp, RawResultWithGenericName) {
    TempDir dir;
    RunState s = loaded(dir, 2.9);
    SetUpResult r = set_up(s, "0 0\n");
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.transcript,
              "\n\n\tResulting File: " + name_menu("drain") + "\n\tImage type:" + kTypeMenu);
    EXPECT_EQ(s.nomim2, dir / "images/S/drain_strahler.raw");
    EXPECT_EQ(s.nomdescr2, dir / "images/S/drain_strahler.txt");
    EXPECT_EQ(s.nominfo, dir / "images/S/drain_strahler_info.txt");
    EXPECT_EQ(s.nomim_step, dir / "images/S/drain_strahler");
    ASSERT_TRUE(s.finfo && s.tab5);
    EXPECT_FALSE(s.tab || s.tab2 || s.tab4);  // the engine needs none of them
    s.finfo.reset();
    // Temporaries: nothing under the final names before the run is complete, and nothing left
    // of the descriptor's probe (it is written with the image).
    EXPECT_FALSE(file_exists(s.nominfo) || file_exists(s.nomdescr2) || file_exists(s.nomim2));
    EXPECT_TRUE(file_exists(s.info_out.temp));
    const auto entries = std::distance(std::filesystem::directory_iterator(dir / "images/S"),
                                       std::filesystem::directory_iterator());
    EXPECT_EQ(entries, s.result_out ? 2 : 1);
}

TEST(OutputSetUp, ResultDescriptorTruncatesThePixelSizeWithoutOverflow) {
    TempDir dir;
    for (const auto& [pixel, text] : {std::pair{2.9, "2"}, {0.5, "0"}, {-3e9, "-3000000000"}}) {
        File f = open_file(dir / "d.txt", "w");
        ASSERT_TRUE(write_result_descriptor(f.get(), 3, 4, pixel));
        f.reset();
        EXPECT_EQ(read_file(dir / "d.txt"), std::string("3\n4\n1\n0\n255\n") + text + "\n");
    }
}

TEST(OutputSetUp, MenusRepeatTheirChoicesOnly) {
    TempDir dir;
    RunState s = loaded(dir);
    SetUpResult r = set_up(s, "2 -1 x\n1 other 3 -1\n1\n");
    EXPECT_EQ(r.transcript, "\n\n\tResulting File: " + name_menu("drain") + name_menu("drain") +
                                name_menu("drain") + name_menu("drain") +
                                "\n\tName of the output file (without any extension) ? " +
                                "\n\tImage type:" + kTypeMenu + kTypeMenu + kTypeMenu);
    EXPECT_EQ(s.nomim2, dir / "images/S/other_strahler.bmp");
    EXPECT_FALSE(s.f2);
    EXPECT_FALSE(file_exists(s.nomim2));  // the writer creates it after the passes
}

TEST(OutputSetUp, AsciiResultAsksTheCornerUnlessTheInputGaveIt) {
    TempDir dir;
    RunState s = loaded(dir);
    SetUpResult r = set_up(s, "0 2 512.5\n256.25\n");
    EXPECT_EQ(r.transcript, "\n\n\tResulting File: " + name_menu("drain") +
                                "\n\tImage type:" + kTypeMenu +
                                "\n\tUTM coordinates required \n\t\tX_min ? \t\tY_min ? ");
    EXPECT_EQ(s.X_min, 512.5);
    EXPECT_EQ(s.Y_min, 256.25);
    EXPECT_TRUE(s.open_ascii_OK);

    TempDir dir2;
    RunState t = loaded(dir2);
    t.open_ascii_OK = true;
    r = set_up(t, "0 2\n");
    EXPECT_EQ(r.transcript,
              "\n\n\tResulting File: " + name_menu("drain") + "\n\tImage type:" + kTypeMenu);
}

TEST(OutputSetUp, ExistingResultsStayUntilTheNewOnesAreWhole) {
    TempDir dir;
    write_file(dir / "images/S/drain_strahler.raw", "old result");
    write_file(dir / "images/S/drain_strahler_info.txt", "old report");
    RunState s = loaded(dir);
    set_up(s, "0 0\n");
    s.finfo.reset();
    EXPECT_TRUE(file_exists(s.info_out.temp));
    EXPECT_EQ(read_file(dir / "images/S/drain_strahler.raw"), "old result");
    EXPECT_EQ(read_file(dir / "images/S/drain_strahler_info.txt"), "old report");
    const std::string temp = s.info_out.temp;
    discard_outputs(s);  // a run that ends early
    EXPECT_FALSE(file_exists(temp));
    EXPECT_EQ(read_file(dir / "images/S/drain_strahler.raw"), "old result");
}

TEST(OutputSetUp, UncreatableFilesEndTheRunAndLeaveNothingBehind) {
    // A folder standing where a file should go cannot be opened as a file, even by root.
    struct Case {
        std::string blocked;  // file name made a folder
        std::string answers;
    };
    const Case cases[] = {
        {"drain_strahler_info.txt", "0\n"},  {"drain_strahler.raw", "0 0\n"},
        {"drain_strahler.txt", "0 0\n"},     {"drain_strahler.bmp", "0 1\n"},
        {"drain_strahler.asc", "0 2 1 2\n"},
    };
    for (const Case& k : cases) {
        TempDir dir;
        RunState s = loaded(dir);
        std::filesystem::create_directories(dir / ("images/S/" + k.blocked));
        SetUpResult r = set_up(s, k.answers);
        EXPECT_EQ(r.status, 1) << k.blocked;
        const std::string message =
            "\n\tFile " + (dir / ("images/S/" + k.blocked)) + " cannot be created\n";
        ASSERT_GE(r.transcript.size(), message.size());
        EXPECT_EQ(r.transcript.substr(r.transcript.size() - message.size()), message);
        std::size_t entries = 0;
        for (auto& e : std::filesystem::directory_iterator(dir / "images/S")) {
            (void)e;
            ++entries;
        }
        EXPECT_EQ(entries, 1u) << k.blocked << ": only the blocking folder is left";
    }
}

TEST(OutputSetUp, BmpProbeKeepsAnExistingResult) {
    TempDir dir;
    write_file(dir / "images/S/drain_strahler.bmp", "previous");
    RunState s = loaded(dir);
    set_up(s, "0 1\n");
    EXPECT_EQ(read_file(dir / "images/S/drain_strahler.bmp"), "previous");
}

namespace {

// The report begins once the parameters are known.
const std::string kHeading =
    "\n\t\tBRANCHRANKER \n\n\tRiver File : n.raw \n\tResulting image : n_strahler.raw ";

struct Params {
    std::string transcript;
    std::string report;
    int status = -1;
};

Params ask_parameters(RunState& s, const TempDir& dir, const std::string& answers) {
    s.nb_lig = 2;
    s.nb_col = 3;
    s.nomim1 = "n.raw";
    s.nomim2 = "n_strahler.raw";
    s.finfo = open_file(dir / "report.txt", "w");
    ScriptedConsole sc(answers);
    Params p;
    try {
        parameters(s, sc.console);
    } catch (const RunEnd& e) {
        p.status = e.status;
    }
    s.finfo.reset();
    p.transcript = sc.transcript();
    p.report = read_file(dir / "report.txt");
    return p;
}

}  // namespace

TEST(Parameters, AnswersAreEchoedInTheReport) {
    TempDir dir;
    RunState s;
    Params p = ask_parameters(s, dir, "0 3 0\n");
    EXPECT_EQ(p.transcript,
              "\n\n\tValue of the drainage network ?: \n\tLast order ?: " + kStepsMenu);
    EXPECT_EQ(p.report,
              kHeading +
                  "\n\n\tGray tone value of the drainage network : 0 \n\n\tLast order : 3 "
                  "\n\n\tAll steps of calculation saved ");
    EXPECT_EQ(s.val_red, 0);
    EXPECT_EQ(s.Num_order, 3);
    EXPECT_EQ(s.save_step, 1);
    EXPECT_TRUE(s.tab2);  // the points image, for the step images only
}

TEST(Parameters, StepsMenuRepeatsAndNegativeMeansNo) {
    TempDir dir;
    RunState s;
    Params p = ask_parameters(s, dir, "12 0 2 x\n-4\n");
    EXPECT_EQ(p.transcript, "\n\n\tValue of the drainage network ?: \n\tLast order ?: " +
                                kStepsMenu + kStepsMenu + kStepsMenu);
    EXPECT_EQ(
        p.report,
        kHeading + "\n\n\tGray tone value of the drainage network : 12 \n\n\tLast order : 0 ");
    EXPECT_EQ(s.save_step, 0);
    EXPECT_EQ(s.Num_order, 0);
    EXPECT_FALSE(s.tab2);
}

TEST(Parameters, NetworkValueAndLastOrderOutOfRangeAreAskedAgain) {
    TempDir dir;
    RunState s;
    Params p = ask_parameters(s, dir, "255 -1 254 64 -2 1\n");
    const std::string value = "\n\n\tValue of the drainage network ?: ";
    const std::string bad_value = "\n\tThe value of the drainage network lies between 0 and 254";
    EXPECT_EQ(
        p.transcript,
        value + bad_value + value + bad_value + value +
            "\n\tLast order ?: \n\tThe last order is at most 63\n\tLast order ?: " + kStepsMenu);
    EXPECT_EQ(s.val_red, 254);
    EXPECT_EQ(s.Num_order, -2);
}

TEST(Parameters, EndOfInputStopsTheRun) {
    TempDir dir;
    RunState s;
    Params p = ask_parameters(s, dir, "7\n");
    EXPECT_EQ(p.status, 1);
}

TEST(OutputSetUp, WholeDialogueThroughTheProgram) {
    TempDir dir;
    write_file(dir / "images/Study/drain.raw", std::string(12, '\xff'));
    write_file(dir / "images/Study/drain.txt", "3 4 1 0 255 10");
    ProgramResult r = run_program(dir.path, "Study drain 0 1 result 2 100 200 5 2 1\n");
    const std::string tail =
        "\n\tSIZE OF THE IMAGE RIVER: \n\t            3 LINES\n\t        AND 4 COLUMNS"
        "\n\n\tResulting File: " +
        name_menu("drain") +
        "\n\tName of the output file (without any extension) ? "
        "\n\tImage type:" +
        kTypeMenu +
        "\n\tUTM coordinates required \n\t\tX_min ? \t\tY_min ? "
        "\n\n\tValue of the drainage network ?: \n\tLast order ?: " +
        kStepsMenu;
    EXPECT_NE(r.output.find(tail), std::string::npos) << r.output;
    const std::string report = read_file(dir / "images/Study/result_strahler_info.txt");
    const std::string first_lines =
        "\n\t\tBRANCHRANKER \n\n\tRiver File : images/Study/drain.raw "
        "\n\tResulting image : images/Study/result_strahler.asc "
        "\n\n\tGray tone value of the drainage network : 5 \n\n\tLast order : 2 ";
    EXPECT_EQ(report.substr(0, first_lines.size()), first_lines);
    EXPECT_EQ(report.find("All steps"), std::string::npos);
}

TEST(RunEnd, ReportThatCouldNotBeWrittenMakesTheStatusOne) {
    RunState s;
    s.nominfo = "/dev/full";
    s.finfo = open_file("/dev/full", "w");
    std::fprintf(s.finfo.get(), "\n\t\tBRANCHRANKER ");
    ScriptedConsole sc("");
    check_text_outputs(s, sc.console);
    EXPECT_EQ(s.status, 1);
    EXPECT_EQ(sc.transcript(), "\n\n\tFile /dev/full could not be written completely ");

    RunState fine;
    TempDir dir;
    fine.nominfo = dir / "report.txt";
    fine.finfo = open_file(fine.nominfo, "w");
    std::fprintf(fine.finfo.get(), "text");
    ScriptedConsole quiet("");
    check_text_outputs(fine, quiet.console);
    EXPECT_EQ(fine.status, 0);
    EXPECT_EQ(quiet.transcript(), "");
}

TEST(OutputSetUp, TypedNameThatWouldReplaceTheInputIsAskedAgain) {
    TempDir dir;
    RunState s = loaded(dir);
    s.nomim1 = dir / "images/S/a_strahler.raw";
    s.nomdescr1 = dir / "images/S/a_strahler_info.txt";
    write_file(s.nomim1, "input");
    write_file(s.nomdescr1, "descriptor");
    SetUpResult r = set_up(s, "1 a ../S/a b 0\n", "a_strahler");
    const std::string ask = "\n\tName of the output file (without any extension) ? ";
    const std::string refused = "\n\tWith this name a result would replace the network file";
    EXPECT_EQ(r.transcript, "\n\n\tResulting File: " + name_menu("a_strahler") + ask + refused +
                                ask + refused + ask + "\n\tImage type:" + kTypeMenu);
    EXPECT_EQ(s.nomim2, dir / "images/S/b_strahler.raw");
    EXPECT_EQ(read_file(dir / "images/S/a_strahler.raw"), "input");
    EXPECT_EQ(read_file(dir / "images/S/a_strahler_info.txt"), "descriptor");
}

TEST(OutputSetUp, BitmapResultTooLargeForTheFormatIsRefusedAtOnce) {
    TempDir dir;
    RunState s = loaded(dir);
    s.nb_lig = 70000;  // 70000 x 70000 bytes: more than a BMP file can hold
    s.nb_col = 70000;
    ScriptedConsole sc("0 1\n");
    try {
        set_up_output(s, sc.console, "drain");
    } catch (const RunEnd&) {
    }
    EXPECT_EQ(sc.transcript(),
              "\n\n\tResulting File: " + name_menu("drain") + "\n\tImage type:" + kTypeMenu +
                  "\n\tThe image is too large for a bitmap file (4 GiB at most)" + kTypeMenu +
                  "\n\n\tNo more answers on the standard input: the run stops\n");
    EXPECT_TRUE(fits_bmp(65000, 65000));
    EXPECT_FALSE(fits_bmp(65536, 65536));
}

TEST(OutputSetUp, RunEndingInTheDialogueLeavesNoFileBehind) {
    for (const std::string answers : {"S n 0 0\n", "S n 0 0 2 1\n", "S n 0 0 0 7 3\n"}) {
        TempDir dir;
        write_file(dir / "images/S/n.raw", std::string(6, '\xff'));
        write_file(dir / "images/S/n.txt", "2 3 1 0 255 1");
        ProgramResult r = run_program(dir.path, answers);
        EXPECT_EQ(r.exit_status, 1) << answers;
        std::size_t entries = 0;
        for (auto& e : std::filesystem::directory_iterator(dir / "images/S")) {
            (void)e;
            ++entries;
        }
        EXPECT_EQ(entries, 2u) << answers << ": only the network and its descriptor are left";
    }
}
