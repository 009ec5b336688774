// Where the results of a network go.
#pragma once

#include <string>

// The prefix every result name of `network` begins with. Without --output (output empty):
// the network's path without its extension, + "_strahler". With a folder: that folder, the
// network's name without its extension, + "_strahler". Otherwise output itself.
std::string result_prefix(const std::string& network, const std::string& output,
                          bool output_is_folder);
