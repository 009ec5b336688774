// branchranker: Strahler orders and segment lengths of a drainage network.
//
// main chooses the front end: with arguments the command line (cli/), without any the dialogue,
// exactly as it always ran.

#include <csignal>
#include <cstdio>

#include "base/console.h"
#include "base/run_state.h"
#include "base/standard_streams.h"
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
    hold_standard_descriptors();
    // A reader of the console that goes away (a pipe into `head`) must not kill the run before
    // its files are complete or removed: the write fails instead, and the status says so.
    std::signal(SIGPIPE, SIG_IGN);
    int status = argc > 1 ? run_command_line(argc, argv) : run_dialogue();
    if (!standard_output_complete()) {
        std::fputs(
            "branchranker: the console text could not all be written to the standard output\n",
            stderr);
        status = 1;
    }
    return status;
}
