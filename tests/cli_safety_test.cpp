// The command line under the faults the dialogue already holds: a full disk while GIS files are
// written, links, devices and pipes under result names, results that would overwrite each other,
// and memory that runs out. Each case shows the status, the message, and that nothing is lost:
// no half file, no temporary, an earlier result whole.

#include <cpl_vsi.h>
#include <gdal.h>
#include <gtest/gtest.h>
#include <ogr_api.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/gdal_checks.h"
#include "tests/test_support.h"
#include "tools/network_generator.h"
#include "tools/terrain_network.h"

namespace fs = std::filesystem;

namespace {

const std::string kSample = std::string(BRANCHRANKER_SOURCE_DIR) + "/images/Sample/sample";

// The bundled sample (GeoTIFF, and raw with its descriptor) copied into the folder.
void copy_sample(const TempDir& dir) {
    for (const char* ext : {".tif", ".raw", ".txt"})
        fs::copy_file(kSample + ext, dir / (std::string("sample") + ext));
}

ProgramResult run_cli(const TempDir& dir, const std::vector<std::string>& args,
                      const std::function<void()>& in_child = nullptr,
                      const std::string& exe = BRANCHRANKER_EXE) {
    ProgramOptions options;
    options.exe = exe;
    options.args = args;
    options.in_child = in_child;
    return run_program(dir.path, "", 120, options);
}

// A disk that holds `bytes` more per file: a write beyond fails (EFBIG) rather than kills.
std::function<void()> disk_of(rlim_t bytes) {
    return [bytes] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
}

// Names in the folder that a run may leave only while it runs.
std::vector<std::string> leftovers(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (name.find(".tmp-") != std::string::npos || name.find(".old-") != std::string::npos ||
            name.find(".pending") != std::string::npos)
            found.push_back(name);
    }
    return found;
}

// Features of the first layer of a vector file, or -1 when it does not open whole.
long long features_of(const std::string& path) {
    Dataset ds = open_vector(path);
    if (!ds) return -1;
    OGRLayerH layer = GDALDatasetGetLayer(ds.get(), 0);
    if (layer == nullptr) return -1;
    long long n = 0;
    OGR_L_ResetReading(layer);
    while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
        OGR_F_Destroy(f);
        ++n;
    }
    return n;
}

bool is_char_device(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

}  // namespace

