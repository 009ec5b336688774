// The program's engine against the plain one that scans whole grids in every pass: on every
// random raster whose network is a clean forest (junctions of single pixels, no closed loop,
// every part touching the border), with every result type and with step images on and off, the
// console text, the key waits, the report, the result and every step image must be the same
// byte for byte. On the other rasters the two differ by design (the program's engine orders
// junction groups, stair steps and loops); there the program's engine must end, and label only
// network pixels, with orders of the passes it ran.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/nrutil.h"
#include "dialogue/pass_texts.h"
#include "dialogue/result.h"
#include "dialogue/run_state.h"
#include "tests/support/plain_treatment.h"
#include "tests/test_support.h"
#include "tools/network_generator.h"

namespace {

struct Raster {
    int lines = 0;
    int columns = 0;
    std::vector<unsigned char> cells;
    unsigned char& at(int i, int j) { return cells[static_cast<std::size_t>(i) * columns + j]; }
};

struct Options {
    int val_red = 1;
    int num_order = 3;
    int save_step = 0;
    int image_type = 0;
    double pixel = 10.0;
    int threads = 1;  // of the program's engine: its walks run on threads from 32 starts on
};

struct Outcome {
    std::string transcript;
    int keys = 0;
    int status = 0;
    std::map<std::string, std::string> files;  // name -> bytes
};

// The temporary folder differs from run to run: it is named DIR in what is compared.
std::string without_folder(std::string text, const std::string& folder) {
    for (std::size_t at; (at = text.find(folder)) != std::string::npos;) {
        text.replace(at, folder.size(), "DIR");
    }
    return text;
}

Outcome run_engine(const Raster& r, const Options& o,
                   const std::function<void(RunState&, Console&)>& engine, bool all_grids) {
    TempDir dir;
    RunState s;
    s.nb_lig = r.lines;
    s.nb_col = r.columns;
    s.dpix_size = o.pixel;
    s.val_red = o.val_red;
    s.Num_order = o.num_order;
    s.save_step = o.save_step;
    s.image_type = static_cast<ImageType>(o.image_type);
    s.threads = o.threads;
    s.X_min = 100.5;
    s.Y_min = -3.25;
    // The plain engine needs all five grids; the program makes tab1 and tab5, and tab2 for the
    // step images only.
    for (ByteGrid* g : {&s.tab1, &s.tab, &s.tab2, &s.tab4, &s.tab5}) {
        if (!all_grids && (g == &s.tab || g == &s.tab4 || (g == &s.tab2 && o.save_step != 1))) {
            continue;
        }
        *g = ByteGrid(ucmatrice(s.nb_col, s.nb_lig), s.nb_lig);
    }
    for (int i = 0; i < r.lines; ++i) {
        std::copy_n(&r.cells[static_cast<std::size_t>(i) * r.columns], r.columns, s.tab1[i]);
    }
    s.nomim_step = dir / "n_strahler";
    s.nominfo = s.nomim_step + "_info.txt";
    s.finfo = open_file(s.nominfo, "w");
    const char* endings[] = {".raw", ".bmp", ".asc"};
    s.nomim2 = s.nomim_step + endings[o.image_type];
    s.nomdescr2 = s.nomim_step + ".txt";

    ScriptedConsole con("");
    engine(s, con.console);
    s.finfo.reset();

    Outcome out;
    out.transcript = without_folder(con.transcript(), dir.path);
    out.keys = con.keys;
    out.status = s.status;
    for (const auto& e : std::filesystem::directory_iterator(dir.path)) {
        out.files[e.path().filename().string()] =
            without_folder(read_file(e.path().string()), dir.path);
    }
    return out;
}

// Whether the network of r is a forest whose junctions are single pixels and every part of which
// touches the border: the drawings on which the engine must do exactly as the plain one.
bool clean_forest(const Raster& r, int net) {
    const int n = r.lines * r.columns;
    auto on = [&](int i, int j) {
        return i >= 0 && j >= 0 && i < r.lines && j < r.columns &&
               r.cells[static_cast<std::size_t>(i) * r.columns + j] == net;
    };
    auto degree = [&](int i, int j) {
        int d = 0;
        for (int di = -1; di <= 1; ++di)
            for (int dj = -1; dj <= 1; ++dj) d += (di || dj) && on(i + di, j + dj);
        return d;
    };
    std::vector<int> part(static_cast<std::size_t>(n), -1);
    for (int start = 0; start < n; ++start) {
        if (part[static_cast<std::size_t>(start)] >= 0 || !on(start / r.columns, start % r.columns))
            continue;
        long long pixels = 0;
        long long links = 0;
        bool border = false;
        std::vector<int> todo{start};
        part[static_cast<std::size_t>(start)] = start;
        while (!todo.empty()) {
            const int p = todo.back();
            todo.pop_back();
            const int i = p / r.columns;
            const int j = p % r.columns;
            ++pixels;
            border = border || i == 0 || j == 0 || i == r.lines - 1 || j == r.columns - 1;
            const bool junction = degree(i, j) > 2;
            for (int di = -1; di <= 1; ++di) {
                for (int dj = -1; dj <= 1; ++dj) {
                    if ((!di && !dj) || !on(i + di, j + dj)) continue;
                    ++links;
                    if (junction && degree(i + di, j + dj) > 2) return false;
                    const int q = (i + di) * r.columns + j + dj;
                    if (part[static_cast<std::size_t>(q)] < 0) {
                        part[static_cast<std::size_t>(q)] = start;
                        todo.push_back(q);
                    }
                }
            }
        }
        if (!border || links / 2 != pixels - 1) return false;
    }
    return true;
}

// Compares the engines on a clean forest, or runs the program's engine alone on any other
// drawing. Returns whether the two were compared.
bool expect_same(const Raster& r, const Options& o, const std::string& what) {
    if (!clean_forest(r, o.val_red)) {
        Options raw = o;
        raw.image_type = 0;
        Outcome fast = run_engine(r, raw, run_passes, false);
        EXPECT_EQ(fast.status, 0) << what;
        EXPECT_NE(fast.transcript.find("Name of the resulting file : DIR/n_strahler.raw"),
                  std::string::npos)
            << what;
        const std::string& image = fast.files["n_strahler.raw"];
        EXPECT_EQ(image.size(), r.cells.size()) << what;
        for (std::size_t p = 0; p < image.size() && p < r.cells.size(); ++p) {
            const auto order = static_cast<unsigned char>(image[p]);
            if (order == 255) continue;
            if (r.cells[p] != o.val_red || order < 1 || order > o.num_order) {
                ADD_FAILURE() << what << ": pixel " << p << " labelled " << int(order);
                break;
            }
        }
        return false;
    }
    Outcome fast = run_engine(r, o, run_passes, false);
    Outcome plain = run_engine(
        r, o,
        [](RunState& s, Console& c) {
            PassTexts texts(s, c);
            plain_treatment(s, texts);
            write_result(s, c);
        },
        true);
    EXPECT_EQ(fast.transcript, plain.transcript) << what;
    EXPECT_EQ(fast.keys, plain.keys) << what;
    EXPECT_EQ(fast.status, plain.status) << what;
    EXPECT_EQ(fast.files.size(), plain.files.size()) << what;
    for (const auto& [name, bytes] : plain.files) {
        EXPECT_TRUE(fast.files.count(name)) << what << ": " << name;
        EXPECT_TRUE(fast.files[name] == bytes) << what << ": " << name << " differs";
    }
    return true;
}

// A small fixed generator, so that a failing case can be found again from its seed.
struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
};

