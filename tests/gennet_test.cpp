// The network generator: repeatable output, clean tree structure, the wanted share, orders that
// the pass-by-pass pruning reproduces, the structure check itself, and the three file formats.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/nrutil.h"
#include "formats/image.h"
#include "tests/test_support.h"
#include "tools/network_generator.h"

namespace {

NetworkOptions options(int lig, int col, std::uint64_t seed) {
    NetworkOptions o;
    o.nb_lig = lig;
    o.nb_col = col;
    o.seed = seed;
    return o;
}

// A network drawn as text: '#' network, anything else background. The outlet is the one '#' on
// the border, if any.
Network drawn(const std::vector<std::string>& lines) {
    Network net;
    net.nb_lig = static_cast<int>(lines.size());
    net.nb_col = static_cast<int>(lines[0].size());
    for (int i = 0; i < net.nb_lig; ++i) {
        for (int j = 0; j < net.nb_col; ++j) {
            const bool on = lines[i][j] == '#';
            net.cells.push_back(on ? net.network_value : net.background);
            const bool border = i == 0 || j == 0 || i == net.nb_lig - 1 || j == net.nb_col - 1;
            if (on && border) {
                net.outlet_lig = i;
                net.outlet_col = j;
            }
        }
    }
    return net;
}

// The passes as the engine defines them, on a copy of the network: pass k starts a walk at
// every interior pixel with one network neighbour and follows the line, erasing it, up to a
// pixel with more than two neighbours or on the border, labelling every pixel it enters with k.
std::vector<unsigned char> pruned_orders(const Network& net) {
    const int lig = net.nb_lig;
    const int col = net.nb_col;
    static constexpr int kDr[8] = {-1, -1, -1, 0, 1, 1, 1, 0};
    static constexpr int kDc[8] = {-1, 0, 1, 1, 1, 0, -1, -1};
    std::vector<char> on(net.cells.size());
    for (std::size_t p = 0; p < on.size(); ++p) on[p] = net.cells[p] == net.network_value;
    std::vector<unsigned char> label(net.cells.size(), 255);
    auto count = [&](int i, int j) {
        int n = 0;
        for (int d = 0; d < 8; ++d) n += on[(i + kDr[d]) * col + j + kDc[d]];
        return n;
    };
    for (int k = 1; k < 64; ++k) {
        std::vector<char> code(on.size(), 0);  // 2 end point, 3 stop
        bool any = false;
        for (int i = 0; i < lig; ++i) {
            for (int j = 0; j < col; ++j) {
                if (!on[i * col + j]) continue;
                const bool border = i == 0 || j == 0 || i == lig - 1 || j == col - 1;
                const int n = border ? 0 : count(i, j);
                code[i * col + j] = border || n > 2 ? 3 : (n == 1 ? 2 : 0);
                any = any || n == 1;
            }
        }
        if (!any) break;
        for (int p = 0; p < lig * col; ++p) {
            if (code[p] != 2) continue;
            code[p] = 0;
            int cur = p;
            for (;;) {
                label[cur] = static_cast<unsigned char>(k);
                if (code[cur] == 3) break;
                on[cur] = 0;
                int next = -1;
                for (int d = 0; d < 8 && next < 0; ++d) {
                    const int q = cur + kDr[d] * col + kDc[d];
                    if (on[q]) next = q;
                }
                if (next < 0) break;
                cur = next;
            }
        }
    }
    return label;
}

}  // namespace

TEST(Gennet, SameSeedSameNetworkOnEveryMachine) {
    const Network a = generate_network(options(64, 96, 7));
    const Network b = generate_network(options(64, 96, 7));
    EXPECT_EQ(a.cells, b.cells);
    EXPECT_EQ(network_checksum(a), 0x522dbaeb140c0c5cULL);

    NetworkOptions untidy = options(64, 96, 7);
    untidy.untidy = true;
    EXPECT_EQ(network_checksum(generate_network(untidy)), 0x69fe3c486a87f02fULL);

    EXPECT_NE(generate_network(options(64, 96, 8)).cells, a.cells);
}

