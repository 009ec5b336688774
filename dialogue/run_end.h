// Ends the run from anywhere in the dialogue: the message has been printed, run waits for a key
// when asked and returns the status.
#pragma once

#include <string>

struct Console;

struct RunEnd {
    RunEnd(int exit_status, bool wait) : status(exit_status), wait_key(wait) {}
    int status;
    bool wait_key;
};

// Prints the message (printf format) and ends the run with a key wait and the status.
[[noreturn]] void end_run(Console& c, int status, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));

// An input image that cannot be opened: "File ... unknown", a key wait, and status 0.
[[noreturn]] void end_unknown_input(Console& c, const std::string& path);

// An input that is not a regular file (a folder, a pipe, a device): its name, a key wait, and
// status 1.
[[noreturn]] void end_not_regular_input(Console& c, const std::string& path);
