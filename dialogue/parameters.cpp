// The parameters dialogue: network value, last order, step images; each echoed in the report.

#include <cstdio>

#include "base/console.h"
#include "base/run_state.h"
#include "dialogue/ask.h"
#include "dialogue/phases.h"
#include "dialogue/run_end.h"

void parameters(RunState& s, Console& c) {
    // 255 marks erased pixels, so it cannot be the network value.
    s.val_red = ask_int(
        c, [&] { print(c, "\n\n\tValue of the drainage network ?: "); },
        [&](int v) {
            if (v >= 0 && v <= 254) return true;
            print(c, "\n\tThe value of the drainage network lies between 0 and 254");
            return false;
        });
    std::fprintf(s.finfo.get(), "\n\n\tGray tone value of the drainage network : %d ", s.val_red);

    // Segment counts are kept for orders 1 to 63.
    int rep = ask_int(
        c, [&] { print(c, "\n\tLast order ?: "); },
        [&](int v) {
            if (v <= 63) return true;
            print(c, "\n\tThe last order is at most 63");
            return false;
        });
    s.Num_order = rep;
    std::fprintf(s.finfo.get(), "\n\n\tLast order : %d ", s.Num_order);

    rep = ask_int(
        c,
        [&] {
            print(c, "\n\tSaving the different steps of calculation: ");
            print(c, "\n\tNote that all the resulting images are bitmaps ");
            print(c, "\n\t\t0 ====> yes\n\t\t1 ====> no\n\t\t");
        },
        [](int v) { return v <= 1; });
    if (rep == 0) {
        s.save_step = 1;
        // Only the step images need the points image of every pass.
        s.tab2 = ByteGrid(ucmatrice(s.nb_col, s.nb_lig), s.nb_lig);
        if (!s.tab2) {
            discard_outputs(s);
            end_run(c, 1, "\n\tNot enough memory for the step images of %d lines and %d columns\n",
                    s.nb_lig, s.nb_col);
        }
        std::fprintf(s.finfo.get(), "\n\n\tAll steps of calculation saved ");
    } else {
        s.save_step = 0;
    }
}
