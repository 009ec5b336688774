// Every file a run is to write, checked against every other and against its inputs before
// anything is read: two results under one name would leave only the one written last, and a
// result over an input would change what the run reads.
#pragma once

#include <string>
#include <vector>

#include "base/image_type.h"

// A file of the run and what it is, for the message ("the report of images/n.tif").
struct RunFile {
    std::string path;
    std::string what;
};

// What one network of the run writes and reads, as the batch plans it.
struct NetworkFiles {
    std::string network;
    bool raw = false;  // a .raw network with its descriptor; otherwise read through GDAL
    ImageType image_type = ImageType::raw;  // of the order image
    std::string prefix;                     // every result name begins with it
    std::string image;                      // the order image
};

// The other outputs of the run: "" for those not asked for.
struct RunOutputs {
    bool steps = false;
    std::string segments, links, summary, horton;
};

// Every file the run may write, each with what it is.
std::vector<RunFile> run_results(const std::vector<NetworkFiles>& networks, const RunOutputs& o);

// Every file the run reads: the networks, a raw network's descriptor, and the files beside a
// network that GDAL reads with it, when they exist.
std::vector<RunFile> run_inputs(const std::vector<NetworkFiles>& networks);

// "" when no two results, nor a result and an input, are the same file (by their absolute
// normal names, or by device and inode when they exist, so that a link or another spelling is
// found too); otherwise the message naming both.
std::string result_clash(const std::vector<RunFile>& results, const std::vector<RunFile>& inputs);
