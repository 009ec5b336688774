// The command line front end: `branchranker order NETWORK... [options]`, --help, --version.
// Nothing is asked and nothing waits for a key; the exit status is that of run_order, or 0
// after --help and --version, or 2 for a usage error.
#pragma once

int run_command_line(int argc, char** argv);
