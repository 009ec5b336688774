// branchranker-cli: the command line of branchranker (see cli/command_line.h), which the
// program `branchranker` becomes when it is given arguments.

#include "app/program.h"
#include "cli/command_line.h"

int main(int argc, char** argv) {
    return run_program([&] { return run_command_line(argc, argv); });
}
