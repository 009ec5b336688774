// What the Python module gives back for one ordered network: the orders (the result grid
// itself, shared with numpy), the segments, the summary, the unsound counts and the
// georeference, and the files written from them.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <mutex>
#include <string>

#include "base/image_type.h"
#include "run/network_order.h"

struct OrderResult {
    std::shared_ptr<NetworkOrder> order;
    ImageType input_type = ImageType::geotiff;
    bool saved = false;  // the last save wrote the order image
    std::shared_ptr<std::mutex> saving = std::make_shared<std::mutex>();  // held by a save
    bool kept_pixels = false;  // the segments hold their ends, where they flow and their lines
};

// A read-only uint8 array of lines x columns over the result grid, which it keeps alive.
pybind11::object orders_array(const OrderResult& r);
// One dict per segment, keys the columns of the segments table.
pybind11::list segment_dicts(const OrderResult& r);
// The summary as the command line's JSON gives it, parsed.
pybind11::dict summary_dict(const OrderResult& r);
// The six numbers of the georeference, or None.
pybind11::object geotransform_of(const OrderResult& r);
// The coordinate system as WKT, or None.
pybind11::object crs_of(const OrderResult& r);
