// branchranker: Strahler orders and segment lengths of a drainage network.
//
// Without arguments this is the dialogue, exactly as it always ran. With arguments it is the
// command line (cli/), a program of its own beside this one, `branchranker-cli`, which it
// becomes: the GIS libraries that the command line reads and writes with take some 30 MB and
// 30 ms to load, which a dialogue run never needs.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/program.h"
#include "base/console.h"
#include "dialogue/run.h"
#include "dialogue/run_state.h"

namespace {

int run_dialogue() {
    RunState s;
    Console c = stdio_console();
    return run(s, c);
}

// Becomes the command-line program that lies beside this one, with the same arguments; returns
// only when it cannot.
int become_command_line(char** argv) {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string path =
        ec ? std::string("branchranker-cli") : (self.parent_path() / "branchranker-cli").string();
    std::fflush(nullptr);
    ::execv(path.c_str(), argv);
    std::fprintf(stderr, "branchranker: the command line cannot be started (%s: %s)\n",
                 path.c_str(), std::strerror(errno));
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) return become_command_line(argv);
    return run_program(run_dialogue);
}
