// The command line front end, run as a program: a batch whose reports are the dialogue's, the
// exit statuses and messages, and the segments table and summary read back by real parsers.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/test_support.h"
#include "tools/network_generator.h"

namespace {

NetworkOptions small(int n) {
    NetworkOptions o;
    o.nb_lig = 40 + (n * 7) % 25;
    o.nb_col = 40 + (n * 13) % 25;
    o.seed = static_cast<std::uint64_t>(n);
    o.cell = 3;
    o.share = 0.12;
    o.untidy = n % 10 == 3;  // loops, groups, stray lines: the report's warning block too
    return o;
}

std::string name(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "net%03d", n);
    return text;
}

// The figures of a report: per order its segment count, each segment's length as printed and
// the order total as printed; then the network total as printed.
struct Report {
    int last_order = -1;
    std::vector<int> counts;                        // [k - 1]
    std::vector<std::vector<std::string>> lengths;  // [k - 1][segment - 1]
    std::vector<std::string> totals;                // [k - 1]
    std::string network_total;
};

Report parse_report(const std::string& text) {
    Report r;
    std::istringstream in(text);
    std::string word;
    while (in >> word) {
        if (word == "Last") {
            in >> word >> word >> r.last_order;  // "order :"
        } else if (word == "Number") {
            int count = 0;
            in >> word >> word >> word >> count;  // "of segments :"
            r.counts.push_back(count);
            r.lengths.emplace_back();
        } else if (word == "num_pix") {
            in >> word >> word >> word;  // pixels "length" metres
            r.lengths.back().push_back(word);
        } else if (word == "Total") {
            in >> word;
            if (word == "length") {
                in >> word >> word;  // "=" metres
                r.totals.push_back(word);
            } else {
                in >> word >> word >> word >> r.network_total;  // "network length ="
            }
        }
    }
    return r;
}

// The report without its line of pixels left between two border contacts (and without the
// block's heading when that was its only line).
std::string without_between_contacts(std::string report) {
    const std::size_t at = report.find("\n\t\tNetwork pixels left without an order between");
    if (at == std::string::npos) return report;
    report.erase(at, report.find('\n', at + 1) - at);
    const std::string heading = "\n\n\tNot ordered soundly:";
    if (report.compare(at - heading.size(), heading.size(), heading) == 0 &&
        report.compare(at, 2, "\n\n") == 0)
        report.erase(at - heading.size(), heading.size());
    return report;
}

std::string fixed6(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", v);
    return text;
}

}  // namespace

