// The grids the passes work on, as the walks see them.
#pragma once

struct WalkGrids {
    unsigned char** tab1;  // network left; 255 where erased
    unsigned char** tab2;  // points of the pass, or null; kept only for the step images
    unsigned char** tab5;  // orders so far; 255 where no walk has been
    int net;               // network value, or -1 (matches no byte)
    int nb_lig;
    int nb_col;
    bool cut_corners = false;  // an interior network pixel has a cut corner (see links.h)

    bool on_border(int i, int j) const {
        return i == 0 || j == 0 || i == nb_lig - 1 || j == nb_col - 1;
    }
};
