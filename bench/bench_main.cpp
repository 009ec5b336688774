// branchranker_bench: speed and memory of branchranker on a generated drainage network.
//
//   branchranker_bench [--size N | --lines N --columns N] [--seed S] [--program PATH]
//                      [--drawn-size N] [--terrain-size N] [--dense-size N] [--rounds R]
//                      [--only PARTS]
//
// Default 16384 x 16384, a drawn network and a terrain network of the same size (--drawn-size 0,
// --terrain-size 0: none; at 16384 x 16384 they take about 50 s and 3 min to generate), a dense
// terrain network (channels from 30 cells: channels touch everywhere) of 4096 x 4096 or the
// clean network's size if smaller (--dense-size 0: none), best of 3 rounds. --only runs some
// parts alone: a comma-separated list of `runs` (whole runs of the program), `gis` (the clean
// network's whole command-line runs of GeoTIFFs, bench_gis.cpp; alone, without the drawn and
// terrain networks), `ascii` (the ASCII grid writer and reader) and `engines` (the engine in
// process). Prints one figure a line,
// "name value unit". Needs room in /tmp for a few files of about four bytes per pixel.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "base/memory_reuse.h"
#include "bench/bench.h"
#include "bench/figures.h"
#include "bench/spawner.h"
#include "tools/drawn_network.h"
#include "tools/network_generator.h"
#include "tools/terrain_network.h"

namespace {

void usage() {
    std::fprintf(stderr,
                 "usage: branchranker_bench [--size N | --lines N --columns N] [--seed S] "
                 "[--program PATH] [--drawn-size N] [--terrain-size N] [--dense-size N] "
                 "[--rounds R] [--only PARTS]\n"
                 "  N from 16 to 65536 (default 16384, dense 4096; 0: no such network);\n"
                 "  PATH the branchranker program to run; R from 1 to 20 (default 3);\n"
                 "  PARTS a comma-separated list of runs, gis, ascii, engines (default all)\n");
}

bool number(const char* text, long long lo, long long hi, long long& out) {
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || v < lo || v > hi) return false;
    out = v;
    return true;
}

// The parts of the benchmark asked for by --only.
struct Parts {
    bool runs = true;
    bool gis = true;
    bool ascii = true;
    bool engines = true;
};

bool parts(const std::string& list, Parts& out) {
    out = Parts{false, false, false, false};
    std::size_t begin = 0;
    while (begin <= list.size()) {
        const std::size_t end = std::min(list.find(',', begin), list.size());
        const std::string part = list.substr(begin, end - begin);
        if (part == "runs") {
            out.runs = true;
        } else if (part == "gis") {
            out.gis = true;
        } else if (part == "ascii") {
            out.ascii = true;
        } else if (part == "engines") {
            out.engines = true;
        } else {
            return false;
        }
        begin = end + 1;
    }
    return true;
}

struct WorkDir {
    std::string path;
    WorkDir() {
        char pattern[] = "/tmp/branchranker_bench_XXXXXX";
        if (::mkdtemp(pattern) != nullptr) path = pattern;
    }
    ~WorkDir() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
};

}  // namespace

