#include "cli/command_line.h"

#include <cstdio>
#include <new>
#include <optional>
#include <stdexcept>

#include "cli/options.h"
#include "cli/order_command.h"

int run_command_line(int argc, char** argv) {
    // Memory can run out anywhere: GDAL's drivers registering at start-up, the option parser,
    // the passes' records, a writer's buffer. The outputs still pending are removed as their
    // owners unwind to here; what is already in place stays.
    try {
        OrderOptions options;
        if (const std::optional<int> status = parse_order_options(argc, argv, options))
            return *status;
        return run_order(options);
    } catch (const std::bad_alloc&) {
        std::fputs("branchranker: not enough memory to go on: the run stops without a result\n",
                   stderr);
        return 1;
    } catch (const std::length_error& e) {
        // A network beyond what the engine's lists can number.
        std::fprintf(stderr, "branchranker: %s: the run stops without a result\n", e.what());
        return 1;
    }
}
