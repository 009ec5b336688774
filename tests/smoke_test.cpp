#include <gtest/gtest.h>

#include "tests/test_support.h"

TEST(Program, ShowsBannerAndStopsAtEndOfInput) {
    TempDir dir;
    ProgramResult r = run_program(dir.path, "");
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.output.rfind(banner(), 0), 0u);
}
