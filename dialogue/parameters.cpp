#include "dialogue/parameters.h"

#include "base/console.h"
#include "dialogue/allocate.h"
#include "dialogue/ask.h"
#include "dialogue/run_state.h"
#include "run/report_file.h"

void parameters(RunState& s, Console& c) {
    // 255 marks erased pixels, so it cannot be the network value.
    s.val_red = ask_int(
        c, [&] { print(c, "\n\n\tValue of the drainage network ?: "); },
        [&](int v) {
            if (v >= 0 && v <= 254) return true;
            print(c, "\n\tThe value of the drainage network lies between 0 and 254");
            return false;
        });

    // Segment counts are kept for orders 1 to 63.
    int rep = ask_int(
        c, [&] { print(c, "\n\tLast order ?: "); },
        [&](int v) {
            if (v <= 63) return true;
            print(c, "\n\tThe last order is at most 63");
            return false;
        });
    s.Num_order = rep;

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
        s.tab2 = allocate_grid(s, c, "the step images");
    } else {
        s.save_step = 0;
    }
    report_opening(s.finfo.get(), s, s.Num_order);
}
