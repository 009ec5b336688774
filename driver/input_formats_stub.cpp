#include "driver/console.h"
#include "driver/phases.h"
#include "driver/run_end.h"
#include "driver/run_state.h"

void load_bmp_input(RunState& s, Console& c) {
    end_run(c, 1, "\n\tBMP input %s is not supported yet\n", s.nomim1.c_str());
}
void load_ascii_input(RunState& s, Console& c) {
    end_run(c, 1, "\n\tASCII input %s is not supported yet\n", s.nomim1.c_str());
}
