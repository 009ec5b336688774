#include "dialogue/opening.h"

#include <string>

#include "dialogue/input.h"
#include "dialogue/output_setup.h"

void opening(RunState& s, Console& c) {
    std::string nomfic;
    acquire_input(s, c, nomfic);
    set_up_output(s, c, nomfic);
}