// One command orders a hundred networks; each report is byte for byte the one the dialogue
// writes for the same network with the last order the command line found, which is the highest
// Strahler order of the network. The same holds for the order images of networks without
// closed loops and, with --steps, for the step images.
TEST(CommandLine, ABatchOfAHundredNetworksGivesTheDialoguesReports) {
    TempDir dir;
    std::vector<std::string> args = {"order"};
    std::vector<Network> nets;
    std::filesystem::create_directories(dir / "images/Batch");
    std::filesystem::create_directories(dir / "images/Steps");
    for (int n = 1; n <= 100; ++n) {
        nets.push_back(generate_network(small(n)));
        ASSERT_TRUE(write_raw_network(nets.back(), dir / ("images/Batch/" + name(n)), 25.0));
        args.push_back("images/Batch/" + name(n) + ".raw");
    }
    const ProgramResult batch = run_program_with(dir.path, args);
    ASSERT_EQ(batch.exit_status, 0) << batch.errors;
    std::istringstream lines(batch.output);
    std::string line;
    int printed = 0;
    while (std::getline(lines, line)) {
        EXPECT_EQ(line.rfind("images/Batch/" + name(++printed) + ".raw: highest order ", 0), 0u)
            << line;
    }
    EXPECT_EQ(printed, 100);

    for (int n = 1; n <= 100; ++n) {
        const Report r =
            parse_report(read_file(dir / ("images/Batch/" + name(n) + "_strahler_info.txt")));
        if (!small(n).untidy) {
            EXPECT_EQ(r.last_order, network_stats(nets[n - 1]).highest_order) << n;
        }
    }
    // The command line says what the dialogue passes over: the pixels left between two border
    // contacts. On the untidy networks the command line, running until the network is used up,
    // also orders the stems beside closed loops (engine/stem_orders.h), which the dialogue,
    // stopped at the last counted order, leaves as they are.
    for (int n = 1; n <= 100; ++n) {
        const std::string base = dir / ("images/Batch/" + name(n) + "_strahler");
        const std::string report = without_between_contacts(read_file(base + "_info.txt"));
        const std::string image = read_file(base + ".raw");
        const int last = parse_report(report).last_order;
        ASSERT_GT(last, 0);
        const ProgramResult dialogue =
            run_program(dir.path, "Batch " + name(n) + " 0 0 0 0 " + std::to_string(last) + " 1\n");
        ASSERT_EQ(dialogue.exit_status, 0);
        EXPECT_EQ(read_file(base + "_info.txt"), report) << name(n);
        if (!small(n).untidy) {
            EXPECT_EQ(read_file(base + ".raw"), image) << name(n);
        }
    }

    // Step images: a network of more than five orders, so that later passes reuse the pass-5
    // names; a pass beyond the highest order would leave an empty network there.
    // The bundled sample: Strahler orders 1 to 6.
    const std::string sample = std::string(BRANCHRANKER_SOURCE_DIR) + "/images/Sample/sample";
    write_file(dir / "images/Steps/big.raw", read_file(sample + ".raw"));
    write_file(dir / "images/Steps/big.txt", read_file(sample + ".txt"));
    const ProgramResult steps =
        run_program_with(dir.path, {"order", "images/Steps/big.raw", "--steps", "--format", "bmp"});
    ASSERT_EQ(steps.exit_status, 0) << steps.errors;
    const std::string base = dir / "images/Steps/big_strahler";
    std::vector<std::string> files = {"_info.txt", ".bmp"};
    for (int k = 1; k <= 5; ++k) {
        files.push_back("_points_step" + std::to_string(k) + ".bmp");
        files.push_back("_segments_step" + std::to_string(k) + ".bmp");
    }
    std::map<std::string, std::string> ours;
    for (const std::string& f : files) ours[f] = read_file(base + f);
    const int last = parse_report(ours["_info.txt"]).last_order;
    EXPECT_EQ(last, 6);
    ASSERT_EQ(
        run_program(dir.path, "Steps big 0 0 1 0 " + std::to_string(last) + " 0\n").exit_status, 0);
    for (const std::string& f : files) EXPECT_EQ(read_file(base + f), ours[f]) << f;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "images/Steps")) {
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();  // no temporary file left
    }
}

