// Whole runs of the program under faults: links to the input, a full disk, a lost console, no
// memory, inputs that are not files, meaningless pixel sizes, a dangling link. Each shows the
// input untouched, no partial file under any name, and the status and message.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace fs = std::filesystem;

namespace {

// A Y-shaped network of value 0 on 255 in an n x n raster: two branches meet in the middle, the
// stem runs to the bottom border. Two orders.
std::string y_network(int n) {
    std::string cells(static_cast<std::size_t>(n) * n, '\xff');
    auto set = [&](int i, int j) { cells[static_cast<std::size_t>(i) * n + j] = 0; };
    const int mid = n / 2;
    for (int d = 1; d < mid - 4; ++d) {
        set(mid - d, mid - d);
        set(mid - d, mid + d);
    }
    for (int i = mid; i < n; ++i) set(i, mid);
    return cells;
}

// The raw network n.raw with its descriptor in dir/images/S.
void write_raw_network(const TempDir& dir, int n, const std::string& pixel = "25") {
    write_file(dir / "images/S/n.raw", y_network(n));
    write_file(dir / "images/S/n.txt",
               std::to_string(n) + " " + std::to_string(n) + " 1 0 255 " + pixel);
}

// Every entry of the folder (files, links, folders) with its bytes ("<link>" for a link).
std::map<std::string, std::string> contents(const std::string& folder) {
    std::map<std::string, std::string> m;
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (e.is_symlink()) {
            m[name] = "<link " + fs::read_symlink(e.path()).string() + ">";
        } else if (e.is_regular_file()) {
            m[name] = read_file(e.path().string());
        } else {
            m[name] = "<other>";
        }
    }
    return m;
}

