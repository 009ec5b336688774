// Straight strokes as pixels, the way a hand or a GIS export draws them: 8-connected lines
// (Bresenham) or 4-connected stair steps, where every diagonal step of the 8-connected line is
// split into two square steps.
#pragma once

#include <vector>

struct Pixel {
    int lig = 0;
    int col = 0;
};

// Appends the pixels of the line from (lig0, col0) to (lig1, col1), both ends included, in order
// from the first end. Every pixel lies between the two ends on both axes. Integer arithmetic only.
void append_line(int lig0, int col0, int lig1, int col1, bool four_connected,
                 std::vector<Pixel>& out);
