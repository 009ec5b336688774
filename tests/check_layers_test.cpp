// The include check that every build runs: it passes on the sources as they are and names each
// include that crosses the layers upwards.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/test_support.h"

namespace {

struct CheckResult {
    int status = -1;
    std::string output;
};

CheckResult check_layers(const std::string& source_dir) {
    const std::string command = "cmake -DSOURCE_DIR='" + source_dir + "' -P '" +
                                BRANCHRANKER_SOURCE_DIR "/cmake/check_layers.cmake' 2>&1";
    CheckResult r;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return r;
    char chunk[512];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, p)) > 0) r.output.append(chunk, n);
    r.status = pclose(p);
    return r;
}

}  // namespace

TEST(CheckLayers, PassesOnTheSourcesAndNamesEveryUpwardInclude) {
    const CheckResult sources = check_layers(BRANCHRANKER_SOURCE_DIR);
    EXPECT_EQ(sources.status, 0) << sources.output;

    TempDir dir;
    write_file(dir / "base/grid.h", "#include <vector>\n#include \"engine/walks.h\"\n");
    write_file(dir / "engine/walk.cpp",
               "#include \"base/grid.h\"\n  #  include \"formats/bmp.h\"\n");
    write_file(dir / "formats/bmp.cpp", "#include \"base/grid.h\"\n#include \"dialogue/ask.h\"\n");
    write_file(dir / "dialogue/ask.cpp",
               "#include \"engine/walks.h\"\n#include \"formats/bmp.h\"\n#include \"cli/x.h\"\n");
    write_file(dir / "cli/main.cpp", "#include \"dialogue/ask.h\"\n#include \"engine/walks.h\"\n");
    write_file(dir / "formats/ascii.cpp", "#include \"formats/gis/tiff.h\"\n");
    write_file(dir / "formats/gis/tiff.cpp",
               "#include \"formats/bmp.h\"\n#include \"engine/walks.h\"\n");
    write_file(dir / "app/main.cpp", "#include \"cli/x.h\"\n#include \"engine/walks.h\"\n");
    write_file(dir / "tools/gen.cpp", "#include \"formats/bmp.h\"\n#include \"engine/walks.h\"\n");
    write_file(dir / "bench/run.cpp", "#include \"tests/support/plain.h\"\n#include \"app/x.h\"\n");
    write_file(dir / "tests/walk_test.cpp", "#include \"app/x.h\"\n#include \"walks.h\"\n");
    const CheckResult wrong = check_layers(dir.path);
    EXPECT_NE(wrong.status, 0);
    for (const char* fault :
         {"base/grid.h includes \"engine/walks.h\"", "engine/walk.cpp includes \"formats/bmp.h\"",
          "formats/bmp.cpp includes \"dialogue/ask.h\"", "dialogue/ask.cpp includes \"cli/x.h\"",
          "cli/main.cpp includes \"dialogue/ask.h\"",
          "formats/ascii.cpp includes \"formats/gis/tiff.h\"",
          "formats/gis/tiff.cpp includes \"engine/walks.h\"",
          "app/main.cpp includes \"engine/walks.h\"", "tools/gen.cpp includes \"engine/walks.h\"",
          "bench/run.cpp includes \"app/x.h\"",
          "tests/walk_test.cpp includes \"walks.h\" without its folder"}) {
        EXPECT_NE(wrong.output.find(fault), std::string::npos) << fault << "\n" << wrong.output;
    }
    // Allowed includes are not named.
    for (const char* allowed :
         {"includes \"base/grid.h\"", "dialogue/ask.cpp includes \"engine",
          "formats/gis/tiff.cpp includes \"formats/bmp.h\"", "app/main.cpp includes \"cli/x.h\"",
          "tools/gen.cpp includes \"formats/bmp.h\"",
          "bench/run.cpp includes \"tests/support/plain.h\"",
          "tests/walk_test.cpp includes \"app/x.h\""}) {
        EXPECT_EQ(wrong.output.find(allowed), std::string::npos) << allowed << "\n" << wrong.output;
    }
}
