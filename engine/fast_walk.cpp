#include "engine/fast_walk.h"

WalkEnd fast_walk(const WalkGrids& g, int k, int i, int j, const StepLengths& d) {
    unsigned char** const t1 = g.tab1;
    unsigned char** const t5 = g.tab5;
    const int net = g.net;
    const auto label = static_cast<unsigned char>(k);

    if (g.tab2 != nullptr) g.tab2[i][j] = 255;  // the start point is an end point no more
    WalkEnd end;
    double dist_tot = 0.0;
    int ic = i;
    int jc = j;
    int prev_i = i;
    int prev_j = j;
    for (;;) {
        ++end.points;
        t5[ic][jc] = label;
        // A network pixel on the border has code 3.
        if (ic == 0 || jc == 0 || ic == g.nb_lig - 1 || jc == g.nb_col - 1) {
            end.counted = true;
            break;
        }
        // One look at the neighbours gives all that the step needs: the pixels still there (the
        // next one is the first of them), those erased by this pass (label k, no longer
        // network), whose sum with the first is the count that classified the pixel, and the
        // loaded network for the half-steps.
        int present = 0;
        int erased_now = 0;
        double dist_loc = 0.0;
        int next_i = -1;
        int next_j = -1;
        // The three lines around the pixel, read through fixed offsets in the neighbour order.
        const unsigned char* const up1 = t1[ic - 1] + jc;
        const unsigned char* const mid1 = t1[ic] + jc;
        const unsigned char* const down1 = t1[ic + 1] + jc;
        const unsigned char* const up5 = t5[ic - 1] + jc;
        const unsigned char* const mid5 = t5[ic] + jc;
        const unsigned char* const down5 = t5[ic + 1] + jc;
        auto look = [&](const unsigned char* line1, const unsigned char* line5, int di, int dj,
                        double half_step) {
            // A pixel still there needs no look at its order. Adding 0.0 leaves the sum as it
            // is: the half-steps stay summed in the neighbour order, the same to the last digit.
            const unsigned here = line1[dj] == net;
            if (here) {
                ++present;
                dist_loc += half_step;
            } else {
                const unsigned char order = line5[dj];
                erased_now += order == label;
                dist_loc += order != 255 ? half_step : 0.0;
            }
            if (here && next_i < 0) {
                next_i = ic + di;
                next_j = jc + dj;
            }
        };
        look(up1, up5, -1, -1, d.dist_diag);
        look(up1, up5, -1, 0, d.dist_cardi);
        look(up1, up5, -1, 1, d.dist_diag);
        look(mid1, mid5, 0, 1, d.dist_cardi);
        look(down1, down5, 1, 1, d.dist_diag);
        look(down1, down5, 1, 0, d.dist_cardi);
        look(down1, down5, 1, -1, d.dist_diag);
        look(mid1, mid5, 0, -1, d.dist_cardi);
        // A junction: more than two network neighbours when the pass began. The start point
        // had one, so it never ends its own walk.
        if (present + erased_now > 2) {
            end.counted = true;
            break;
        }
        t1[ic][jc] = 255;
        // The last point of a walk is never summed.
        if (next_i < 0) break;
        dist_tot += dist_loc;
        prev_i = ic;
        prev_j = jc;
        ic = next_i;
        jc = next_j;
    }
    if (end.points > 1) {
        // The last link gets its other half here.
        const bool diagonal = prev_i != ic && prev_j != jc;
        const double dist_loc = diagonal ? d.dist_diag : d.dist_cardi;
        dist_tot += dist_loc;
    }
    end.length = dist_tot;
    end.last_i = ic;
    end.last_j = jc;
    return end;
}
