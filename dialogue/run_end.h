// Ends the run from anywhere in the dialogue or the engine: the message has been printed, main
// waits for a key when asked and returns the status.
#pragma once

struct Console;

struct RunEnd {
    int status = 0;
    bool wait_key = true;
};

// Prints the message (printf format) and ends the run with a key wait and the status.
[[noreturn]] void end_run(Console& c, int status, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));
