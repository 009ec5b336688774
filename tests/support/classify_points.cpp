#include "tests/support/classify_points.h"

#include "dialogue/run_state.h"
#include "engine/classify.h"
#include "engine/fill.h"
#include "engine/neighbours.h"

void classify_points(RunState& s) {
    fill_grid(s.tab2.rows, s.nb_lig, s.nb_col, 255);
    const int net = network_value(s.val_red);
    for (int i = 1; i < s.nb_lig - 1; ++i) {
        for (int j = 1; j < s.nb_col - 1; ++j) {
            if (s.tab1[i][j] == net) s.tab2[i][j] = point_code(s.tab1.rows, net, i, j);
        }
    }
}
