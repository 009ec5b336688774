#include "cli/command_line.h"

#include <optional>

#include "cli/options.h"
#include "cli/order_command.h"

int run_command_line(int argc, char** argv) {
    OrderOptions options;
    if (const std::optional<int> status = parse_order_options(argc, argv, options)) return *status;
    return run_order(options);
}