// 0 done; 1 an input or output failed, the other networks still done; 2 a usage error, nothing
// read or written. Every message names its file; --help and --version end with 0.
TEST(CommandLine, ExitStatusesAndMessagesNameTheFile) {
    TempDir dir;
    std::filesystem::create_directories(dir / "images/S");
    for (const char* n : {"a", "b"}) {
        ASSERT_TRUE(write_raw_network(generate_network(small(7)),
                                      dir / (std::string("images/S/") + n), 10.0));
    }
    ASSERT_TRUE(write_bmp_network(generate_network(small(8)), dir / "images/S/c.bmp"));
    write_file(dir / "images/S/nodesc.raw", std::string(1600, '\xff'));
    write_file(dir / "images/S/afile", "");
    auto listing = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path)) {
            names.push_back(e.path().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> before = listing();

    struct Usage {
        std::vector<std::string> args;
        std::string named;  // what the message must name
    };
    for (const Usage& u : std::vector<Usage>{
             {{"order"}, "NETWORK"},
             {{"order", "images/S/a.raw", "--last", "64"}, "--last"},
             {{"order", "images/S/a.raw", "--value", "255"}, "--value"},
             {{"order", "images/S/a.raw", "--format", "png"}, "--format"},
             {{"order", "images/S/a.raw", "--bogus"}, "--bogus"},
             {{"sort", "images/S/a.raw"}, "sort"},
             {{"order", "images/S/c.bmp"}, "--pixel-size"},
             {{"order", "images/S/a.raw", "images/S/b.raw", "--output", "x"}, "--output"},
             {{"order", "images/S/a.raw", "--output", "images/S/a"}, "images/S/a.raw"},
             {{"order", "images/S/a.raw", "images/S/a.raw", "--output", "images/S/"}, "another"},
             {{"order", "images/S/a.raw", "--output", "o/x.tif", "--format", "raw"}, "o/x.tif"},
             {{"order", "images/S/a.raw", "--output", "o/x.png"}, "o/x.png"},
             {{"order", "images/S/a.raw", "--horton", "h.pdf"}, "h.pdf"},
             {{"order", "images/S/a.raw", "--flow-grid", "--drawing"}, "--drawing"},
         }) {
        const ProgramResult r = run_program_with(dir.path, u.args);
        EXPECT_EQ(r.exit_status, 2) << u.args.back() << "\n" << r.errors;
        EXPECT_NE(r.errors.find(u.named), std::string::npos) << r.errors;
        EXPECT_EQ(r.output, "");
    }
    EXPECT_EQ(listing(), before);  // a usage error reads and writes nothing

    const ProgramResult help = run_program_with(dir.path, {"order", "--help"});
    EXPECT_EQ(help.exit_status, 0);
    EXPECT_NE(help.output.find("--segments"), std::string::npos);
    const ProgramResult version = run_program_with(dir.path, {"--version"});
    EXPECT_EQ(version.exit_status, 0);
    EXPECT_EQ(version.output.rfind("branchranker ", 0), 0u);

    // A missing network, a raw image without its descriptor: said, and the others are done.
    const ProgramResult missing = run_program_with(
        dir.path, {"order", "images/S/a.raw", "images/S/gone.raw", "images/S/nodesc.raw",
                   "images/S/c.bmp", "images/S/lost.tif", "--pixel-size", "5"});
    EXPECT_EQ(missing.exit_status, 1);
    EXPECT_NE(missing.errors.find("images/S/gone.raw: cannot be opened"), std::string::npos)
        << missing.errors;
    EXPECT_NE(missing.errors.find("images/S/nodesc.txt: cannot be opened"), std::string::npos)
        << missing.errors;
    EXPECT_NE(missing.errors.find("images/S/lost.tif: cannot be opened"), std::string::npos)
        << missing.errors;
    EXPECT_TRUE(file_exists(dir / "images/S/a_strahler_info.txt"));
    EXPECT_TRUE(file_exists(dir / "images/S/c_strahler.bmp"));
    EXPECT_FALSE(file_exists(dir / "images/S/gone_strahler_info.txt"));
    EXPECT_NE(missing.output.find("images/S/c.bmp: highest order"), std::string::npos);

    // An output folder that cannot be made, a result that cannot be created (a plain file
    // stands where a folder should be): said before any pass.
    const ProgramResult blocked = run_program_with(
        dir.path, {"order", "images/S/a.raw", "images/S/b.raw", "--output", "images/S/afile/r/"});
    EXPECT_EQ(blocked.exit_status, 1);
    EXPECT_NE(blocked.errors.find("images/S/afile/r/: cannot be created"), std::string::npos)
        << blocked.errors;
    EXPECT_EQ(blocked.output, "");
    const ProgramResult uncreated =
        run_program_with(dir.path, {"order", "images/S/a.raw", "--output", "images/S/afile/x"});
    EXPECT_EQ(uncreated.exit_status, 1);
    EXPECT_NE(uncreated.errors.find("images/S/afile/x_info.txt: cannot be created"),
              std::string::npos)
        << uncreated.errors;
    const ProgramResult table = run_program_with(
        dir.path, {"order", "images/S/a.raw", "--segments", "images/S/afile/s.csv"});
    EXPECT_EQ(table.exit_status, 1);
    EXPECT_NE(table.errors.find("images/S/afile/s.csv: cannot be created"), std::string::npos);

    // An --output with the extension of an order image is its name and its format.
    const ProgramResult named =
        run_program_with(dir.path, {"order", "images/S/b.raw", "--output", "images/S/x.TIF"});
    EXPECT_EQ(named.exit_status, 0) << named.errors;
    EXPECT_TRUE(file_exists(dir / "images/S/x.tif"));
    EXPECT_TRUE(file_exists(dir / "images/S/x_info.txt"));
    EXPECT_FALSE(file_exists(dir / "images/S/x.TIF.tif"));

    // Quiet and done: nothing at all on either stream.
    const ProgramResult quiet = run_program_with(dir.path, {"order", "images/S/b.raw", "--quiet"});
    EXPECT_EQ(quiet.exit_status, 0);
    EXPECT_EQ(quiet.output + quiet.errors, "");
}

// The segments table, split on its commas, and the summary, read with a JSON library, give the
// figures of the reports: the segments of every order with their lengths, the order totals and
// the network total. Each segment's first pixel lies on the network and carries its order in
// the order image, at the map place that the corner and pixel size give.
TEST(CommandLine, SegmentsTableAndSummaryAgreeWithTheReports) {
    TempDir dir;
    const Network clean = generate_network(small(11));
    const Network untidy = generate_network(small(13));
    std::filesystem::create_directories(dir / "images/T");
    ASSERT_TRUE(write_raw_network(clean, dir / "images/T/clean", 25.0));
    ASSERT_TRUE(write_ascii_network(untidy, dir / "images/T/untidy.asc", 10.0, 1000.0, 2000.0));
    const ProgramResult r = run_program_with(
        dir.path, {"order", "images/T/clean.raw", "images/T/untidy.asc", "--format", "raw",
                   "--segments", "out/seg.csv", "--summary", "out/sum.json", "--quiet"});
    std::filesystem::create_directories(dir / "out");
    ASSERT_EQ(r.exit_status, 1) << "the out folder did not exist: " << r.errors;
    const ProgramResult run = run_program_with(
        dir.path, {"order", "images/T/clean.raw", "images/T/untidy.asc", "--format", "raw",
                   "--segments", "out/seg.csv", "--summary", "out/sum.json", "--quiet"});
    ASSERT_EQ(run.exit_status, 0) << run.errors;

    const nlohmann::json summary = nlohmann::json::parse(read_file(dir / "out/sum.json"));
    ASSERT_EQ(summary["networks"].size(), 2u);
    std::istringstream csv(read_file(dir / "out/seg.csv"));
    std::string line;
    std::getline(csv, line);
    const std::vector<std::string> columns = csv_fields(line);
    ASSERT_EQ(columns.size(), 17u);
    std::map<std::string, std::vector<std::vector<std::string>>> rows;  // network -> rows
    while (std::getline(csv, line)) {
        const std::vector<std::string> fields = csv_fields(line);
        ASSERT_EQ(fields.size(), columns.size()) << line;
        rows[fields[0]].push_back(fields);
    }

    struct Case {
        std::string network;
        const Network& net;
        double pixel, x_min, y_min;
    };
    for (const Case& c : {Case{"images/T/clean.raw", clean, 25.0, 0.0, 0.0},
                          Case{"images/T/untidy.asc", untidy, 10.0, 1000.0, 2000.0}}) {
        SCOPED_TRACE(c.network);
        const std::string base = c.network.substr(0, c.network.rfind('.')) + "_strahler";
        const Report report = parse_report(read_file(dir / (base + "_info.txt")));
        const std::string orders = read_file(dir / (base + ".raw"));
        const nlohmann::json& n = summary["networks"][c.network == "images/T/clean.raw" ? 0 : 1];
        EXPECT_EQ(n["network"], c.network);
        EXPECT_EQ(n["last_order"], report.last_order);
        EXPECT_EQ(fixed6(n["total_length"].get<double>()), report.network_total);

        const std::vector<std::vector<std::string>>& table = rows[c.network];
        std::size_t row = 0;
        long long all = 0;
        long long joined = 0;  // lines carried on through a junction group
        ASSERT_EQ(n["orders"].size(), report.counts.size());
        for (std::size_t k = 0; k < report.counts.size(); ++k) {
            const nlohmann::json& order = n["orders"][k];
            EXPECT_EQ(order["order"], k + 1);
            EXPECT_EQ(order["count"], report.counts[k]);
            EXPECT_EQ(fixed6(order["total_length"].get<double>()), report.totals[k]);
            double sum = 0.0;
            for (int s = 0; s < report.counts[k]; ++s, ++row) {
                ASSERT_LT(row, table.size());
                const std::vector<std::string>& f = table[row];
                EXPECT_EQ(std::stoi(f[2]), static_cast<int>(k + 1));  // order
                EXPECT_EQ(f[3], f[2]);                                // pass
                EXPECT_EQ(std::stoi(f[4]), s + 1);                    // number in the report
                EXPECT_EQ(f[6], report.lengths[k][static_cast<std::size_t>(s)]);
                sum += std::stod(f[6]);
                const int i = std::stoi(f[7]);
                const int j = std::stoi(f[8]);
                EXPECT_TRUE(c.net.on(i, j));
                EXPECT_EQ(static_cast<unsigned char>(orders[i * c.net.nb_col + j]), k + 1);
                EXPECT_NEAR(std::stod(f[9]), c.x_min + (j + 0.5) * c.pixel, 1e-6);
                EXPECT_NEAR(std::stod(f[10]), c.y_min + (c.net.nb_lig - i - 0.5) * c.pixel, 1e-6);
                EXPECT_TRUE(c.net.on(std::stoi(f[11]), std::stoi(f[12])));
                // The line runs from the first pixel's centre through one point a pixel to the
                // last one's, and on through a junction group to the line below when it
                // stopped off it.
                EXPECT_EQ(f[16].rfind("LINESTRING (" + f[9] + " " + f[10] + ", ", 0), 0u) << f[16];
                const std::size_t points = std::count(f[16].begin(), f[16].end(), ',') + 1;
                ASSERT_GE(points, static_cast<std::size_t>(std::max(2, std::stoi(f[5]))));
                std::size_t at = 0;  // the last walked pixel's point: the pixels-th
                for (int p = 1; p < std::stoi(f[5]); ++p) at = f[16].find(", ", at) + 2;
                if (std::stoi(f[5]) == 1) at = std::string("\"LINESTRING (").size() - 1;
                EXPECT_EQ(f[16].compare(at, f[13].size() + f[14].size() + 1, f[13] + " " + f[14]),
                          0)
                    << f[16];
                joined += points > static_cast<std::size_t>(std::max(2, std::stoi(f[5])));
                if (!f[15].empty()) {  // flows into a segment of a higher order
                    const std::size_t below = std::stoul(f[15]) - 1;
                    ASSERT_LT(below, table.size());
                    EXPECT_GT(std::stoi(table[below][2]), static_cast<int>(k + 1));
                }
            }
            EXPECT_NEAR(sum, std::stod(report.totals[k]), 1e-6 * (report.counts[k] + 1));
            all += report.counts[k];
        }
        EXPECT_EQ(row, table.size());
        EXPECT_EQ(n["segments"], all);
        // Only the untidy drawing has junction groups.
        EXPECT_EQ(joined > 0, c.network == "images/T/untidy.asc");
    }
    // A clean tree drains through one outlet: exactly one segment flows nowhere.
    std::size_t outlets = 0;
    for (const auto& f : rows["images/T/clean.raw"]) outlets += f[15].empty();
    EXPECT_EQ(outlets, 1u);
    EXPECT_EQ(summary["networks"][0]["unsound"]["loop_pixels"], 0);

    // The summary is written through a JSON library. A network path with a
    // quote, a backslash, a tab and a byte that is not UTF-8 reads back (the byte as U+FFFD), and
    // the network's total is the report's to the last digit printed.
    const std::string odd = "images/T/q\"b\\s\t\xff";
    for (const char* ext : {".raw", ".txt"})
        std::filesystem::copy_file(dir / ("images/T/clean" + std::string(ext)), dir / (odd + ext));
    const ProgramResult quoted = run_program_with(
        dir.path, {"order", odd + ".raw", "--output", "out/odd", "--summary", "out/odd.json"});
    ASSERT_EQ(quoted.exit_status, 0) << quoted.errors;
    const nlohmann::json q = nlohmann::json::parse(read_file(dir / "out/odd.json"))["networks"][0];
    EXPECT_EQ(q["network"], "images/T/q\"b\\s\t\xEF\xBF\xBD.raw");
    EXPECT_EQ(fixed6(q["total_length"].get<double>()),
              parse_report(read_file(dir / "out/odd_info.txt")).network_total);
    EXPECT_EQ(q["pixel_size"], 25.0);
}

// On a terminal a run shows how far it has got on standard error, a line per
// stage filling as GDAL's tools fill theirs (reading, the passes' runs, writing); on a file or a
// pipe, and with --quiet, nothing of it. The program runs under a pseudo-terminal of its own (a
// new session, the terminal its controlling one) for at most 60 s.
TEST(CommandLine, ProgressShowsOnATerminalOnly) {
    TempDir dir;
    ASSERT_TRUE(write_raw_network(generate_network(small(21)), dir / "n", 25.0));
    auto on_terminal = [&](const std::vector<std::string>& args) {
        std::vector<char*> argv{const_cast<char*>(BRANCHRANKER_EXE)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        int master = -1;
        const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
        if (pid == 0) {
            if (::chdir(dir.path.c_str()) != 0) ::_exit(127);
            ::alarm(65);
            ::execv(BRANCHRANKER_EXE, argv.data());
            ::_exit(127);
        }
        std::pair<int, std::string> result{-1, ""};
        if (pid < 0) return result;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        char buf[4096];
        for (;;) {
            pollfd p{master, POLLIN, 0};
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid, SIGKILL);
                break;
            }
            if (::poll(&p, 1, 100) <= 0) continue;
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0) break;  // EIO once the program and its terminal are gone
            result.second.append(buf, static_cast<std::size_t>(n));
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(master);
        if (WIFEXITED(status)) result.first = WEXITSTATUS(status);
        return result;
    };
    const std::string full = "0...10...20...30...40...50...60...70...80...90...100 - done.";
    const auto [status, shown] =
        on_terminal({"order", "n.raw", "--output", "t", "--steps", "--segments", "t.csv"});
    EXPECT_EQ(status, 0) << shown;
    for (const char* stage :
         {"n.raw: reading ", "n.raw: ordering ", "n.raw: ordering again ", "n.raw: writing "})
        EXPECT_NE(shown.find(stage + full), std::string::npos) << stage << "\n" << shown;
    EXPECT_NE(shown.find("n.raw: highest order"), std::string::npos) << shown;

    const auto [quiet_status, quiet] = on_terminal({"order", "n.raw", "--output", "q", "--quiet"});
    EXPECT_EQ(quiet_status, 0);
    EXPECT_EQ(quiet, "");

    const ProgramResult piped = run_program_with(dir.path, {"order", "n.raw", "--output", "p"});
    EXPECT_EQ(piped.exit_status, 0) << piped.errors;
    EXPECT_EQ(piped.errors.find("..."), std::string::npos) << piped.errors;
}

