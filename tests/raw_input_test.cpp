// The input dialogue with raw images, through the built program.

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace {

std::string size_report(int lines, int columns) {
    return "\n\tSIZE OF THE IMAGE RIVER: \n\t            " + std::to_string(lines) +
           " LINES\n\t        AND " + std::to_string(columns) + " COLUMNS";
}

std::string result_name_menu(const std::string& name) {
    return "\n\t\t0 -----> Using the generic name " + name +
           " ? \n\t\t1 -----> Creating a new file ? \n\t\t";
}

// Input questions answered, the run stopped at the first output question.
std::string stopped_after_input(const std::string& menus, const std::string& between,
                                const std::string& name, int lines, int columns) {
    return banner() + kAskFolder + kAskName + "\n\tImage type:" + menus + between +
           size_report(lines, columns) + "\n\n\tResulting File: " + result_name_menu(name) +
           kInputEnded;
}

std::string raw_bytes(int lines, int columns) {
    std::string b;
    for (int i = 0; i < lines * columns; ++i) b += static_cast<char>(i % 251);
    return b;
}

}  // namespace

TEST(RawInput, DescriptorReadAndSizeReported) {
    TempDir dir;
    write_file(dir / "images/Study/drain.raw", raw_bytes(3, 4));
    write_file(dir / "images/Study/drain.txt", "3\n4\n1\n0\n255\n10.000000\n");
    ProgramResult r = run_program(dir.path, "Study\ndrain\n0\n");
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.output, stopped_after_input(kTypeMenu, "", "drain", 3, 4));
    EXPECT_EQ(read_file(dir / "images/Study/drain.txt"), "3\n4\n1\n0\n255\n10.000000\n");
}

TEST(RawInput, DescriptorLayoutDoesNotMatter) {
    for (std::string descr : {"2 5 1 0 255 2.5", "2\r\n5\r\n1\r\n0\r\n255\r\n2.5\r\n",
                              "\t2   5\n\n1 0\n255 2.5 trailing words"}) {
        TempDir dir;
        write_file(dir / "images/S/n.raw", raw_bytes(2, 5));
        write_file(dir / "images/S/n.txt", descr);
        ProgramResult r = run_program(dir.path, "S n 0\n");
        EXPECT_EQ(r.output, stopped_after_input(kTypeMenu, "", "n", 2, 5)) << descr;
    }
}

TEST(RawInput, TypeMenuRepeatsWithoutItsTitle) {
    TempDir dir;
    write_file(dir / "images/S/n.raw", raw_bytes(1, 1));
    write_file(dir / "images/S/n.txt", "1 1 1 0 255 1");
    ProgramResult r = run_program(dir.path, "S n 3 -1 x y\n0\n");
    // 3 and -1 are out of range; "x" is no number and takes "y" with the rest of its line.
    EXPECT_EQ(r.output,
              stopped_after_input(kTypeMenu + kTypeMenu + kTypeMenu + kTypeMenu, "", "n", 1, 1));
}

TEST(RawInput, MissingImageEndsTheRunAndCreatesNothing) {
    TempDir dir;
    write_file(dir / "images/S/other.raw", "x");
    ProgramResult r = run_program(dir.path, "S drain 0\n");
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.output, banner() + kAskFolder + kAskName + "\n\tImage type:" + kTypeMenu +
                            "\n\tFile images/S/drain.raw unknown\n");
    EXPECT_FALSE(file_exists(dir / "images/S/drain.txt"));
}

TEST(RawInput, MissingDescriptorIsAskedForThenWrittenAndReadBack) {
    TempDir dir;
    write_file(dir / "images/S/n.raw", raw_bytes(2, 3));
    ProgramResult r = run_program(dir.path, "S n 0\n0\n-3\n2\nx\n3\n12.5\n");
    const std::string questions =
        "\n\tNo File images/S/n.txt \n\n"
        "\n\tNumber of lines   ? \n\tNumber of lines   ? \n\tNumber of lines   ? "
        "\n\tNumber of columns ? \n\tNumber of columns ? \n\tPixel size (real) ? ";
    EXPECT_EQ(r.output, stopped_after_input(kTypeMenu, questions, "n", 2, 3));
    EXPECT_EQ(read_file(dir / "images/S/n.txt"), "2\n3\n1\n0\n255\n12.500000\n");

    ProgramResult again = run_program(dir.path, "S n 0\n");
    EXPECT_EQ(again.output, stopped_after_input(kTypeMenu, "", "n", 2, 3));
}

TEST(RawInput, LongerRawFileIsReadAsFarAsItsSize) {
    TempDir dir;
    write_file(dir / "images/S/n.raw", raw_bytes(4, 4));
    write_file(dir / "images/S/n.txt", "2 3 1 0 255 1");
    ProgramResult r = run_program(dir.path, "S n 0\n");
    EXPECT_EQ(r.output, stopped_after_input(kTypeMenu, "", "n", 2, 3));
}

TEST(RawInput, BadDescriptorsAndShortFilesAreRefused) {
    struct Case {
        std::string descriptor;  // empty: none, the sizes are typed
        std::string answers;
        std::string message;
    };
    const Case cases[] = {
        {"2 3 1 0 255", "S n 0\n",
         "\n\tDescriptor images/S/n.txt: expected six numbers, the lines and the columns "
         "positive (lines, columns, 1, 0, 255, pixel size)\n"},
        {"0 3 1 0 255 1", "S n 0\n",
         "\n\tDescriptor images/S/n.txt: expected six numbers, the lines and the columns "
         "positive (lines, columns, 1, 0, 255, pixel size)\n"},
        {"3 3 1 0 255 1", "S n 0\n",
         "\n\tFile images/S/n.raw holds 6 bytes, fewer than 3 lines x 3 columns\n"},
        {"2147483647 2147483647 1 0 255 1", "S n 0\n",
         "\n\tFile images/S/n.raw holds 6 bytes, fewer than 2147483647 lines x 2147483647 "
         "columns\n"},
        {"", "S n 0 4 4 1\n",
         "\n\tFile images/S/n.raw holds 6 bytes, fewer than 4 lines x 4 columns\n"},
    };
    for (const Case& k : cases) {
        TempDir dir;
        write_file(dir / "images/S/n.raw", raw_bytes(2, 3));
        if (!k.descriptor.empty()) write_file(dir / "images/S/n.txt", k.descriptor);
        ProgramResult r = run_program(dir.path, k.answers);
        EXPECT_EQ(r.exit_status, 1) << k.descriptor;
        ASSERT_GE(r.output.size(), k.message.size());
        EXPECT_EQ(r.output.substr(r.output.size() - k.message.size()), k.message);
        if (k.descriptor.empty()) {
            EXPECT_FALSE(file_exists(dir / "images/S/n.txt"));
        }
        EXPECT_FALSE(file_exists(dir / "images/S/n_strahler_info.txt"));
    }
}

TEST(RawInput, LongNamesAreNotCut) {
    TempDir dir;
    const std::string name(150, 'n');
    write_file(dir / ("images/S/" + name + ".raw"), raw_bytes(1, 2));
    write_file(dir / ("images/S/" + name + ".txt"), "1 2 1 0 255 1");
    ProgramResult r = run_program(dir.path, "S " + name + " 0\n");
    EXPECT_EQ(r.output, stopped_after_input(kTypeMenu, "", name, 1, 2));
}
