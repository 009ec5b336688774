// Starts the program under test from a small helper process forked before the benchmark grows,
// so that the peak memory the kernel reports for the program is the program's alone (a child
// forked from a large process inherits its resident size until exec).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct Spawner {
    pid_t pid = -1;
    int to_helper = -1;
    int from_helper = -1;
};

struct SpawnResult {
    int exit_status = -1;  // -1 when the program did not end normally or could not start
    double seconds = 0.0;  // wall time from start to end
    long peak_kb = 0;      // peak resident size of the program, KiB
};

// Forks the helper; call it first thing in main.
Spawner start_spawner();
// Runs `program` with `args` in folder `dir` in a new session (no controlling terminal),
// standard input from `stdin_path`, standard output to `stdout_path`; waits for its end.
SpawnResult spawn_and_wait(Spawner& s, const std::string& program, const std::string& dir,
                           const std::string& stdin_path, const std::string& stdout_path,
                           const std::vector<std::string>& args = {});
// Ends the helper.
void stop_spawner(Spawner& s);