// --drawing reads the apex of a line that turns back sharply as part of its line: one stream
// of order 1, where the cells of a flow grid would make the apex a source and the line below it
// a stream of order 2 (the default reading, kept for every network not said to be drawn).
// Two channels of a flow grid run side by side to the border, one cell apart and touching all
// along: to the passes a block of squares that no pass can prune (refused), read as a flow grid
// two streams of order 1, every cell ordered. A clean forest reads the same either way; a raster
// that is mostly network is refused as a flow grid.
TEST(CommandLine, FlowGridReadsChannelsSideBySideApart) {
    TempDir dir;
    Network net;
    net.nb_lig = 12;
    net.nb_col = 10;
    for (int i = 0; i < net.nb_lig; ++i) {
        for (int j = 0; j < net.nb_col; ++j) {
            net.cells.push_back(i >= 2 && (j == 4 || j == 5) ? net.network_value : net.background);
        }
    }
    ASSERT_TRUE(write_raw_network(net, dir / "two", 10.0));
    const ProgramResult r = run_program_with(
        dir.path, {"order", "two.raw", "--summary", "s.json", "--quiet", "--flow-grid"});
    ASSERT_EQ(r.exit_status, 0) << r.errors;
    const nlohmann::json n = nlohmann::json::parse(read_file(dir / "s.json"))["networks"][0];
    ASSERT_EQ(n["orders"].size(), 1u);
    EXPECT_EQ(n["orders"][0]["count"], 2);
    for (const char* figure : {"loop_pixels", "borderless_parts", "between_contacts"})
        EXPECT_EQ(n["unsound"][figure], 0) << figure;
    const std::string orders = read_file(dir / "two_strahler.raw");
    ASSERT_EQ(orders.size(), net.cells.size());
    for (std::size_t p = 0; p < orders.size(); ++p) {
        EXPECT_EQ(orders[p], net.cells[p] == net.network_value ? '\1' : '\xff') << p;
    }
    const ProgramResult passes = run_program_with(dir.path, {"order", "two.raw", "--quiet"});
    EXPECT_EQ(passes.exit_status, 1);
    EXPECT_NE(passes.errors.find("no pass can order them"), std::string::npos) << passes.errors;

    // A clean forest, each part touching the border once, is read the same either way.
    for (const char* reading : {"--quiet", "--flow-grid"}) {
        const std::string in = dir / (reading[2] == 'q' ? "p" : "f");
        std::filesystem::create_directories(in);
        ASSERT_TRUE(write_raw_network(generate_network(small(7)), in + "/clean", 10.0));
        ASSERT_EQ(run_program_with(in, {"order", "clean.raw", "--quiet", reading}).exit_status, 0);
    }
    for (const char* file : {"clean_strahler.raw", "clean_strahler_info.txt"}) {
        EXPECT_EQ(read_file(dir / (std::string("f/") + file)),
                  read_file(dir / (std::string("p/") + file)))
            << file;
        EXPECT_NE(read_file(dir / (std::string("f/") + file)), "") << file;
    }

    Network full = net;
    std::fill(full.cells.begin(), full.cells.end(), full.network_value);
    ASSERT_TRUE(write_raw_network(full, dir / "full", 10.0));
    const ProgramResult refused =
        run_program_with(dir.path, {"order", "full.raw", "--quiet", "--flow-grid"});
    EXPECT_EQ(refused.exit_status, 1);
    EXPECT_NE(refused.errors.find("more than a quarter of the image"), std::string::npos)
        << refused.errors;
    EXPECT_FALSE(std::filesystem::exists(dir / "full_strahler.raw"));
}

