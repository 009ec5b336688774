// The dialogue's run state: one network's run (run/network_run.h) and what the phases of the
// dialogue hand to each other around it. The dialogue owns the one instance and passes it by
// reference to its phases; the engine and the run library see the network's run only.
// All zero at the start.
//
// Paths are full native paths: images/<folder>/<name><ending>.
#pragma once

#include <string>

#include "base/byte_grid.h"
#include "base/file.h"
#include "base/image_type.h"
#include "base/output_file.h"
#include "run/network_run.h"

struct RunState : NetworkRun {
    ImageType river_type = ImageType::raw;  // input, set by the input dialogue

    bool open_ascii_OK = false;  // the corner X_min, Y_min is known (ASCII input or asked)

    // Grids of the plain engine, which a run does not make (the reference the tests compare the
    // engine with).
    ByteGrid tab;   // untouched copy of the network
    ByteGrid tab4;  // labels of the current pass: k, or 255

    std::string nomim3;  // points step image of the current pass
    std::string nomim4;  // segments step image of the current pass

    // Streams.
    File f1;     // input image (raw or ASCII), closed once read
    File f1d;    // input descriptor, closed once read or written
    File finfo;  // report

    // The report, under a temporary name until it is complete: nothing appears under a result's
    // name before it is whole (base/output_file.h).
    PendingOutput info_out;  // put in place at the end of the run

    int status = 0;  // exit status of a run that reaches its end: 1 if an output was not written
};
