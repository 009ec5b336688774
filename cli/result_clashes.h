// Every file a run is to write, checked against every other and against its inputs before
// anything is read: two results under one name would leave only the one written last, and a
// result over an input would change what the run reads.
#pragma once

#include <string>
#include <vector>

// A file of the run and what it is, for the message ("the report of images/n.tif").
struct RunFile {
    std::string path;
    std::string what;
};

// "" when no two results, nor a result and an input, are the same file (by their absolute
// normal names, or by device and inode when they exist, so that a link or another spelling is
// found too); otherwise the message naming both.
std::string result_clash(const std::vector<RunFile>& results, const std::vector<RunFile>& inputs);
