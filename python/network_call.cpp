#include "python/network_call.h"

#include <cmath>
#include <filesystem>
#include <new>

#include "base/threads.h"
#include "run/network_input.h"

namespace {

// The network byte the command line wishes for (network_values.h keeps it when it can).
int value_wish(const CallOptions& o) {
    const double v = o.value.value_or(0.0);
    return v >= 0 && v <= 254 && v == std::floor(v) ? static_cast<int>(v) : 0;
}

NetworkSelector selector_of(const CallOptions& o) {
    NetworkSelector sel;
    sel.value = o.value.value_or(0.0);
    sel.value_given = o.value.has_value();
    return sel;
}

// "not enough memory" in a fault of the readers or of the run: the one that Python raises as
// MemoryError.
bool memory_fault(const std::string& fault) {
    return fault.find("not enough memory") != std::string::npos;
}

CallOutcome fail(CallFault kind, const std::string& fault) {
    CallOutcome out;
    out.kind = kind;
    out.fault = fault;
    return out;
}

CallOutcome order_loaded(std::shared_ptr<NetworkOrder> order, const CallOptions& o) {
    NetworkOrderRequest request;
    request.last = o.last;
    request.drawing = o.drawing;
    request.flow_grid = o.flow_grid;
    request.keep_pixels = o.lines;
    order_loaded_network(*order, request, OrderProgress{});
    if (order->status != OrderStatus::ordered) {
        const bool memory = order->status == OrderStatus::no_memory || memory_fault(order->fault);
        return fail(memory ? CallFault::memory : CallFault::input, order->fault);
    }
    // Read by no writer: the orders and the records hold the results.
    order->run.tab1.reset();
    CallOutcome out;
    out.order = std::move(order);
    return out;
}

std::shared_ptr<NetworkOrder> new_order(const CallOptions& o) {
    auto order = std::make_shared<NetworkOrder>();
    order->run.threads = o.threads > 0 ? o.threads : engine_threads();
    order->run.val_red = value_wish(o);
    return order;
}

bool valid_last(const CallOptions& o) {
    return !o.last || (*o.last >= 0 && *o.last <= 63);
}

}  // namespace

CallOutcome order_cells(const ArrayCells& cells, const std::string& name, const CallOptions& o) {
    if (!valid_last(o)) return fail(CallFault::usage, "last: an order from 0 to 63");
    auto order = new_order(o);
    ArrayCells placed = cells;
    // Without a georeference an array lies as a raw image does: its lower-left corner at 0,0,
    // square pixels of the pixel size given (1 when none is).
    if (!placed.geotransform) {
        const double d = o.pixel_size.value_or(1.0);
        placed.geotransform = std::array<double, 6>{0.0, d, 0.0, cells.lines * d, 0.0, -d};
    }
    std::string fault;
    GdalDataset ds = array_dataset(placed, fault);
    if (!ds) return fail(CallFault::input, name + ": " + fault);
    if (!load_network_dataset(order->run, ds.get(), name, selector_of(o), o.pixel_size,
                              order->place, fault))
        return fail(memory_fault(fault) ? CallFault::memory : CallFault::input, fault);
    ds.reset();
    CallOutcome out = order_loaded(std::move(order), o);
    out.input_type = ImageType::geotiff;
    return out;
}

CallOutcome order_path(const std::string& path, const CallOptions& o) {
    if (!valid_last(o)) return fail(CallFault::usage, "last: an order from 0 to 63");
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return fail(CallFault::missing, path + ": cannot be opened (no such file)");
    const ImageType type = image_type_of(path);
    if (type == ImageType::raw && o.value &&
        !(*o.value >= 0 && *o.value <= 254 && *o.value == std::floor(*o.value)))
        return fail(CallFault::usage,
                    path + ": --value of a raw image is a grey value from 0 to 254");
    auto order = new_order(o);
    std::string fault;
    if (!load_network(order->run, path, type, selector_of(o), o.pixel_size, nullptr, order->place,
                      fault))
        return fail(memory_fault(fault) ? CallFault::memory : CallFault::input, fault);
    CallOutcome out = order_loaded(std::move(order), o);
    out.input_type = type;
    return out;
}
