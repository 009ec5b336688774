// The reference engine's classification: the points of a pass scanned over the whole grid.
#pragma once

struct RunState;

// Clears tab2, then gives every interior network pixel of tab1 its code from its count of
// network neighbours (point_code): 1 makes an end point, 3 or more a junction, 0 or 2 nothing.
void classify_points(RunState& s);
