// The orders are Strahler orders: on random binary trees drawn as thin lines that meet in single
// junction pixels, every traced pixel carries the order of its stream and the segment count of
// each order is the number of streams of that order.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "base/nrutil.h"
#include "dialogue/pass_texts.h"
#include "dialogue/run_state.h"
#include "tests/test_support.h"

namespace {

constexpr int kNet = 40;

struct Node {
    int left = -1;  // children, -1 for a leaf
    int right = -1;
    int parent = -1;
    int row = 0;  // junction, or end point of a leaf
    int col = 0;
    int order = 1;
};

// A tree drawn in a grid: a stem from the root junction down to the bottom border; from every
// junction one branch rises diagonally to the upper left and one to the upper right, then
// vertically for 1 to 3 pixels to the child's junction or end point. Columns are twice the
// in-order rank, so that the branches of different subtrees stay at least two pixels apart.
struct DrawnTree {
    std::vector<Node> nodes;
    int root = 0;
    int nb_lig = 0;
    int nb_col = 0;
    std::vector<std::vector<int>> order;  // expected order of every pixel, 0 off the network
    std::vector<std::vector<int>> neighbours_expected;
};

int grow(DrawnTree& t, int leaves, std::mt19937& rng) {
    const int id = static_cast<int>(t.nodes.size());
    t.nodes.emplace_back();
    if (leaves > 1) {
        const int split = std::uniform_int_distribution<int>(1, leaves - 1)(rng);
        const int l = grow(t, split, rng);
        const int r = grow(t, leaves - split, rng);
        t.nodes[id].left = l;
        t.nodes[id].right = r;
        t.nodes[l].parent = id;
        t.nodes[r].parent = id;
        const int a = t.nodes[l].order;
        const int b = t.nodes[r].order;
        t.nodes[id].order = a == b ? a + 1 : std::max(a, b);
    }
    return id;
}

void rank_columns(DrawnTree& t, int id, int& rank) {
    if (id < 0) return;
    rank_columns(t, t.nodes[id].left, rank);
    t.nodes[id].col = 2 * rank++;
    rank_columns(t, t.nodes[id].right, rank);
}

void rank_rows(DrawnTree& t, int id, std::mt19937& rng) {
    for (int child : {t.nodes[id].left, t.nodes[id].right}) {
        if (child < 0) continue;
        const int d = std::abs(t.nodes[child].col - t.nodes[id].col);
        const int h = std::uniform_int_distribution<int>(1, 3)(rng);
        t.nodes[child].row = t.nodes[id].row - d - h;
        rank_rows(t, child, rng);
    }
}

DrawnTree draw_tree(int leaves, std::mt19937& rng) {
    DrawnTree t;
    t.root = grow(t, leaves, rng);
    int rank = 0;
    rank_columns(t, t.root, rank);
    rank_rows(t, t.root, rng);
    int top = 0;
    int right = 0;
    for (const Node& n : t.nodes) {
        top = std::min(top, n.row);
        right = std::max(right, n.col);
    }
    for (Node& n : t.nodes) {
        n.row += 1 - top;  // the highest end point on line 1
        n.col += 1;
    }
    const int stem = std::uniform_int_distribution<int>(2, 4)(rng);
    t.nb_lig = t.nodes[t.root].row + stem + 1;
    t.nb_col = right + 3;
    t.order.assign(t.nb_lig, std::vector<int>(t.nb_col, 0));
    t.neighbours_expected.assign(t.nb_lig, std::vector<int>(t.nb_col, 0));

    const Node& r = t.nodes[t.root];
    for (int i = r.row; i < t.nb_lig; ++i) t.order[i][r.col] = r.order;
    for (const Node& c : t.nodes) {
        if (c.parent < 0) continue;
        const Node& p = t.nodes[c.parent];
        const int d = std::abs(c.col - p.col);
        const int s = c.col > p.col ? 1 : -1;
        for (int step = 1; step <= d; ++step) t.order[p.row - step][p.col + s * step] = c.order;
        for (int i = c.row; i < p.row - d; ++i) t.order[i][c.col] = c.order;
    }
    // What the drawing must look like for the classification: 1 at end points and at the
    // border pixel, 3 at junctions, 2 everywhere else on the network.
    for (int i = 0; i < t.nb_lig; ++i) {
        for (int j = 0; j < t.nb_col; ++j) {
            if (t.order[i][j] != 0) t.neighbours_expected[i][j] = 2;
        }
    }
    for (const Node& n : t.nodes) t.neighbours_expected[n.row][n.col] = n.left < 0 ? 1 : 3;
    t.neighbours_expected[t.nb_lig - 1][r.col] = 1;
    return t;
}

TEST(EngineStrahler, TreeOrdersAreStrahlerOrders) {
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 rng(seed);
        const int leaves = std::uniform_int_distribution<int>(1, 30)(rng);
        const DrawnTree t = draw_tree(leaves, rng);

        RunState s;
        s.nb_lig = t.nb_lig;
        s.nb_col = t.nb_col;
        s.dpix_size = 1.0;
        s.val_red = kNet;
        const int top_order = t.nodes[t.root].order;
        s.Num_order = top_order + 1;
        for (ByteGrid* g : {&s.tab1, &s.tab, &s.tab2, &s.tab4, &s.tab5}) {
            *g = ByteGrid(ucmatrice(s.nb_col, s.nb_lig), s.nb_lig);
        }
        for (int i = 0; i < s.nb_lig; ++i) {
            for (int j = 0; j < s.nb_col; ++j) {
                s.tab1[i][j] = t.order[i][j] != 0 ? kNet : 7;
            }
        }
        // The generator itself: lines thin and apart, junctions single pixels.
        for (int i = 1; i < s.nb_lig - 1; ++i) {
            for (int j = 1; j < s.nb_col - 1; ++j) {
                if (t.order[i][j] == 0) continue;
                int count = 0;
                for (int di = -1; di <= 1; ++di) {
                    for (int dj = -1; dj <= 1; ++dj) {
                        if ((di || dj) && t.order[i + di][j + dj] != 0) ++count;
                    }
                }
                ASSERT_EQ(count, t.neighbours_expected[i][j]) << "seed " << seed;
            }
        }
        s.image_type = ImageType::geotiff;  // the dialogue writes no such result image
        s.finfo = open_file("/dev/null", "w");
        ScriptedConsole con("");
        run_passes(s, con.console);

        std::vector<int> streams(s.num_segm.size(), 0);
        for (const Node& n : t.nodes) {
            if (n.parent < 0 || t.nodes[n.parent].order != n.order) ++streams[n.order];
        }
        for (int k = 1; k <= top_order + 1; ++k) {
            EXPECT_EQ(s.num_segm[k], streams[k]) << "seed " << seed << " order " << k;
        }
        for (int i = 0; i < s.nb_lig; ++i) {
            for (int j = 0; j < s.nb_col; ++j) {
                const int expected = t.order[i][j] != 0 ? t.order[i][j] : 255;
                ASSERT_EQ(s.tab5[i][j], expected)
                    << "seed " << seed << " line " << i << " column " << j;
            }
        }
    }
}

}  // namespace
