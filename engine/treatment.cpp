#include "engine/treatment.h"

#include "driver/run_state.h"

void treatment(RunState&, Console&) {}
