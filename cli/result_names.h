// Where the results of a network go, and the check that no result replaces a network.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

// The prefix every result name of `network` begins with. Without --output (output empty):
// the network's path without its extension, + "_strahler". With a folder: that folder, the
// network's name without its extension, + "_strahler". Otherwise output itself.
std::string result_prefix(const std::string& network, const std::string& output,
                          bool output_is_folder);

// A set of files, each known by its absolute normal path and, when it exists, by its device
// and inode, so that a file reached through a link or another spelling is found too.
struct FileSet {
    std::set<std::string> paths;
    std::set<std::pair<unsigned long long, unsigned long long>> nodes;

    void add(const std::string& path);
    bool holds(const std::string& path) const;
};
