#include "engine/length.h"

#include <cmath>
#include <cstddef>

#include "engine/neighbours.h"

StepLengths step_lengths(double dpix_size) {
    StepLengths d;
    // Computed, not written as a literal: the printed lengths depend on this exact double.
    d.diag = std::sqrt(2.0) * 0.5;
    d.dist_diag = d.diag * dpix_size;
    d.dist_cardi = 0.5 * dpix_size;
    for (unsigned m = 0; m < 256; ++m) {
        double sum = 0.0;
        for (int n = 0; n < 8; ++n) {
            if (m >> n & 1u) sum += kNeighbours[n].diagonal ? d.dist_diag : d.dist_cardi;
        }
        d.half_steps[m] = sum;
    }
    return d;
}

double walk_length(const ByteGrid& tab, int val_red, const std::vector<int>& i2,
                   const std::vector<int>& j2, const StepLengths& d) {
    const std::size_t n = i2.size();
    if (n < 2) return 0.0;
    const int net = network_value(val_red);
    double dist_tot = 0.0;
    // Every point but the last is interior (border network pixels end the walks), so all eight
    // neighbours lie in the grid.
    for (std::size_t l = 0; l + 1 < n; ++l) {
        double dist_loc = 0.0;
        for (const Neighbour& nb : kNeighbours) {
            if (tab[i2[l] + nb.di][j2[l] + nb.dj] == net) {
                dist_loc += nb.diagonal ? d.dist_diag : d.dist_cardi;
            }
        }
        dist_tot += dist_loc;
    }
    // The last point is never summed: the other branches of the junction where a walk stops add
    // nothing to it. Its link to the point before gets the other half here.
    const bool diagonal = i2[n - 1] != i2[n - 2] && j2[n - 1] != j2[n - 2];
    const double dist_loc = diagonal ? d.dist_diag : d.dist_cardi;
    dist_tot += dist_loc;
    return dist_tot;
}