TEST(Gennet, CleanTreesOnManySizesSeedsAndSettings) {
    struct Case {
        int lig, col;
        std::uint64_t seed;
        int cell;
        double share;
    };
    const Case cases[] = {
        {16, 16, 1, 4, 0.04},    {16, 300, 2, 4, 0.04},  {300, 16, 3, 4, 0.04},
        {128, 128, 4, 3, 0.04},  {200, 333, 5, 4, 0.04}, {257, 255, 6, 5, 0.02},
        {256, 256, 7, 8, 0.08},  {512, 512, 8, 4, 0.04}, {400, 600, 9, 16, 0.03},
        {384, 384, 10, 3, 0.12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.lig) + "x" + std::to_string(c.col) + " seed " +
                     std::to_string(c.seed) + " cell " + std::to_string(c.cell));
        NetworkOptions o = options(c.lig, c.col, c.seed);
        o.cell = c.cell;
        o.share = c.share;
        o.network_value = static_cast<unsigned char>(c.seed * 20);
        o.background = 255;
        const Network net = generate_network(o);
        ASSERT_EQ(net.cells.size(), static_cast<std::size_t>(c.lig) * c.col);
        for (unsigned char v : net.cells) ASSERT_TRUE(v == o.network_value || v == 255);

        const NetworkCheck check = check_network(net);
        EXPECT_TRUE(check.ok()) << check.fault;
        EXPECT_GT(check.sources, 0);
        if (c.lig >= 128 && c.col >= 128) {
            const double share = static_cast<double>(check.pixels) / net.cells.size();
            EXPECT_NEAR(share, c.share, c.share * 0.15);
            EXPECT_GT(check.junctions, 0);
        }
    }
}

TEST(Gennet, PassesOfTheEngineGiveTheStrahlerOrders) {
    for (std::uint64_t seed = 1; seed <= 4; ++seed) {
        const Network net = generate_network(options(192 + 32 * static_cast<int>(seed), 256, seed));
        ASSERT_TRUE(check_network(net).ok());
        const std::vector<unsigned char> orders = strahler_orders(net);
        EXPECT_EQ(pruned_orders(net), orders) << "seed " << seed;
        int highest = 0;
        for (unsigned char v : orders) {
            if (v != 255) highest = std::max<int>(highest, v);
        }
        EXPECT_GE(highest, 3) << "seed " << seed;
    }
}

TEST(Gennet, StatisticsOfASample) {
    const Network net = generate_network(options(512, 512, 1));
    const NetworkStats st = network_stats(net);
    EXPECT_NEAR(st.share, 0.04, 0.004);
    EXPECT_GE(st.highest_order, 4);
    ASSERT_EQ(st.streams.size(), static_cast<std::size_t>(st.highest_order) + 1);
    EXPECT_EQ(st.streams[st.highest_order], 1);  // one stream reaches the outlet
    for (int k = 2; k <= st.highest_order; ++k) {
        // Each stream of order k starts where two of order k - 1 meet.
        EXPECT_GE(st.streams[k - 1], 2 * st.streams[k]) << "order " << k;
    }
    long long low = 0;
    long long all = 0;
    const std::vector<unsigned char> orders = strahler_orders(net);
    for (unsigned char o : orders) {
        if (o == 255) continue;
        ++all;
        low += o <= 2;
    }
    EXPECT_EQ(all, st.pixels);
    EXPECT_GT(low * 2, all);  // most of the network is of low order
}

TEST(Gennet, OrdersAndStreamsOfAHandDrawnY) {
    const Network y = drawn({
        ".......",
        ".#...#.",
        "..#.#..",
        "...#...",
        "...#...",
        "...#...",
        "...#...",
    });
    ASSERT_TRUE(check_network(y).ok()) << check_network(y).fault;
    const std::vector<unsigned char> o = strahler_orders(y);
    EXPECT_EQ(o[1 * 7 + 1], 1);
    EXPECT_EQ(o[2 * 7 + 4], 1);
    EXPECT_EQ(o[3 * 7 + 3], 2);  // the junction carries the stream it starts
    EXPECT_EQ(o[6 * 7 + 3], 2);
    EXPECT_EQ(o[0], 255);
    EXPECT_EQ(pruned_orders(y), o);

    const NetworkStats st = network_stats(y);
    EXPECT_EQ(st.highest_order, 2);
    EXPECT_EQ(st.streams, (std::vector<long long>{0, 2, 1}));
    // A walk of pass 1 takes its two pixels and the junction; pass 2 runs to the outlet.
    EXPECT_EQ(st.longest_stream, (std::vector<long long>{0, 3, 4}));
}

