// branchranker: Strahler orders and segment lengths of a drainage network.
//
// main chooses the front end: with arguments the command line (cli/), without any the dialogue,
// exactly as it always ran.

#include "base/console.h"
#include "base/run_state.h"
#include "cli/command_line.h"
#include "dialogue/run.h"

namespace {

int run_dialogue() {
    RunState s;
    Console c = stdio_console();
    return run(s, c);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) return run_command_line(argc, argv);
    return run_dialogue();
}
