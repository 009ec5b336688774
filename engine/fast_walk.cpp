#include "engine/fast_walk.h"

#include "engine/neighbours.h"

WalkEnd fast_walk(const WalkGrids& g, int k, int i, int j, const StepLengths& d) {
    unsigned char** const t1 = g.tab1;
    unsigned char** const t5 = g.tab5;
    const int net = g.net;
    const auto label = static_cast<unsigned char>(k);

    g.tab2[i][j] = 255;  // the start point cannot end its own walk
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
        for (const Neighbour& n : kNeighbours) {
            const int ni = ic + n.di;
            const int nj = jc + n.dj;
            const bool here = t1[ni][nj] == net;
            const unsigned char order = t5[ni][nj];
            present += here;
            erased_now += !here && order == label;
            if (here || order != 255) dist_loc += n.diagonal ? d.dist_diag : d.dist_cardi;
            if (here && next_i < 0) {
                next_i = ni;
                next_j = nj;
            }
        }
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
