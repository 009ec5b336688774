// branchranker-cli: the command line of branchranker (see cli/command_line.h), which the
// program `branchranker` becomes when it is given arguments.

#include "app/program.h"
#include "cli/command_line.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitized test build only. The text of a Horton plot drawn as PNG is laid out through
// fontconfig, whose font lists live as long as the process, held by the font map of the
// library above it (pango, through librsvg), which gives no way to let them go; they are no
// leak of this program's.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
// Said nowhere: standard error is the program's, and the tests read it.
extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0";
}
#endif

int main(int argc, char** argv) {
    return run_program([&] { return run_command_line(argc, argv); });
}
