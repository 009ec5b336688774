// Bresenham's line in all octants; a four-connected line takes the step along the longer axis
// first whenever the 8-connected line would move diagonally.

#include "tools/stroke_raster.h"

#include <cstdlib>

void append_line(int lig0, int col0, int lig1, int col1, bool four_connected,
                 std::vector<Pixel>& out) {
    const int dl = std::abs(lig1 - lig0);
    const int dc = std::abs(col1 - col0);
    const int sl = lig0 < lig1 ? 1 : -1;
    const int sc = col0 < col1 ? 1 : -1;
    int err = dc - dl;
    int l = lig0;
    int c = col0;
    out.push_back({l, c});
    while (l != lig1 || c != col1) {
        const int e2 = 2 * err;
        int nl = l;
        int nc = c;
        if (e2 > -dl) {
            err -= dl;
            nc += sc;
        }
        if (e2 < dc) {
            err += dc;
            nl += sl;
        }
        if (four_connected && nl != l && nc != c) {
            if (dc >= dl) {
                out.push_back({l, nc});
            } else {
                out.push_back({nl, c});
            }
        }
        l = nl;
        c = nc;
        out.push_back({l, c});
    }
}
