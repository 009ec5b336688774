// branchranker: Strahler orders and segment lengths of a drainage network.
//
// main chooses the front end. Without arguments the program runs its dialogue. Arguments belong
// to the command line front end (cli/), which is still to come: until then they are ignored, as
// they always were, and the dialogue runs.

#include "base/console.h"
#include "base/run_state.h"
#include "dialogue/run.h"

namespace {

int run_dialogue() {
    RunState s;
    Console c = stdio_console();
    return run(s, c);
}

}  // namespace

int main(int argc, char** argv) {
    static_cast<void>(argc);
    static_cast<void>(argv);
    return run_dialogue();
}
