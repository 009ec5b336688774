// Sharp bends: the pixel where a line turns back at 45 degrees belongs to its line.
//
// Where a line turns back sharply (two drawn strokes meeting at a sharp angle), the pixel at
// the apex A touches both arms, one along a side (its link L) and one at a corner (Q) that L
// cuts, so A links to L alone and would read as an end point: a one-pixel source flowing into
// L, and the stream below one order too high:
//
//     . . # . .
//     . Q . . .      A links to L only; Q touches A at the corner that L cuts
//     A L . . .
//     . . # . .
//
// The same pixels are also a channel head beside a stem that bends there (on D8 terrain the
// more common reading), so A is read as an apex only where the two arms, followed from A along
// their lines, leave it at a sharp angle: a stem bending past a channel head goes on away from
// it on both sides. A is taken out before the passes and takes L's order once they are over.
// Even so, on the generated terrains every variant measured also took true channel heads for
// apexes, so treatment() reads bends only on drawings (RunState::drawing).
#pragma once

#include <vector>

#include "engine/pixel_index.h"
#include "engine/walk_grids.h"

struct SharpBend {
    PixelIndex apex = 0;
    PixelIndex link = 0;  // L: the one pixel the apex is linked to
};

// Among the interior end points `ends` of the network as loaded (nothing erased yet, tab5
// empty), the apexes of sharp bends, in the order of `ends`.
std::vector<SharpBend> find_sharp_bends(const WalkGrids& g, const std::vector<PixelIndex>& ends);

// Takes the apexes out of tab1 (the erasure mark, 255), so that no pass sees them.
void take_out_apexes(const WalkGrids& g, const std::vector<SharpBend>& bends);

// Once the passes are over: every apex takes its link's order in tab5; an apex whose link has
// no order goes back into tab1, so that it is counted with the pixels left as before.
void apply_apex_orders(const WalkGrids& g, const std::vector<SharpBend>& bends);
