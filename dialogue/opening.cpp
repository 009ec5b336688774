#include <string>

#include "dialogue/phases.h"

void opening(RunState& s, Console& c) {
    std::string nomfic;
    acquire_input(s, c, nomfic);
    set_up_output(s, c, nomfic);
}
