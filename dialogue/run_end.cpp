#include "dialogue/run_end.h"

#include <cstdarg>

#include "base/console.h"

void end_run(Console& c, int status, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    vprint(c, fmt, args);
    va_end(args);
    throw RunEnd{status, true};
}

void end_unknown_input(Console& c, const std::string& path) {
    end_run(c, 0, "\n\tFile %s unknown\n", path.c_str());
}

void end_not_regular_input(Console& c, const std::string& path) {
    end_run(c, 1,
            "\n\tFile %s is not a regular file (a folder, a pipe or a device): it is not read\n",
            path.c_str());
}
