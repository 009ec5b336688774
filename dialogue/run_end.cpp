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
