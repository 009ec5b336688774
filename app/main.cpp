// branchranker: Strahler orders and segment lengths of a drainage network, by dialogue.

#include "base/console.h"
#include "base/run_state.h"
#include "dialogue/phases.h"

int main() {
    RunState s;
    Console c = stdio_console();
    return run(s, c);
}
