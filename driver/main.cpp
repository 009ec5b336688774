// branchranker: Strahler orders and segment lengths of a drainage network, by dialogue.

#include "driver/console.h"
#include "driver/phases.h"
#include "driver/run_state.h"

int main() {
    RunState s;
    Console c = stdio_console();
    return run(s, c);
}