// On a disk that fills at every level, each output is the new one
// whole or the old one untouched. A GeoJSON file cut short (the driver reports no error) is found
// by reading it back; a raw image and its descriptor go in together; a shapefile's set goes in
// together and the old set's spatial indexes go with the old set.
TEST(CommandLineSafety, FullDiskLeavesEveryOutputNewAndWholeOrOldAndWhole) {
    TempDir dir;
    copy_sample(dir);
    ProgramResult full = run_cli(
        dir, {"order", "sample.tif", "--output", "o", "--segments", "seg.geojson", "--quiet"});
    ASSERT_EQ(full.exit_status, 0) << full.errors;
    const std::string whole = read_file(dir / "seg.geojson");
    int failed = 0, written = 0;
    for (rlim_t limit = 20000; limit < whole.size() + 20000; limit += 40000) {
        write_file(dir / "seg.geojson", "old");
        ProgramResult r = run_cli(
            dir, {"order", "sample.tif", "--output", "o", "--segments", "seg.geojson", "--quiet"},
            disk_of(limit));
        const std::string now = read_file(dir / "seg.geojson");
        if (r.exit_status == 1) {
            ++failed;
            EXPECT_EQ(now, "old") << limit;
            EXPECT_NE(r.errors.find("seg.geojson: could not be written completely"),
                      std::string::npos)
                << r.errors;
        } else {
            ++written;
            EXPECT_EQ(r.exit_status, 0) << r.errors;
            EXPECT_TRUE(now == whole) << limit;
        }
        EXPECT_EQ(leftovers(dir.path), std::vector<std::string>()) << limit;
    }
    EXPECT_GT(failed, 3);
    EXPECT_GT(written, 0);

    // The raw result: the earlier pair of a 20 x 20 image stays a pair.
    for (rlim_t limit : {rlim_t{4096}, rlim_t{100000}, rlim_t{250000}}) {
        write_file(dir / "r.txt", "20 20 1 0 255 25");
        write_file(dir / "r.raw", std::string(400, '\0'));
        ProgramResult r =
            run_cli(dir, {"order", "sample.raw", "--output", "r", "--quiet"}, disk_of(limit));
        EXPECT_EQ(r.exit_status, 1) << limit;
        EXPECT_EQ(read_file(dir / "r.txt"), "20 20 1 0 255 25") << limit;
        EXPECT_EQ(read_file(dir / "r.raw").size(), 400u) << limit;
        EXPECT_EQ(leftovers(dir.path), std::vector<std::string>()) << limit;
    }

    // A raw result of a GeoTIFF network: its ENVI header goes in with the pair, or stays old.
    write_file(dir / "g.hdr", "old header");
    ProgramResult placed =
        run_cli(dir, {"order", "sample.tif", "--output", "g", "--format", "raw", "--quiet"},
                disk_of(50000));
    EXPECT_EQ(placed.exit_status, 1);
    EXPECT_EQ(read_file(dir / "g.hdr"), "old header");
    EXPECT_FALSE(file_exists(dir / "g.raw"));
    EXPECT_FALSE(file_exists(dir / "g.txt"));

    // A shapefile over an earlier one with its spatial indexes: a failed write keeps the old
    // set whole, a good one leaves no index of the old set.
    auto old_set = [&] {
        for (const char* ext : {".shp", ".shx", ".dbf", ".qix", ".sbn", ".sbx", ".cpg"})
            write_file(dir / (std::string("s") + ext), std::string("old") + ext);
    };
    old_set();
    ProgramResult cut =
        run_cli(dir, {"order", "sample.tif", "--output", "o", "--segments", "s.shp", "--quiet"},
                disk_of(30000));
    EXPECT_EQ(cut.exit_status, 1);
    for (const char* ext : {".shp", ".shx", ".dbf", ".qix", ".sbn", ".sbx", ".cpg"})
        EXPECT_EQ(read_file(dir / (std::string("s") + ext)), std::string("old") + ext);
    ProgramResult good =
        run_cli(dir, {"order", "sample.tif", "--output", "o", "--segments", "s.shp", "--quiet"});
    EXPECT_EQ(good.exit_status, 0) << good.errors;
    EXPECT_EQ(features_of(dir / "s.shp"), 292);
    for (const char* ext : {".qix", ".sbn", ".sbx"})
        EXPECT_FALSE(file_exists(dir / (std::string("s") + ext))) << ext;
    EXPECT_EQ(leftovers(dir.path), std::vector<std::string>());
}

