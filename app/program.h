// What both programs do around their front end: the standard streams held before any file is
// opened, a reader of the console that goes away (a pipe into `head`) no reason to die before
// the files are complete or removed (the write fails instead, and the status says so), and a
// status of 1 when the console text could not all be written. Freed memory is kept for reuse
// (base/memory_reuse.h).
#pragma once

#include <csignal>
#include <cstdio>

#include "base/memory_reuse.h"
#include "base/standard_streams.h"

template <typename FrontEnd>
int run_program(FrontEnd front_end) {
    hold_standard_descriptors();
    keep_freed_memory_for_reuse();
    std::signal(SIGPIPE, SIG_IGN);
    int status = front_end();
    if (!standard_output_complete()) {
        std::fputs(
            "branchranker: the console text could not all be written to the standard output\n",
            stderr);
        status = 1;
    }
    return status;
}