Raster blank(int lines, int columns, unsigned char background) {
    Raster r;
    r.lines = lines;
    r.columns = columns;
    r.cells.assign(static_cast<std::size_t>(lines) * columns, background);
    return r;
}

// Scattered network pixels: junction groups, loops, isolated pixels and lines everywhere.
Raster noise(Random& rnd, int lines, int columns, int percent, unsigned char net) {
    Raster r = blank(lines, columns, 255);
    for (auto& v : r.cells) {
        if (rnd.below(100) < percent)
            v = net;
        else if (rnd.below(10) == 0)
            v = static_cast<unsigned char>(rnd.below(256));
    }
    return r;
}

// Random 8-connected strokes that wander, cross and touch the border.
Raster strokes(Random& rnd, int lines, int columns, int count, unsigned char net) {
    Raster r = blank(lines, columns, 0);
    for (int s = 0; s < count; ++s) {
        int i = rnd.below(lines);
        int j = rnd.below(columns);
        int length = 3 + rnd.below(4 * (lines + columns));
        int di = rnd.below(3) - 1;
        int dj = rnd.below(3) - 1;
        for (int t = 0; t < length; ++t) {
            r.at(i, j) = net;
            if (rnd.below(4) == 0) {
                di = rnd.below(3) - 1;
                dj = rnd.below(3) - 1;
            }
            i = std::clamp(i + di, 0, lines - 1);
            j = std::clamp(j + dj, 0, columns - 1);
        }
    }
    return r;
}