TEST(CommandLine, DrawingReadsASharpBendAsOneLine) {
    TempDir dir;
    const std::vector<std::string> v = {
        "............", "............", "...########.", ".........#..", "........#...",
        ".......#....", "......#.....", ".....#......", "....#.......", "...#........",
        "..#.........", ".#..........", "#...........",
    };
    Network net;
    net.nb_lig = static_cast<int>(v.size());
    net.nb_col = static_cast<int>(v[0].size());
    for (const std::string& line : v) {
        for (char c : line) net.cells.push_back(c == '#' ? net.network_value : net.background);
    }
    ASSERT_TRUE(write_raw_network(net, dir / "v", 10.0));
    for (bool drawing : {false, true}) {
        std::vector<std::string> args = {"order", "v.raw", "--summary", "s.json", "--quiet"};
        if (drawing) args.push_back("--drawing");
        const ProgramResult r = run_program_with(dir.path, args);
        ASSERT_EQ(r.exit_status, 0) << r.errors;
        const nlohmann::json n = nlohmann::json::parse(read_file(dir / "s.json"))["networks"][0];
        ASSERT_EQ(n["orders"].size(), drawing ? 1u : 2u) << "drawing " << drawing;
        EXPECT_EQ(n["orders"][0]["count"], drawing ? 1 : 2) << "drawing " << drawing;
    }
}
