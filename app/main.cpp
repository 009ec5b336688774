// branchranker: Strahler orders and segment lengths of a drainage network.
//
// main chooses the front end. Without arguments the program runs its dialogue. Arguments belong
// to the command line front end (cli/), which is still to come: until then they are ignored, as
// they always were, and the dialogue runs.

#include <csignal>
#include <cstdio>

#include "base/console.h"
#include "base/run_state.h"
#include "base/standard_streams.h"
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
    hold_standard_descriptors();
    // A reader of the console that goes away (a pipe into `head`) must not kill the run before
    // its files are complete or removed: the write fails instead, and the status says so.
    std::signal(SIGPIPE, SIG_IGN);
    int status = run_dialogue();
    if (!standard_output_complete()) {
        std::fputs(
            "branchranker: the console text could not all be written to the standard output\n",
            stderr);
        status = 1;
    }
    return status;
}