TEST(Gennet, CheckFindsEveryKindOfUntidiness) {
    auto fault = [](const std::vector<std::string>& lines) {
        return check_network(drawn(lines)).fault;
    };
    EXPECT_NE(fault({"......", ".#..#.", "..##..", "..#...", "..#..."}), "");      // wide junction
    EXPECT_NE(fault({".....", ".###.", ".#.#.", ".###.", "..#..", "..#.."}), "");  // a loop
    EXPECT_NE(fault({".....", ".#...", ".....", "..#..", "..#.."}), "");           // a stray pixel
    EXPECT_NE(fault({".....", ".##..", ".....", "..#..", "..#.."}), "");           // a stray line
    EXPECT_NE(fault({".....", ".....", ".....", ".....", "....."}), "");           // nothing at all
    EXPECT_NE(fault({"#....", ".#...", "..#..", "..#..", "..#.."}), "");  // two border pixels
    EXPECT_NE(fault({".....", "..#..", ".###.", "..#..", "..#.."}), "");  // four neighbours
    EXPECT_NE(fault({".....", ".#.#.", "..#..", "..#..", ".##.."}), "");  // outlet with two
    EXPECT_EQ(fault({".....", ".#.#.", "..#..", "..#..", "..#.."}), "");  // a sound Y

    NetworkOptions o = options(256, 256, 3);
    o.untidy = true;
    const Network untidy = generate_network(o);
    EXPECT_FALSE(check_network(untidy).ok());
    o.untidy = false;
    EXPECT_NE(generate_network(o).cells, untidy.cells);
}

TEST(Gennet, RefusesOptionsItCannotHonour) {
    auto refuses = [](NetworkOptions o) {
        EXPECT_THROW(generate_network(o), std::invalid_argument);
    };
    NetworkOptions o = options(64, 64, 1);
    o.nb_lig = 15;
    refuses(o);
    o = options(64, 70000, 1);
    refuses(o);
    o = options(64, 64, 1);
    o.cell = 2;
    refuses(o);
    o.cell = 17;
    refuses(o);
    o = options(64, 64, 1);
    o.share = 0.0;
    refuses(o);
    o = options(64, 64, 1);
    o.background = o.network_value;
    refuses(o);
    o = options(16, 16, 1);
    o.cell = 16;  // no room for two lattice nodes
    refuses(o);
}

TEST(Gennet, WritesRawDescriptorBmpAndAsciiGrid) {
    TempDir dir;
    NetworkOptions o = options(37, 53, 11);  // odd width: BMP rows are padded
    const Network net = generate_network(o);
    const std::string base = dir / "net";
    ASSERT_TRUE(write_raw_network(net, base, 12.5));
    ASSERT_TRUE(write_bmp_network(net, base + ".bmp"));
    ASSERT_TRUE(write_ascii_network(net, base + ".asc", 12.5, 1000.0, 2000.0));

    const std::string raw = read_file(base + ".raw");
    EXPECT_EQ(raw, std::string(net.cells.begin(), net.cells.end()));
    EXPECT_EQ(read_file(base + ".txt"), "37\n53\n1\n0\n255\n12.500000\n");

    int col = 0;
    int lig = 0;
    int type = -1;
    Color32* palette = nullptr;
    unsigned char** bmp = ChargeBMP((base + ".bmp").c_str(), &col, &lig, &type, &palette);
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(col, 53);
    EXPECT_EQ(lig, 37);
    for (int i = 0; i < lig; ++i) {
        EXPECT_TRUE(std::equal(bmp[i], bmp[i] + col, net.row(i))) << "line " << i;
    }
    frucmatrice(bmp, lig);

    std::istringstream asc(read_file(base + ".asc"));
    std::string word;
    double value = 0;
    std::vector<std::string> keys;
    std::vector<double> header;
    for (int h = 0; h < 6 && asc >> word >> value; ++h) {
        keys.push_back(word);
        header.push_back(value);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"ncols", "nrows", "xllcorner", "yllcorner",
                                              "cellsize", "nodata_value"}));
    EXPECT_EQ(header[0], 53);
    EXPECT_EQ(header[1], 37);
    EXPECT_EQ(header[2], 1000.0);
    EXPECT_EQ(header[4], 12.5);
    std::vector<unsigned char> cells;
    int cell = 0;
    while (asc >> cell) cells.push_back(static_cast<unsigned char>(cell));
    EXPECT_EQ(cells, net.cells);
}

