#include "tests/support/mark_border.h"

#include <cstdio>

#include "dialogue/run_state.h"
#include "engine/neighbours.h"

std::string mark_border(RunState& s) {
    const int net = network_value(s.val_red);
    std::string text;
    char one[64];
    for (int i = 0; i < s.nb_lig; ++i) {
        for (int j = 0; j < s.nb_col; ++j) {
            if (s.tab1[i][j] != net) continue;
            if (i == 0 || i == s.nb_lig - 1) {
                std::snprintf(one, sizeof one, "\n\ttab2[%d][%d] = 3 ", i, j);
                text += one;
                s.tab2[i][j] = 3;
            }
            if (j == 0 || j == s.nb_col - 1) {
                std::snprintf(one, sizeof one, "\n\ttab2[%d][%d] = 3 ", i, j);
                text += one;
                s.tab2[i][j] = 3;
            }
        }
    }
    return text;
}