int main(int argc, char** argv) {
    // Before anything large is allocated: see spawner.h.
    Spawner spawner = start_spawner();
    // The engine runs here as in the programs.
    keep_freed_memory_for_reuse();

    NetworkOptions o;
    o.nb_lig = 16384;
    o.nb_col = 16384;
    BenchSetup b;
    b.program = BRANCHRANKER_EXE;
    b.floor_program = BRANCHRANKER_FLOOR_EXE;
    long long drawn_size = -1;  // the size of the clean network
    long long terrain_size = -1;
    long long dense_size = -1;  // 4096, or the clean network's size if smaller
    Parts only;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        long long v = 0;
        bool ok = a + 1 < argc;
        if (ok && arg == "--size") {
            ok = number(argv[++a], 16, 65536, v);
            o.nb_lig = o.nb_col = static_cast<int>(v);
        } else if (ok && arg == "--drawn-size") {
            ok = number(argv[++a], 0, 65536, drawn_size) && (drawn_size == 0 || drawn_size >= 16);
        } else if (ok && arg == "--terrain-size") {
            ok = number(argv[++a], 0, 65536, terrain_size) &&
                 (terrain_size == 0 || terrain_size >= 16);
        } else if (ok && arg == "--dense-size") {
            ok = number(argv[++a], 0, 65536, dense_size) && (dense_size == 0 || dense_size >= 16);
        } else if (ok && arg == "--only") {
            ok = parts(argv[++a], only);
        } else if (ok && arg == "--rounds") {
            ok = number(argv[++a], 1, 20, v);
            b.rounds = static_cast<int>(v);
        } else if (ok && arg == "--lines") {
            ok = number(argv[++a], 16, 65536, v);
            o.nb_lig = static_cast<int>(v);
        } else if (ok && arg == "--columns") {
            ok = number(argv[++a], 16, 65536, v);
            o.nb_col = static_cast<int>(v);
        } else if (ok && arg == "--seed") {
            ok = number(argv[++a], 0, 1LL << 62, v);
            o.seed = static_cast<std::uint64_t>(v);
        } else if (ok && arg == "--program") {
            b.program = argv[++a];
        } else {
            ok = false;
        }
        if (!ok) {
            usage();
            stop_spawner(spawner);
            return 2;
        }
    }

    WorkDir work;
    if (work.path.empty()) {
        std::fprintf(stderr, "branchranker_bench: cannot make a folder in /tmp\n");
        stop_spawner(spawner);
        return 1;
    }

    b.work = work.path;
    int status = 0;
    try {
        const auto start = BenchClock::now();
        const Network net = generate_network(o);
        const double generated = seconds_since(start);
        const NetworkStats st = network_stats(net);
        figure("lines", net.nb_lig, "px");
        figure("columns", net.nb_col, "px");
        figure("network_pixels", static_cast<double>(st.pixels), "px");
        figure("network_share", st.share, "ratio");
        figure("highest_order", st.highest_order, "order");
        figure("generate", generated, "s");
        figure("rounds", b.rounds, "rounds");
        const int last_order = std::clamp(st.highest_order, 1, 63);
        if (only.gis && !only.runs && !only.ascii && !only.engines) {
            bench_gis_runs(spawner, net, b);
            stop_spawner(spawner);
            return 0;
        }

        // The drawn and terrain networks, each with its own figures.
        TruthNetwork drawn;
        TruthNetwork terrain;
        TruthNetwork dense;
        std::vector<OtherNetwork> others;
        auto describe = [&](const char* name, const TruthNetwork& t, double generated) {
            const std::string n = name;
            figure((n + "_generate").c_str(), generated, "s");
            figure((n + "_lines").c_str(), t.net.nb_lig, "px");
            figure((n + "_columns").c_str(), t.net.nb_col, "px");
            figure((n + "_highest_order").c_str(), t.highest_order, "order");
            const auto on = std::count(t.net.cells.begin(), t.net.cells.end(), t.net.network_value);
            figure((n + "_network_share").c_str(),
                   static_cast<double>(on) / static_cast<double>(t.net.cells.size()), "ratio");
            figure((n + "_network_pixels").c_str(), static_cast<double>(on), "px");
            others.push_back(
                {name, &t.net, std::clamp(t.highest_order, 1, 63), static_cast<long long>(on)});
        };
        if (drawn_size != 0) {
            DrawnOptions d;
            d.nb_lig = drawn_size < 0 ? o.nb_lig : static_cast<int>(drawn_size);
            d.nb_col = drawn_size < 0 ? o.nb_col : static_cast<int>(drawn_size);
            d.seed = o.seed;
            const auto drawn_start = BenchClock::now();
            drawn = generate_drawn_network(d);
            describe("drawn", drawn, seconds_since(drawn_start));
        }
        if (terrain_size != 0) {
            TerrainOptions d;
            d.nb_lig = terrain_size < 0 ? o.nb_lig : static_cast<int>(terrain_size);
            d.nb_col = terrain_size < 0 ? o.nb_col : static_cast<int>(terrain_size);
            d.seed = o.seed;
            d.threshold = 1000;  // about a square kilometre of 30 m cells
            const auto terrain_start = BenchClock::now();
            terrain = generate_terrain_network(d);
            describe("terrain", terrain, seconds_since(terrain_start));
        }
        if (dense_size != 0) {
            // Channels from 30 cells: ladders, blocks and channels side by side everywhere.
            TerrainOptions d;
            d.nb_lig = dense_size < 0 ? std::min(o.nb_lig, 4096) : static_cast<int>(dense_size);
            d.nb_col = dense_size < 0 ? std::min(o.nb_col, 4096) : static_cast<int>(dense_size);
            d.seed = o.seed;
            d.threshold = 30;
            const auto dense_start = BenchClock::now();
            dense = generate_terrain_network(d);
            describe("dense", dense, seconds_since(dense_start));
        }

        const double sweep = bench_grid_sweep(net);
        if (only.runs) {
            bench_whole_run(spawner, net, b, last_order, "", true);
            for (const OtherNetwork& other : others) {
                bench_whole_run(spawner, *other.net, b, other.last_order,
                                std::string(other.name) + "_", false);
            }
        }
        if (only.gis) bench_gis_runs(spawner, net, b);
        if (only.ascii) bench_ascii(net, b);
        if (only.engines) bench_engines(net, st.pixels, others, b, last_order, sweep);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "branchranker_bench: %s\n", e.what());
        status = 1;
    }
    stop_spawner(spawner);
    return status;
}