TEST(Gennet, WritersReportFilesTheyCannotWrite) {
    const Network net = generate_network(options(32, 32, 1));
    const std::string missing = "/nonexistent_folder_for_gennet/net";
    EXPECT_FALSE(write_raw_network(net, missing, 25.0));
    EXPECT_FALSE(write_bmp_network(net, missing + ".bmp"));
    EXPECT_FALSE(write_ascii_network(net, missing + ".asc", 25.0));
    if (file_exists("/dev/full")) {  // a device that is always full
        TempDir dir;
        std::filesystem::create_symlink("/dev/full", dir / "full.raw");
        EXPECT_FALSE(write_raw_network(generate_network(options(512, 512, 1)), dir / "full", 1.0));
        EXPECT_FALSE(write_ascii_network(net, "/dev/full", 25.0));
    }
}

TEST(Gennet, TheProgramGivesTheStrahlerOrdersOfAGeneratedNetwork) {
    TempDir dir;
    const Network net = generate_network(options(200, 256, 21));
    std::filesystem::create_directories(dir / "images/Gen");
    ASSERT_TRUE(write_raw_network(net, dir / "images/Gen/net", 25.0));
    const ProgramResult run = run_program(dir.path, "Gen net 0 0 0 0 20 1\n");
    ASSERT_EQ(run.exit_status, 0) << run.output;
    const std::vector<unsigned char> orders = strahler_orders(net);
    EXPECT_EQ(read_file(dir / "images/Gen/net_strahler.raw"),
              std::string(orders.begin(), orders.end()));
}

TEST(Gennet, TheBundledSampleIsOneCleanNetworkInThreeFormats) {
    const std::string base = std::string(BRANCHRANKER_SOURCE_DIR) + "/images/Sample/sample";
    EXPECT_EQ(read_file(base + ".txt"), "512\n512\n1\n0\n255\n25.000000\n");
    Network net;
    net.nb_lig = 512;
    net.nb_col = 512;
    const std::string raw = read_file(base + ".raw");
    net.cells.assign(raw.begin(), raw.end());
    ASSERT_EQ(net.cells.size(), 512u * 512u);
    for (int i = 0; i < 512; ++i) {
        for (int j = 0; j < 512; ++j) {
            const bool border = i == 0 || j == 0 || i == 511 || j == 511;
            if (border && net.on(i, j)) {
                net.outlet_lig = i;
                net.outlet_col = j;
            }
        }
    }
    const NetworkCheck check = check_network(net);
    EXPECT_TRUE(check.ok()) << check.fault;
    EXPECT_GE(network_stats(net).highest_order, 5);

    int col = 0;
    int lig = 0;
    int type = -1;
    Color32* palette = nullptr;
    unsigned char** bmp = ChargeBMP((base + ".bmp").c_str(), &col, &lig, &type, &palette);
    ASSERT_NE(bmp, nullptr);
    ASSERT_EQ(col * lig, 512 * 512);
    for (int i = 0; i < lig; ++i) EXPECT_TRUE(std::equal(bmp[i], bmp[i] + col, net.row(i)));
    frucmatrice(bmp, lig);

    std::istringstream asc(read_file(base + ".asc"));
    std::string word;
    for (int h = 0; h < 12; ++h) asc >> word;  // six keywords and values
    std::vector<unsigned char> cells;
    int cell = 0;
    while (asc >> cell) cells.push_back(static_cast<unsigned char>(cell));
    EXPECT_EQ(cells, net.cells);
}
