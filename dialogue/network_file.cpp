#include "dialogue/network_file.h"

#include "base/input_file.h"
#include "dialogue/run_end.h"

File open_network_file(Console& c, const std::string& path) {
    InputFault fault = InputFault::none;
    File f = open_input_file(path, fault);
    if (fault == InputFault::not_regular) end_not_regular_input(c, path);
    if (!f) end_unknown_input(c, path);
    return f;
}