// A binary tree of straight strokes from a trunk on the bottom border, branches split in two
// where they end; strokes may touch where the tree is crowded.
Raster tree(Random& rnd, int lines, int columns, unsigned char net) {
    Raster r = blank(lines, columns, 255);
    std::function<void(int, int, int, int)> grow = [&](int i, int j, int dj, int depth) {
        int length = 3 + rnd.below(8);
        for (int t = 0; t < length && i > 0 && j > 0 && j < columns - 1; ++t) {
            r.at(i, j) = net;
            --i;
            j += dj;
        }
        // The two children start diagonally above the stroke's last pixel.
        j -= dj;
        if (depth == 0 || i <= 1 || j <= 1 || j >= columns - 2) return;
        grow(i, j - 1, -1, depth - 1);
        grow(i, j + 1, 1, depth - 1);
    };
    grow(lines - 1, columns / 2, 0, 1 + rnd.below(4));
    return r;
}

Options random_options(Random& rnd, unsigned char net) {
    Options o;
    o.val_red = net;
    o.num_order = rnd.below(9) - 1;  // -1 to 7: no pass, and passes beyond 5
    o.save_step = rnd.below(3) == 0 ? 1 : 0;
    o.image_type = rnd.below(3);
    o.pixel = 0.5 + rnd.below(40);
    o.threads = 1 + static_cast<int>(o.pixel) % 3;  // no draw of its own: the cases stay
    return o;
}

}  // namespace

TEST(EngineEquivalence, RandomNoise) {
    Random rnd{1};
    int compared = 0;
    for (int n = 0; n < 120; ++n) {
        const auto net = static_cast<unsigned char>(rnd.below(255));
        Raster r = noise(rnd, 1 + rnd.below(30), 1 + rnd.below(30), 5 + rnd.below(50), net);
        compared += expect_same(r, random_options(rnd, net), "noise case " + std::to_string(n));
    }
    EXPECT_GE(compared, 20);
}

TEST(EngineEquivalence, RandomStrokes) {
    Random rnd{2};
    for (int n = 0; n < 120; ++n) {
        Raster r = strokes(rnd, 3 + rnd.below(40), 3 + rnd.below(40), 1 + rnd.below(6), 7);
        expect_same(r, random_options(rnd, 7), "strokes case " + std::to_string(n));
    }
}

TEST(EngineEquivalence, RandomTrees) {
    Random rnd{3};
    int compared = 0;
    for (int n = 0; n < 80; ++n) {
        Raster r = tree(rnd, 20 + rnd.below(40), 20 + rnd.below(60), 0);
        Options o = random_options(rnd, 0);
        o.num_order = 1 + rnd.below(8);
        compared += expect_same(r, o, "tree case " + std::to_string(n));
    }
    EXPECT_GE(compared, 30);
}

TEST(EngineEquivalence, TinyImagesAndValuesThatMatchNothing) {
    Random rnd{4};
    for (int lines = 1; lines <= 3; ++lines) {
        for (int columns = 1; columns <= 4; ++columns) {
            Raster r = noise(rnd, lines, columns, 60, 3);
            Options o;
            o.val_red = 3;
            o.num_order = 2;
            o.save_step = 1;
            expect_same(r, o, "tiny " + std::to_string(lines) + "x" + std::to_string(columns));
            o.val_red = 255;  // no pixel is network: nothing is traced
            expect_same(r, o, "255 on tiny image");
        }
    }
}

TEST(EngineEquivalence, GeneratedNetworksCleanAndUntidy) {
    int compared = 0;
    for (int n = 0; n < 12; ++n) {
        NetworkOptions opt;
        opt.nb_lig = 48 + 37 * n;
        opt.nb_col = 160 - 9 * n;
        opt.seed = 100 + n;
        opt.cell = 3 + n % 4;
        opt.untidy = n % 2 == 1;
        const Network net = generate_network(opt);
        Raster r = blank(net.nb_lig, net.nb_col, 0);
        r.cells = net.cells;
        Options o;
        o.val_red = net.network_value;
        o.num_order = 3 + n % 6;
        o.save_step = n % 3 == 0 ? 1 : 0;
        o.image_type = n % 3;
        o.threads = 2 + n % 2;
        compared += expect_same(r, o, "generated case " + std::to_string(n));
    }
    EXPECT_EQ(compared, 6);  // the clean ones
}
