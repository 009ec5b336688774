#include "tests/support/trace.h"

#include <vector>

#include "dialogue/run_state.h"
#include "engine/neighbours.h"

namespace {

// One walk from the end point (i, j); the visited points go to i2 and j2. True when the walk
// stopped on a code-3 pixel.
bool walk(RunState& s, int k, int i, int j, std::vector<int>& i2, std::vector<int>& j2) {
    const int net = network_value(s.val_red);
    const auto label = static_cast<unsigned char>(k);
    i2.clear();
    j2.clear();
    s.tab2[i][j] = 255;  // the start point cannot end its own walk
    s.tab1[i][j] = 255;
    int ic = i;
    int jc = j;
    for (;;) {
        i2.push_back(ic);
        j2.push_back(jc);
        s.tab4[ic][jc] = label;
        if (s.tab2[ic][jc] == 3) return true;
        s.tab1[ic][jc] = 255;
        // The pixel is interior: every network pixel on the border has code 3. The pixel we
        // came from is erased, so at most one neighbour is left to step on.
        bool moved = false;
        for (const Neighbour& n : kNeighbours) {
            if (s.tab1[ic + n.di][jc + n.dj] == net) {
                ic += n.di;
                jc += n.dj;
                moved = true;
                break;
            }
        }
        if (!moved) return false;
    }
}

}  // namespace

void trace_segments(RunState& s, int k, const StepLengths& d, PassWalks& w) {
    std::vector<int> i2;
    std::vector<int> j2;
    for (int i = 1; i < s.nb_lig - 1; ++i) {
        for (int j = 1; j < s.nb_col - 1; ++j) {
            if (s.tab2[i][j] != 2) continue;
            ++w.segm_order;
            const bool counted = walk(s, k, i, j, i2, j2);
            if (counted) ++s.num_segm[k];
            w.segm_points.push_back(static_cast<int>(i2.size()));
            w.segm_dist.push_back(walk_length(s.tab, s.val_red, i2, j2, d));
            w.segm_counted.push_back(counted ? 1 : 0);
        }
    }
}
