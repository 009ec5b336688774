// Every file a batch of the command line or a module is to write, and every file it reads, for
// the check of file_clash.h before anything is read.
#pragma once

#include <string>
#include <vector>

#include "base/image_type.h"
#include "run/file_clash.h"

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
