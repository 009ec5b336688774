// The points of a pass in tab2: 2 = end point, 3 = junction or network pixel on the border,
// 255 = neither.
#pragma once

// The code of the interior pixel (i, j) of tab1: 2, 3 or 255. net is the value that
// network_value gives.
inline unsigned char point_code(unsigned char* const* tab1, int net, int i, int j) {
    if (tab1[i][j] != net) return 255;
    const unsigned char* up = tab1[i - 1];
    const unsigned char* mid = tab1[i];
    const unsigned char* down = tab1[i + 1];
    const int count = (up[j - 1] == net) + (up[j] == net) + (up[j + 1] == net) +
                      (mid[j + 1] == net) + (down[j + 1] == net) + (down[j] == net) +
                      (down[j - 1] == net) + (mid[j - 1] == net);
    if (count == 1) return 2;
    if (count > 2) return 3;
    return 255;
}
