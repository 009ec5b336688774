// The report of one network, line for line the dialogue's: the heading, the parameters, the
// block of every kept pass with its step images, the block of what could not be ordered
// soundly, and the closing lines.
#pragma once

#include <string>

#include "run/pass_records.h"

struct NetworkRun;

// Writes s.nominfo completely or not at all. last_order is the one the report names: the passes
// asked for, or those kept until the network was used up. image_written says whether the order
// image s.nomim2 could be written. False when the report could not be written.
bool write_report(const NetworkRun& s, const OrderRecord& record, int last_order,
                  bool image_written);
