// Whether files of a run are one file, for every front end: a result under the name of an input
// would change what the run reads, and two results under one name would leave only the one
// written last. A file is known by its absolute normal path and, when it exists, by its device
// and inode (links followed), so that a link or another spelling is found too.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

// A file of the run and what it is, for the message ("the report of images/n.tif").
struct RunFile {
    std::string path;
    std::string what;
};

struct FileSet {
    // Adds path with its index; returns the index of the file already in the set under the same
    // name or node (which is then not added), or -1.
    long add(const std::string& path, long index = 0);
    bool holds(const std::string& path) const;

    std::map<std::string, long> paths;
    std::map<std::pair<unsigned long long, unsigned long long>, long> nodes;
};

// The first result that is one of the inputs, or null.
const RunFile* result_replacing_input(const std::vector<RunFile>& results,
                                      const std::vector<RunFile>& inputs);

// "" when no two results, nor a result and an input, are the same file; otherwise the message
// naming both.
std::string result_clash(const std::vector<RunFile>& results, const std::vector<RunFile>& inputs);
