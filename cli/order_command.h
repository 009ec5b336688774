// `branchranker order`: every network in turn, then the segments table and the summary.
//
// Exit status: 0 when every network was ordered and every file written; 1 when an input or an
// output failed (the other networks are still ordered); 2 for a usage error found before any
// network is read (an unknown image type, a BMP image without --pixel-size, results that would
// replace a network or each other). Faults go to standard error, each naming its file.
#pragma once

#include "cli/options.h"

int run_order(const OrderOptions& options);