bool ends_with(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

// A result name that already leads to the network file.
TEST(Reliability, OutputThatLeadsToTheNetworkIsRefusedBeforeAnythingIsWritten) {
    struct Case {
        std::string output;  // the link, in images/S
        std::string target;  // what it leads to
        bool hard;
    };
    for (const Case& k :
         {Case{"n_strahler.raw", "n.raw", false}, Case{"n_strahler.raw", "n.raw", true},
          Case{"n_strahler_info.txt", "n.txt", false}}) {
        TempDir dir;
        write_raw_network(dir, 20);
        const std::string folder = dir / "images/S";
        if (k.hard) {
            fs::create_hard_link(folder + "/" + k.target, folder + "/" + k.output);
        } else {
            fs::create_symlink(k.target, folder + "/" + k.output);
        }
        const auto before = contents(folder);
        ProgramResult r = run_program(dir.path, "S n 0 0 0 0 6 1\n");
        EXPECT_EQ(r.exit_status, 1) << k.output;
        EXPECT_TRUE(ends_with(r.output, "\n\tFile images/S/" + k.output +
                                            " leads to the network file: a result cannot be"
                                            " written there\n"))
            << r.output;
        EXPECT_EQ(contents(folder), before) << k.output << (k.hard ? " (hard link)" : "");
    }
}

// A full disk, shown with a file size limit of 8000 bytes. Every result of a
// 100 x 100 network is larger, the console text and the report are smaller.
TEST(Reliability, FullDiskLeavesNoPartialFileAndKeepsEarlierResults) {
    ProgramOptions limited;
    limited.in_child = [] {
        std::signal(SIGXFSZ, SIG_IGN);  // a write beyond the limit fails instead of killing
        const rlimit limit{8000, 8000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
    struct Case {
        std::string answers;
        std::string result;
    };
    for (const Case& k :
         {Case{"S n 0 0 0 0 2 0\n", "n_strahler.raw"}, Case{"S n 0 0 1 0 2 1\n", "n_strahler.bmp"},
          Case{"S n 0 0 2 0 0 0 2 1\n", "n_strahler.asc"}}) {
        TempDir dir;
        write_raw_network(dir, 100);
        const std::string folder = dir / "images/S";
        for (const char* old :
             {"n_strahler.raw", "n_strahler.txt", "n_strahler.bmp", "n_strahler.asc"}) {
            write_file(folder + "/" + old, std::string("earlier ") + old);
        }
        auto expected = contents(folder);
        ProgramResult r = run_program(dir.path, k.answers, 60, limited);
        EXPECT_EQ(r.exit_status, 1) << k.result;
        const std::string failed =
            "\n\n\tThe resulting file images/S/" + k.result + " could not be written ";
        EXPECT_NE(r.output.find(failed), std::string::npos) << r.output;
        // The report is whole and says so; the step images (the first case) could not be saved
        // and are nowhere, not even as temporaries.
        const std::string report = read_file(folder + "/n_strahler_info.txt");
        EXPECT_TRUE(ends_with(report, "meters " + failed)) << report;
        if (k.result == "n_strahler.raw") {
            EXPECT_NE(report.find("n_strahler_points_step2.bmp could not be saved"),
                      std::string::npos);
        }
        expected["n_strahler_info.txt"] = report;
        EXPECT_EQ(contents(folder), expected) << k.result;
    }
}

// A broken pipe: the console goes nowhere. The run still writes every file
// whole, as a run with its console does, and the status is 1.
TEST(Reliability, LostConsoleMakesTheStatusOneAndTheFilesWhole) {
    const std::string answers = "S n 0 0 0 0 2 0\n";
    TempDir reference;
    write_raw_network(reference, 30);
    ASSERT_EQ(run_program(reference.path, answers).exit_status, 0);
    const auto expected = contents(reference / "images/S");
    // The network, its descriptor, the result, its descriptor, the report, 4 step images.
    ASSERT_EQ(expected.size(), 9u);

    std::vector<std::function<void()>> consoles = {
        [] {  // a full device
            const int fd = ::open("/dev/full", O_WRONLY);
            ::dup2(fd, 1);
        },
        [] { ::close(1); },
        [] {  // a reader that went away: SIGPIPE, unless the program ignores it
            int p[2];
            if (::pipe(p) != 0) ::_exit(126);
            ::close(p[0]);
            ::dup2(p[1], 1);
        },
    };
    for (std::size_t n = 0; n < consoles.size(); ++n) {
        TempDir dir;
        write_raw_network(dir, 30);
        ProgramOptions lost;
        lost.in_child = consoles[n];
        ProgramResult r = run_program(dir.path, answers, 60, lost);
        EXPECT_EQ(r.exit_status, 1) << "console " << n;
        EXPECT_EQ(contents(dir / "images/S"), expected) << "console " << n;
    }
}

// Memory runs out in the engine (a 4096 x 4096 raster of short dashes, whose lists
// of end points and walks outgrow its two grids), with the data the program may allocate limited
// to 160 MiB (the mapped code of the shared libraries, GDAL's among them, is not counted: it
// alone takes about 160 MiB of address space). The program is the build without sanitizers,
// which reserve far more than that at start.
TEST(Reliability, MemoryThatRunsOutEndsTheRunWithoutAPartialFile) {
    const int n = 4096;
    std::string cells(static_cast<std::size_t>(n) * n, '\xff');
    for (int i = 1; i < n - 1; i += 2) {
        for (int j = 1; j + 1 < n - 1; j += 3) {
            cells[static_cast<std::size_t>(i) * n + j] = 0;
            cells[static_cast<std::size_t>(i) * n + j + 1] = 0;
        }
    }
    TempDir dir;
    write_file(dir / "images/M/m.raw", cells);
    write_file(dir / "images/M/m.txt", "4096 4096 1 0 255 25");
    write_file(dir / "images/M/m_strahler.raw", "earlier result");
    const auto before = contents(dir / "images/M");
    ProgramOptions small;
    small.exe = BRANCHRANKER_PLAIN_EXE;
    small.in_child = [] {
        const rlimit limit{160u << 20, 160u << 20};
        ::setrlimit(RLIMIT_DATA, &limit);
    };
    ProgramResult r = run_program(dir.path, "M m 0 0 0 0 2 1\n", 120, small);
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_TRUE(
        ends_with(r.output, "\n\n\tNot enough memory to go on: the run stops without a result\n"))
        << r.output.substr(r.output.size() > 300 ? r.output.size() - 300 : 0);
    EXPECT_EQ(contents(dir / "images/M"), before);
}

// Inputs that are not regular files are refused at once, by name.
TEST(Reliability, InputsThatAreNotRegularFilesAreRefusedAtOnce) {
    struct Case {
        std::string special;  // in images/S
        std::string kind;     // fifo, folder, or a link to /dev/zero
        std::string answers;
    };
    const Case cases[] = {
        {"n.raw", "fifo", "S n 0 0 0 0 2 1\n"},    {"n.txt", "fifo", "S n 0 0 0 0 2 1\n"},
        {"n.bmp", "fifo", "S n 1 25 0 0 0 2 1\n"}, {"n.asc", "fifo", "S n 2 0 0 0 2 1\n"},
        {"n.asc", "zero", "S n 2 0 0 0 2 1\n"},    {"n.raw", "folder", "S n 0 0 0 0 2 1\n"},
    };
    for (const Case& k : cases) {
        TempDir dir;
        write_raw_network(dir, 20);
        const std::string path = dir / ("images/S/" + k.special);
        fs::remove(path);
        if (k.kind == "fifo") {
            ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        }
        if (k.kind == "folder") fs::create_directory(path);
        if (k.kind == "zero") fs::create_symlink("/dev/zero", path);
        const auto before = contents(dir / "images/S");
        ProgramResult r = run_program(dir.path, k.answers, 20);
        EXPECT_FALSE(r.timed_out) << k.special << " " << k.kind;
        EXPECT_EQ(r.exit_status, 1) << k.special << " " << k.kind;
        EXPECT_TRUE(ends_with(r.output, "\n\tFile images/S/" + k.special +
                                            " is not a regular file (a folder, a pipe or a"
                                            " device): it is not read\n"))
            << k.special << " " << k.kind;
        EXPECT_EQ(contents(dir / "images/S"), before) << k.special << " " << k.kind;
    }
}

// A pixel size must be a finite number of metres above 0.
TEST(Reliability, PixelSizesMustBeFiniteAndAboveZero) {
    const std::string refused = "\n\tThe pixel size is a number of metres above 0";
    // Typed (a raw image without descriptor): asked again until it is, then the run goes on.
    {
        TempDir dir;
        write_file(dir / "images/S/n.raw", y_network(20));
        ProgramResult r = run_program(dir.path, "S n 0 20 20 nan inf 0 -2 25 0 0 0 2 1\n");
        EXPECT_EQ(r.exit_status, 0);
        const std::string ask = "\n\tPixel size (real) ? ";
        EXPECT_NE(r.output.find(ask + refused + ask + refused + ask + refused + ask + refused +
                                ask + "\n\tSIZE"),
                  std::string::npos)
            << r.output;
        EXPECT_EQ(read_file(dir / "images/S/n.txt"), "20\n20\n1\n0\n255\n25.000000\n");
        const std::size_t total = r.output.find("Total drainage network length = ");
        ASSERT_NE(total, std::string::npos);
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(r.output[total + 32])));
    }
    // In a descriptor or an ASCII header: refused, naming the file, before anything is made.
    struct Case {
        std::string file;
        std::string text;
        std::string answers;
        std::string message;
    };
    const std::string raw_refused = ": the pixel size must be a number of metres above 0\n";
    const std::string asc_refused =
        ": the cell size (header line 5) must be a number of metres above 0\n";
    const std::string header = "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize ";
    const Case cases[] = {
        {"n.txt", "20 20 1 0 255 nan", "S n 0\n", "\n\tDescriptor images/S/n.txt" + raw_refused},
        {"n.txt", "20 20 1 0 255 0", "S n 0\n", "\n\tDescriptor images/S/n.txt" + raw_refused},
        {"n.txt", "20 20 1 0 255 -5", "S n 0\n", "\n\tDescriptor images/S/n.txt" + raw_refused},
        {"n.asc", header + "0\n1 2\n3 4\n", "S n 2\n", "\n\tFile images/S/n.asc" + asc_refused},
        {"n.asc", header + "-25\n1 2\n3 4\n", "S n 2\n", "\n\tFile images/S/n.asc" + asc_refused},
    };
    for (const Case& k : cases) {
        TempDir dir;
        write_file(dir / "images/S/n.raw", y_network(20));
        write_file(dir / ("images/S/" + k.file), k.text);
        const auto before = contents(dir / "images/S");
        ProgramResult r = run_program(dir.path, k.answers);
        EXPECT_EQ(r.exit_status, 1) << k.text;
        EXPECT_TRUE(ends_with(r.output, k.message)) << k.text;
        EXPECT_EQ(contents(dir / "images/S"), before) << k.text;
    }
}

// A dangling link in place of a missing descriptor is followed, never removed.
TEST(Reliability, DanglingDescriptorLinkIsFollowedAndNeverRemoved) {
    // It leads into a folder that does not exist: the descriptor cannot be written.
    {
        TempDir dir;
        write_file(dir / "images/S/n.raw", y_network(20));
        fs::create_symlink("gone/n.txt", dir / "images/S/n.txt");
        const auto before = contents(dir / "images/S");
        ProgramResult r = run_program(dir.path, "S n 0 20 20 25 0 0 0 2 1\n");
        EXPECT_EQ(r.exit_status, 1);
        EXPECT_TRUE(
            ends_with(r.output, "\n\tThe descriptor images/S/n.txt could not be written\n"));
        EXPECT_EQ(contents(dir / "images/S"), before);
    }
    // It leads into a folder that exists: the descriptor is written there, the link stays.
    {
        TempDir dir;
        write_file(dir / "images/S/n.raw", y_network(20));
        fs::create_directories(dir / "images/S/kept");
        fs::create_symlink("kept/n.txt", dir / "images/S/n.txt");
        ProgramResult r = run_program(dir.path, "S n 0 20 20 25 0 0 0 2 1\n");
        EXPECT_EQ(r.exit_status, 0);
        EXPECT_TRUE(fs::is_symlink(dir / "images/S/n.txt"));
        EXPECT_EQ(read_file(dir / "images/S/kept/n.txt"), "20\n20\n1\n0\n255\n25.000000\n");
    }
}

// A raw result of 2 MiB or more is its own result grid, mapped from its temporary, its room on
// the disk taken before the passes. The image is the orders, line by line, and nothing but the
// results is left beside the network, from the dialogue and from the command line; where the room
// cannot be taken (here a file size limit below the image's size), the run goes on in memory and
// ends as a run on a full disk does.
TEST(Reliability, LargeRawResultIsWrittenInPlaceOrNotAtAll) {
    const int n = 1600;  // 2.56 MB
    std::string orders = y_network(n);
    for (std::size_t p = 0; p < orders.size(); ++p) {
        if (orders[p] == 0) orders[p] = static_cast<char>(p / n < n / 2 ? 1 : 2);
    }
    {
        TempDir dir;
        write_raw_network(dir, n);
        ProgramResult r = run_program(dir.path, "S n 0 0 0 0 2 1\n");
        EXPECT_EQ(r.exit_status, 0);
        const auto files = contents(dir / "images/S");
        std::vector<std::string> names;
        for (const auto& [name, bytes] : files) names.push_back(name);
        EXPECT_EQ(names, (std::vector<std::string>{"n.raw", "n.txt", "n_strahler.raw",
                                                   "n_strahler.txt", "n_strahler_info.txt"}));
        EXPECT_TRUE(files.at("n_strahler.raw") == orders);
        EXPECT_EQ(files.at("n_strahler.txt"), "1600\n1600\n1\n0\n255\n25\n");
        // The command line's raw result likewise.
        fs::remove(dir / "images/S/n_strahler.raw");
        r = run_program_with(dir.path, {"order", "images/S/n.raw"});
        EXPECT_EQ(r.exit_status, 0) << r.errors;
        EXPECT_EQ(contents(dir / "images/S"), files);
    }
    {
        TempDir dir;
        write_raw_network(dir, n);
        write_file(dir / "images/S/n_strahler.raw", "earlier result");
        const auto before = contents(dir / "images/S");
        ProgramOptions limited;
        limited.in_child = [] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{1u << 20, 1u << 20};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        };
        ProgramResult r = run_program(dir.path, "S n 0 0 0 0 2 1\n", 60, limited);
        EXPECT_EQ(r.exit_status, 1);
        EXPECT_NE(r.output.find("\n\n\tThe resulting file images/S/n_strahler.raw could not be "
                                "written "),
                  std::string::npos);
        auto after = contents(dir / "images/S");
        after.erase("n_strahler_info.txt");  // the report says so
        EXPECT_EQ(after, before);
    }
}
