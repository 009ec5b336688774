// A short run of the benchmark program on a tiny grid, so that it keeps building and running.
// No timing is checked: only that every figure is printed and the correctness figures hold.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "tests/test_support.h"

#ifdef BRANCHRANKER_BENCH_EXE

namespace {

// Runs the benchmark with `arguments` and reads its figures.
std::map<std::string, double> bench_figures(const std::string& arguments) {
    TempDir dir;
    const std::string out = dir / "out.txt";
    const std::string command = std::string("timeout 120 '") + BRANCHRANKER_BENCH_EXE + "' " +
                                arguments + " > '" + out + "' 2>&1 < /dev/null";
    std::map<std::string, double> figures;
    EXPECT_EQ(std::system(command.c_str()), 0) << read_file(out);
    std::istringstream lines(read_file(out));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string name;
        std::string unit;
        double value = 0;
        EXPECT_TRUE(words >> name >> value >> unit) << "not a figure line: " << line;
        figures[name] = value;
    }
    return figures;
}

}  // namespace

TEST(BenchSmoke, PrintsEveryFigureOnATinyGrid) {
    std::map<std::string, double> figures = bench_figures("--size 256 --seed 3");
    for (const char* name : {"lines",
                             "columns",
                             "network_share",
                             "highest_order",
                             "grid_sweep_memcpy",
                             "floor_raw_to_raw",
                             "copy_input",
                             "run_raw_to_raw",
                             "run_over_floor",
                             "run_over_copy",
                             "run_peak_bytes_per_pixel",
                             "ascii_write_library",
                             "ascii_write_fprintf",
                             "ascii_write_speedup",
                             "ascii_read_library",
                             "ascii_read_fscanf",
                             "ascii_read_speedup",
                             "treatment",
                             "treatment_grid_sweeps",
                             "plain_treatment",
                             "treatment_speedup",
                             "drawn_run_raw_to_raw",
                             "drawn_run_over_floor",
                             "passes_threads_over_one",
                             "treatment_drawn",
                             "passes_drawn_over_clean",
                             "terrain_run_over_floor",
                             "passes_terrain_over_clean",
                             "gis_byte_run",
                             "gis_int16_nodata_over_byte",
                             "gis_float32_nodata_over_byte",
                             "dense_run_over_floor",
                             "passes_dense_over_clean_per_network_pixel"}) {
        EXPECT_EQ(figures.count(name), 1u) << name;
    }
    EXPECT_EQ(figures["lines"], 256);
    EXPECT_GE(figures["highest_order"], 3);
    EXPECT_EQ(figures["run_exit_status"], 0);
    EXPECT_EQ(figures["copy_input_ok"], 1);
    EXPECT_EQ(figures["floor_ok"], 1);
    EXPECT_EQ(figures["drawn_run_exit_status"], 0);
    EXPECT_EQ(figures["treatment_drawn_ok"], 1);
    EXPECT_EQ(figures["terrain_run_exit_status"], 0);
    EXPECT_EQ(figures["treatment_terrain_ok"], 1);
    EXPECT_EQ(figures["run_result_is_strahler"], 1);
    EXPECT_GT(figures["run_peak_bytes_per_pixel"], 0);
    EXPECT_EQ(figures["ascii_write_identical"], 1);
    EXPECT_EQ(figures["ascii_read_identical"], 1);
    EXPECT_EQ(figures["treatment_outputs_identical"], 1);
    for (const char* ok :
         {"gis_byte_run_ok", "gis_int16_nodata_run_ok", "gis_float32_nodata_run_ok"})
        EXPECT_EQ(figures[ok], 1) << ok;
    EXPECT_EQ(figures["treatment_dense_ok"], 1);
    EXPECT_GT(figures["dense_network_pixels"], figures["terrain_network_pixels"]);

    // Parts asked for alone: the engines without the whole runs or the ASCII grids.
    figures = bench_figures("--size 64 --drawn-size 0 --terrain-size 0 --only engines");
    EXPECT_EQ(figures.count("treatment"), 1u);
    EXPECT_EQ(figures.count("passes_dense_over_clean_per_network_pixel"), 1u);
    EXPECT_EQ(figures.count("run_raw_to_raw"), 0u);
    EXPECT_EQ(figures.count("ascii_write_library"), 0u);
    EXPECT_EQ(figures.count("gis_byte_run"), 0u);
}

TEST(BenchSmoke, RefusesABadSize) {
    const std::string command =
        std::string("'") + BRANCHRANKER_BENCH_EXE + "' --size 8 > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
}

#else

TEST(BenchSmoke, PrintsEveryFigureOnATinyGrid) {
    GTEST_SKIP() << "the benchmark program is not part of this build";
}

#endif
