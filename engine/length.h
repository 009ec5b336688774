// Length of a walk in metres. Every recorded point but the last adds half of the step to each
// network pixel that touches it in tab (the network as loaded, before any erasure); the last link
// of the walk adds one more half-step. On a walk that touches nothing but itself this is the sum
// of its links; the half-steps to branches erased by earlier passes are counted too.
#pragma once

#include <array>
#include <vector>

#include "base/byte_grid.h"

struct StepLengths {
    double diag = 0.0;        // half a diagonal step, pixels
    double dist_diag = 0.0;   // half a diagonal step, metres
    double dist_cardi = 0.0;  // half a line or column step, metres
    // The half-steps to the neighbours of each mask of neighbours (neighbours.h), summed in the
    // neighbour order, metres.
    std::array<double, 256> half_steps{};
};

// The lengths for pixels of dpix_size metres.
StepLengths step_lengths(double dpix_size);

// i2 and j2 hold the line and column of the walk's points, start point first. The sums run in
// walk order and, within a point, in the neighbour order, so that the printed lengths do not
// depend on anything else. A walk of one point has no link: its length is 0.0.
double walk_length(const ByteGrid& tab, int val_red, const std::vector<int>& i2,
                   const std::vector<int>& j2, const StepLengths& d);