// A link under a result name is followed (the file it leads to is
// replaced, the link stays), a device under the name of a text output is written straight and
// stays a device, a dataset is never written over a device or a pipe, and a run leaves no
// pending name behind.
TEST(CommandLineSafety, LinksAreFollowedAndDevicesNeverReplaced) {
    TempDir dir;
    copy_sample(dir);
    fs::create_directory(dir / "real");
    for (const char* name : {"o.tif", "h.svg", "s.gpkg", "b.bmp", "b.prj", "b.bmp.aux.xml"}) {
        write_file(dir / ("real/" + std::string(name)), "old");
        fs::create_symlink(std::string("real/") + name, dir / name);
    }
    ProgramResult r = run_cli(dir, {"order", "sample.tif", "--output", "o", "--segments", "s.gpkg",
                                    "--horton", "h.svg", "--quiet"});
    ASSERT_EQ(r.exit_status, 0) << r.errors;
    ProgramResult b =
        run_cli(dir, {"order", "sample.tif", "--output", "b", "--format", "bmp", "--quiet"});
    ASSERT_EQ(b.exit_status, 0) << b.errors;
    for (const char* name : {"o.tif", "h.svg", "s.gpkg", "b.bmp", "b.prj", "b.bmp.aux.xml"}) {
        EXPECT_TRUE(fs::is_symlink(dir / name)) << name;
        EXPECT_NE(read_file(dir / ("real/" + std::string(name))), "old") << name;
    }
    EXPECT_TRUE(open_raster(dir / "o.tif"));
    EXPECT_EQ(features_of(dir / "s.gpkg"), 292);

    // A device node made here: the SVG goes through it, the node stays. A GIS dataset cannot be
    // written through one, and is refused before the run.
    ASSERT_EQ(::mknod((dir / "null.svg").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    ProgramResult svg = run_cli(dir, {"order", "sample.tif", "--output", "d", "--horton",
                                      "null.svg", "--steps", "--quiet"});
    EXPECT_EQ(svg.exit_status, 0) << svg.errors;
    EXPECT_TRUE(is_char_device(dir / "null.svg"));
    for (const char* segments : {"null.gpkg", "null.shp"}) {
        const std::string node = dir / segments;
        ASSERT_EQ(::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
        ProgramResult gis = run_cli(
            dir, {"order", "sample.tif", "--output", "d", "--segments", segments, "--quiet"});
        EXPECT_EQ(gis.exit_status, 1) << segments;
        EXPECT_NE(gis.errors.find(std::string(segments) + ": is not a regular file"),
                  std::string::npos)
            << gis.errors;
        EXPECT_TRUE(is_char_device(node));
    }
    // An order GeoTIFF likewise, before the passes: nothing of the run is written.
    ASSERT_EQ(::mknod((dir / "dv.tif").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    ProgramResult image = run_cli(dir, {"order", "sample.tif", "--output", "dv"});
    EXPECT_EQ(image.exit_status, 1);
    EXPECT_NE(image.errors.find("dv.tif: is not a regular file"), std::string::npos)
        << image.errors;
    EXPECT_TRUE(is_char_device(dir / "dv.tif"));
    EXPECT_FALSE(file_exists(dir / "dv_info.txt"));
    // A pipe with no reader is refused at once, and stays a pipe.
    ASSERT_EQ(::mkfifo((dir / "p.svg").c_str(), 0666), 0);
    ProgramResult pipe =
        run_cli(dir, {"order", "sample.tif", "--output", "d", "--horton", "p.svg", "--quiet"});
    EXPECT_EQ(pipe.exit_status, 1);
    EXPECT_FALSE(pipe.timed_out);
    EXPECT_TRUE(fs::is_fifo(dir / "p.svg"));
    EXPECT_EQ(leftovers(dir.path), std::vector<std::string>());
    EXPECT_EQ(leftovers(dir / "real"), std::vector<std::string>());
}

// A run killed (SIGKILL, no handler runs) at any moment while it writes its
// step images, its GIS files and its tables leaves under a final name only a whole file, and
// every other name it made follows the one pattern docs/command_line_safety.md gives: .tmp-
// and six characters (an extension after them for a GIS dataset, whose driver goes by it), or
// .tmp-pending, or .old- and six characters.
TEST(CommandLineSafety, AKilledRunLeavesOnlyWholeFilesAndNamedTemporaries) {
    TempDir dir;
    copy_sample(dir);
    const std::vector<std::string> args = {"order",   "sample.tif", "--output", "o",
                                           "--steps", "--segments", "s.shp",    "--horton",
                                           "h.svg",   "--summary",  "m.json",   "--quiet"};
    // The time of a whole run, the shorter of two (the first loads the libraries from disk).
    auto took = std::chrono::microseconds::max();
    for (int n = 0; n < 2; ++n) {
        const auto start = std::chrono::steady_clock::now();
        ProgramResult whole = run_cli(dir, args, nullptr, BRANCHRANKER_CLI_PLAIN_EXE);
        ASSERT_EQ(whole.exit_status, 0) << whole.errors;
        took = std::min(took, std::chrono::duration_cast<std::chrono::microseconds>(
                                  std::chrono::steady_clock::now() - start));
    }
    // The final names, and the contents of those that every run writes the same.
    std::set<std::string> finals;
    std::map<std::string, std::string> same;
    for (const auto& e : fs::directory_iterator(dir.path)) {
        const std::string name = e.path().filename();
        finals.insert(name);
        const std::string ext = e.path().extension();
        if (ext == ".bmp" || ext == ".svg" || ext == ".json" || ext == ".txt" || ext == ".bpw")
            same[name] = read_file(e.path());
    }
    const std::regex temporary(R"(.*\.(tmp-([A-Za-z0-9]{6}(\..+)?|pending)|old-[A-Za-z0-9]{6}))");
    int killed = 0, left_some = 0;
    for (int n = 1; n <= 30; ++n) {
        for (const auto& e : fs::directory_iterator(dir.path))
            if (e.path().filename() != "sample.tif") fs::remove(e.path());
        // A watcher forked in the child before the program starts kills it n/25 of a whole
        // run's time later.
        const auto delay = took * n / 25;
        ProgramResult r = run_cli(
            dir, args,
            [delay] {
                const pid_t program = ::getpid();
                if (::fork() == 0) {
                    std::this_thread::sleep_for(delay);
                    ::kill(program, SIGKILL);
                    ::_exit(0);
                }
            },
            BRANCHRANKER_CLI_PLAIN_EXE);
        if (r.exit_status == -1) ++killed;
        bool some = false;
        for (const auto& e : fs::directory_iterator(dir.path)) {
            const std::string name = e.path().filename();
            if (finals.count(name)) continue;
            some = true;
            EXPECT_TRUE(std::regex_match(name, temporary)) << name << " after " << n;
        }
        left_some += some;
        // What is under a final name is whole.
        // (Passes after 5 reuse the pass-5 step names: one of those may be an earlier pass's
        // image, whole.)
        for (const auto& [name, text] : same) {
            if (!file_exists(dir / name)) continue;
            const std::string now = read_file(dir / name);
            if (name.find("_step5.bmp") != std::string::npos)
                EXPECT_EQ(now.size(), text.size()) << name << " after " << n;
            else
                EXPECT_TRUE(now == text) << name << " after " << n;
        }
        if (file_exists(dir / "o.tif")) {
            EXPECT_TRUE(open_raster(dir / "o.tif")) << n;
        }
        if (file_exists(dir / "s.shp")) {
            EXPECT_EQ(features_of(dir / "s.shp"), 292) << n;
        }
    }
    EXPECT_GT(killed, 5);
    std::printf("killed %d of 30 runs, %d left temporaries\n", killed, left_some);
}

// Every result name against every other and against the inputs, before
// anything is read: a usage error naming both, and nothing written.
TEST(CommandLineSafety, ResultsThatWouldOverwriteEachOtherAreRefused) {
    TempDir dir;
    copy_sample(dir);
    write_file(dir / "sample.tif.aux.xml", "<PAMDataset/>");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"sample.tif", "--output", "o/r", "--horton", "o/h.svg", "--summary", "o/h.svg"},
         "o/h.svg (--horton) and o/h.svg (--summary) are the same file"},
        {{"sample.raw", "--output", "o/r", "--summary", "o/r.txt"},
         "o/r.txt (--summary) and o/r.txt (the order image's descriptor of sample.raw)"},
        {{"sample.tif", "--output", "o/r", "--summary", "o/r_info.txt"},
         "o/r_info.txt (--summary) and o/r_info.txt (the report of sample.tif)"},
        {{"sample.tif", "--output", "o/r", "--segments", "o/s.json", "--summary", "o/s.json"},
         "o/s.json (--summary) and o/s.json (--segments)"},
        {{"sample.tif", "--output", "o/r", "--steps", "--summary", "o/r_segments_step3.bmp"},
         "(a segments step image of sample.tif)"},
        {{"sample.tif", "--output", "o/r", "--segments", "o/r.shp", "--summary", "o/r.dbf"},
         "o/r.dbf (--summary) and o/r.dbf (a file of the --segments shapefile)"},
        {{"sample.tif", "--output", "o/r", "--summary", "sample.tif.aux.xml"},
         "sample.tif.aux.xml (--summary) would replace sample.tif.aux.xml (a file read with "
         "sample.tif)"},
    };
    fs::create_directory(dir / "o");
    for (const Case& k : cases) {
        std::vector<std::string> args = {"order"};
        args.insert(args.end(), k.args.begin(), k.args.end());
        ProgramResult r = run_cli(dir, args);
        EXPECT_EQ(r.exit_status, 2) << k.message;
        EXPECT_NE(r.errors.find(k.message), std::string::npos) << r.errors;
        EXPECT_TRUE(fs::is_empty(dir / "o")) << k.message;
    }
    EXPECT_EQ(read_file(dir / "sample.tif.aux.xml"), "<PAMDataset/>");
}

// Memory that runs out anywhere (GDAL's start-up, the reader, the passes, the
// writers through GDAL) ends the run with status 1 and a message, never an abort or a crash,
// and leaves no temporary. The program without sanitizers, under a data limit swept from where
// the program's libraries just load to where the run completes.
TEST(CommandLineSafety, MemoryThatRunsOutEndsWithStatusOneAndAMessage) {
    TempDir dir;
    copy_sample(dir);
    int completed = 0, refused = 0;
    for (rlim_t kib = 8000; kib <= 124000; kib += 1450) {
        auto limit = [kib] {
            const rlimit l{kib << 10, kib << 10};
            ::setrlimit(RLIMIT_DATA, &l);
        };
        ProgramResult r =
            run_cli(dir,
                    {"order", "sample.tif", "--output", "m", "--segments", "m.gpkg", "--summary",
                     "m.json", "--horton", "m.svg", "--steps", "--quiet"},
                    limit, BRANCHRANKER_CLI_PLAIN_EXE);
        if (r.exit_status == 127 &&
            r.errors.find("error while loading shared libraries") != std::string::npos)
            continue;  // the system's loader, before the program runs
        if (r.exit_status == 0) {
            ++completed;
        } else {
            ++refused;
            EXPECT_EQ(r.exit_status, 1) << kib << " KiB: " << r.errors;
            EXPECT_NE(r.errors.find("not enough memory"), std::string::npos)
                << kib << " KiB: " << r.errors;
        }
        EXPECT_EQ(leftovers(dir.path), std::vector<std::string>()) << kib;
    }
    EXPECT_GT(completed, 0);
    EXPECT_GT(refused, 10);

    // A raster that is all network, and a fishnet (all loops), took 100 to 125
    // bytes a pixel in the lists of loops and groups. Under a limit of the program's own
    // footprint plus 4 bytes a pixel they are refused before those lists are made (by name, not
    // for want of memory), and leave nothing; a dense terrain network of the same size, with
    // thousands of squares of four, still runs there.
    const int side = 1024;
    auto raw_network = [&](const std::string& name, const std::function<bool(int, int)>& on) {
        std::string cells(static_cast<std::size_t>(side) * side, '\xff');
        for (int i = 0; i < side; ++i)
            for (int j = 0; j < side; ++j)
                if (on(i, j)) cells[static_cast<std::size_t>(i) * side + j] = 0;
        write_file(dir / (name + ".raw"), cells);
        write_file(dir / (name + ".txt"), "1024 1024 1 0 255 25");
    };
    raw_network("all", [](int, int) { return true; });
    raw_network("fishnet", [](int i, int j) { return i % 8 == 0 || j % 8 == 0; });
    // A fishnet with dangling spurs: the spurs are pruned, the net is not.
    raw_network("spurs", [](int i, int j) {
        return i % 8 == 0 || j % 8 == 0 || (j % 64 == 3 && i % 8 < 4);
    });
    TerrainOptions dense;
    dense.nb_lig = dense.nb_col = side;
    dense.threshold = 30;
    ASSERT_TRUE(write_raw_network(generate_terrain_network(dense).net, dir / "terrain", 25));
    auto four_bytes_a_pixel = [] {
        const rlim_t bytes = (rlim_t{128} << 20) + 4 * rlim_t{side} * side;
        const rlimit l{bytes, bytes};
        ::setrlimit(RLIMIT_DATA, &l);
    };
    for (const char* name : {"all", "fishnet", "spurs"}) {
        ProgramResult r = run_cli(
            dir,
            {"order", std::string(name) + ".raw", "--output", std::string("x_") + name, "--quiet"},
            four_bytes_a_pixel, BRANCHRANKER_CLI_PLAIN_EXE);
        EXPECT_EQ(r.exit_status, 1) << name;
        EXPECT_NE(r.errors.find(std::string(name) + ".raw: "), std::string::npos) << r.errors;
        EXPECT_NE(r.errors.find("network pixels lie on closed loops or between them"),
                  std::string::npos)
            << r.errors;
        EXPECT_FALSE(file_exists(dir / ("x_" + std::string(name) + ".raw")));
        EXPECT_FALSE(file_exists(dir / ("x_" + std::string(name) + "_info.txt")));
    }
    ProgramResult terrain = run_cli(dir, {"order", "terrain.raw", "--output", "x_t", "--quiet"},
                                    four_bytes_a_pixel, BRANCHRANKER_CLI_PLAIN_EXE);
    EXPECT_EQ(terrain.exit_status, 0) << terrain.errors;
    EXPECT_TRUE(file_exists(dir / "x_t_info.txt"));
    EXPECT_EQ(leftovers(dir.path), std::vector<std::string>());

    // The dialogue short of memory for a valid BMP says so, not that the file
    // is not a BMP.
    const int n = 4096;
    std::string bmp(54, '\0');
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<char>(v >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, 54 + 1024 + n * n);
    put32(10, 54 + 1024);
    put32(14, 40);
    put32(18, n);
    put32(22, n);
    bmp[26] = 1;
    bmp[28] = 8;
    for (int i = 0; i < 256; ++i) bmp += std::string{char(i), char(i), char(i), '\0'};
    bmp += std::string(static_cast<std::size_t>(n) * n, '\xff');
    write_file(dir / "images/S/n.bmp", bmp);
    ProgramOptions small;
    small.exe = BRANCHRANKER_PLAIN_EXE;
    small.in_child = [] {
        const rlimit l{12u << 20, 12u << 20};
        ::setrlimit(RLIMIT_DATA, &l);
    };
    ProgramResult short_of_memory = run_program(dir.path, "S n 1 25 0 0 0 2 1\n", 60, small);
    EXPECT_EQ(short_of_memory.exit_status, 1);
    EXPECT_NE(short_of_memory.output.find(
                  "\n\n\tNot enough memory to go on: the run stops without a result\n"),
              std::string::npos)
        << short_of_memory.output;
    EXPECT_EQ(short_of_memory.output.find("cannot be read"), std::string::npos);
}

// One range of pixel sizes from every source, so that no length can
// overflow (a Horton plot of infinite lengths never ended) and no size loses its precision; the
// message gives the range in a line. The dialogue's texts for sizes it refused before are as
// they were.
TEST(CommandLineSafety, PixelSizesOutsideOneRangeAreRefusedFromEverySource) {
    const std::string range = "a number of metres from 1e-300 to 1e+280";
    TempDir dir;
    copy_sample(dir);
    for (const char* size : {"1e306", "1e-320", "0", "nan"}) {
        ProgramResult r = run_cli(dir, {"order", "sample.tif", "--pixel-size", size, "--horton",
                                        "h.svg", "--output", "o"});
        EXPECT_EQ(r.exit_status, 2) << size;
        EXPECT_EQ(r.errors.find("--pixel-size: expected " + range), 14u) << r.errors;
        EXPECT_LT(r.errors.size(), 200u) << r.errors;
    }
    ProgramResult largest = run_cli(dir, {"order", "sample.tif", "--pixel-size", "1e280",
                                          "--horton", "h.svg", "--output", "o", "--quiet"});
    EXPECT_EQ(largest.exit_status, 0) << largest.errors;
    EXPECT_EQ(read_file(dir / "h.svg").find("inf"), std::string::npos);
    for (const char* size : {"1e308", "1e281", "1e-320"}) {
        write_file(dir / "sample.txt", std::string("512 512 1 0 255 ") + size);
        ProgramResult r = run_cli(dir, {"order", "sample.raw", "--output", "o"});
        EXPECT_EQ(r.exit_status, 1) << size;
        EXPECT_NE(r.errors.find("sample.raw: the pixel size of the file is not " + range),
                  std::string::npos)
            << r.errors;
    }
    write_file(dir / "a.asc",
               "ncols 3\nnrows 3\nxllcorner 0\nyllcorner 0\ncellsize 1e290\n"
               "255 0 255\n255 0 255\n255 0 255\n");
    ProgramResult asc = run_cli(dir, {"order", "a.asc", "--output", "o"});
    EXPECT_EQ(asc.exit_status, 1);
    EXPECT_NE(asc.errors.find("the pixel size the georeference gives is not " + range),
              std::string::npos)
        << asc.errors;

    // The dialogue: a descriptor, an ASCII header, a typed size.
    TempDir d;
    write_file(d / "images/S/n.raw", std::string(400, '\xff'));
    write_file(d / "images/S/n.txt", "20 20 1 0 255 1e300");
    ProgramResult descriptor = run_program(d.path, "S n 0\n");
    EXPECT_EQ(descriptor.exit_status, 1);
    EXPECT_NE(descriptor.output.find("\n\tDescriptor images/S/n.txt: the pixel size must be " +
                                     range + "\n"),
              std::string::npos)
        << descriptor.output;
    write_file(d / "images/S/n.asc",
               "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1e-320\n1 2\n3 4\n");
    ProgramResult header = run_program(d.path, "S n 2\n");
    EXPECT_EQ(header.exit_status, 1);
    EXPECT_NE(header.output.find("\n\tFile images/S/n.asc: the cell size (header line 5) must be " +
                                 range + "\n"),
              std::string::npos)
        << header.output;
    fs::remove(d / "images/S/n.txt");
    ProgramResult typed = run_program(d.path, "S n 0 20 20 1e300 25 0 0 0 2 1\n");
    EXPECT_EQ(typed.exit_status, 0);
    EXPECT_NE(typed.output.find("\n\tThe pixel size is " + range + "\n\tPixel size (real) ? "),
              std::string::npos)
        << typed.output;
}

// A network in a local archive is read; a URL, a /vsi
// path that is not a local archive, a VRT whose source is on a server or is a pipe, a VRT raw
// band and a side file that is a pipe are refused at once, naming the file and why.
TEST(CommandLineSafety, GisInputsAreLocalRegularFilesOnly) {
    TempDir dir;
    copy_sample(dir);
    // A zip of one stored entry, written by hand: the sample GeoTIFF.
    const std::string tif = read_file(dir / "sample.tif");
    {
        GDALAllRegister();
        VSILFILE* zip = VSIFOpenL(("/vsizip/" + dir / "s.zip/sample.tif").c_str(), "wb");
        ASSERT_NE(zip, nullptr);
        ASSERT_EQ(VSIFWriteL(tif.data(), 1, tif.size(), zip), tif.size());
        VSIFCloseL(zip);
    }
    ProgramResult zipped =
        run_cli(dir, {"order", "/vsizip/" + dir / "s.zip/sample.tif", "--output", "z"});
    EXPECT_EQ(zipped.exit_status, 0) << zipped.errors;
    EXPECT_NE(zipped.output.find("highest order 6, 292 segments"), std::string::npos);

    const std::string vrt_head =
        "<VRTDataset rasterXSize=\"512\" rasterYSize=\"512\"><VRTRasterBand dataType=\"Byte\" "
        "band=\"1\"><SimpleSource><SourceFilename relativeToVRT=\"1\">";
    const std::string vrt_tail =
        "</SourceFilename><SourceBand>1</SourceBand></SimpleSource></VRTRasterBand></VRTDataset>";
    write_file(dir / "good.vrt", vrt_head + "sample.tif" + vrt_tail);
    write_file(dir / "net.vrt", vrt_head + "/vsicurl/http://127.0.0.1:9/n.tif" + vrt_tail);
    write_file(dir / "pipe.vrt", vrt_head + "fifo.tif" + vrt_tail);
    ASSERT_EQ(::mkfifo((dir / "fifo.tif").c_str(), 0666), 0);
    write_file(dir / "raw.vrt",
               "<VRTDataset rasterXSize=\"4\" rasterYSize=\"4\"><VRTRasterBand dataType=\"Byte\" "
               "band=\"1\" subClass=\"VRTRawRasterBand\"><SourceFilename relativeToVRT=\"1\">"
               "sample.txt</SourceFilename></VRTRasterBand></VRTDataset>");
    ProgramResult good = run_cli(dir, {"order", "good.vrt", "--output", "g", "--pixel-size", "25"});
    EXPECT_EQ(good.exit_status, 0) << good.errors;

    struct Case {
        std::string network;
        std::string message;
    };
    const Case cases[] = {
        {"http://127.0.0.1:9/n.tif",
         "http://127.0.0.1:9/n.tif: a network location is not read; give a local file"},
        {"/vsicurl/http://127.0.0.1:9/n.tif",
         "/vsicurl/http://127.0.0.1:9/n.tif: a network location is not read"},
        {"/vsimem/n.tif",
         "/vsimem/n.tif: only /vsizip/, /vsigzip/ and /vsitar/ paths on a local archive are read"},
        {"/vsizip/missing.zip/n.tif", "/vsizip/missing.zip/n.tif: cannot be opened (no such file)"},
        {"net.vrt", "net.vrt: a source: /vsicurl/http://127.0.0.1:9/n.tif: a network location"},
        {"pipe.vrt", "pipe.vrt: a source: fifo.tif: cannot be opened (not a regular file)"},
        {"raw.vrt", "raw.vrt: a VRT raw band (which reads any file as pixels) is not read"},
    };
    for (const Case& k : cases) {
        ProgramResult r = run_cli(dir, {"order", k.network, "--output", "x", "--pixel-size", "25"});
        EXPECT_EQ(r.exit_status, 1) << k.network;
        EXPECT_FALSE(r.timed_out) << k.network;
        EXPECT_NE(r.errors.find("branchranker: " + k.message), std::string::npos) << r.errors;
    }
    // Side files GDAL looks for beside the network: a pipe among them would block it.
    for (const char* side : {"sample.tif.aux.xml", "sample.tfw", "sample.TIF.ovr"}) {
        ASSERT_EQ(::mkfifo((dir / side).c_str(), 0666), 0);
        ProgramResult r = run_cli(dir, {"order", "sample.tif", "--output", "x"});
        EXPECT_EQ(r.exit_status, 1) << side;
        EXPECT_NE(r.errors.find(std::string(side) + ": a file beside sample.tif that GDAL may "
                                                    "read is not a regular file"),
                  std::string::npos)
            << r.errors;
        fs::remove(dir / side);
    }
    EXPECT_FALSE(file_exists(dir / "x.tif"));
}
