// One network ordered for the Python module, from an array in memory or from a file, with the
// run library's pipeline (run/network_order.h): the command line's rule for the network, its
// inflows and its figures. Nothing here knows Python; the module turns the outcome into its
// objects and its exceptions.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "base/image_type.h"
#include "python/array_dataset.h"
#include "run/network_order.h"

struct CallOptions {
    std::optional<double> value;       // the network's value; none: the rule of network_values.h
    std::optional<double> pixel_size;  // metres; none: the georeference's (an array's: 1)
    std::optional<int> last;           // the last order; none: until the network is used up
    int threads = 0;                   // 0: the engine's default (BRANCHRANKER_THREADS)
    bool drawing = false;
    bool flow_grid = false;  // engine/flow_forest.h
    bool lines = true;  // every segment keeps its pixels: its ends, where it flows, its line
};

enum class CallFault {
    none,
    usage,    // an argument no network can take
    input,    // the network cannot be had or ordered
    missing,  // the file does not exist
    memory,   // not enough memory
};

struct CallOutcome {
    std::shared_ptr<NetworkOrder> order;  // ordered, its network grid released; null on a fault
    ImageType input_type = ImageType::geotiff;
    CallFault kind = CallFault::none;
    std::string fault;
};

// Orders the cells named `name`. Runs without Python: the caller may let go of its lock.
CallOutcome order_cells(const ArrayCells& cells, const std::string& name, const CallOptions& o);

// Orders the network image at path (any raster GDAL reads, or a raw image with its descriptor).
CallOutcome order_path(const std::string& path, const CallOptions& o);
