#include "run/summary_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace {

// Keys in the order the reference lists them, which a reader of the file expects.
using Json = nlohmann::ordered_json;

// A figure that does not exist (NaN, or infinite) is null. A number is written with every digit
// its double needs to be read back the same (the library's shortest exact form), so a length
// printed to 6 decimals from the file gives the report's text.
Json number(double v) {
    return std::isfinite(v) ? Json(v) : Json(nullptr);
}

Json ratios(const std::vector<double>& values, const OrderSummary& sum) {
    Json list = Json::array();
    for (std::size_t i = 0; i < values.size(); ++i) {
        list.push_back({{"from", sum.orders[i].order},
                        {"to", sum.orders[i + 1].order},
                        {"ratio", number(values[i])}});
    }
    return list;
}

Json network_entry(const NetworkSummary& n) {
    const OrderSummary& sum = n.figures;
    Json e;
    e["network"] = n.network;
    e["order_image"] = n.order_image;
    e["order_image_written"] = n.order_image_written;
    e["report"] = n.report;
    e["pixel_size"] = number(n.pixel_size);
    e["last_order"] = sum.passes;
    e["passes_with_segments"] = sum.passes_with_segments;
    e["highest_order"] = sum.highest_order;
    e["segments"] = sum.segments;
    // Every first-order stream starts at a source (or an inflow): the magnitudes of the outlets
    // add up to their number.
    e["shreve_magnitude"] = sum.orders.empty() ? 0 : sum.orders.front().count;
    e["total_length"] = number(sum.total_length);
    Json orders = Json::array();
    for (const OrderFigures& o : sum.orders) {
        orders.push_back({{"order", o.order},
                          {"count", o.count},
                          {"total_length", number(o.total)},
                          {"mean_length", number(o.mean)}});
    }
    e["orders"] = std::move(orders);
    e["bifurcation_ratios"] = ratios(sum.bifurcation_ratios, sum);
    e["length_ratios"] = ratios(sum.length_ratios, sum);
    e["bifurcation_ratio"] = number(sum.bifurcation_ratio);
    e["length_ratio"] = number(sum.length_ratio);
    const HortonSeries& count = sum.horton.count;
    const HortonSeries& mean = sum.horton.mean_length;
    const double none = std::nan("");
    e["horton"] = {{"log10_count_slope", number(count.fitted ? count.slope : none)},
                   {"log10_count_intercept", number(count.fitted ? count.intercept : none)},
                   {"log10_mean_length_slope", number(mean.fitted ? mean.slope : none)},
                   {"log10_mean_length_intercept", number(mean.fitted ? mean.intercept : none)}};
    e["lengths"] = n.lengths;
    e["unsound"] = {{"loop_pixels", n.loop_pixels},
                    {"borderless_parts", n.borderless_parts},
                    {"between_contacts", n.between_contacts},
                    {"inflows", n.inflows},
                    {"inflow_pixels", n.inflow_pixels}};
    return e;
}

}  // namespace

bool write_summary_json(std::FILE* f, const std::vector<NetworkSummary>& networks) {
    Json all;
    all["networks"] = Json::array();
    for (const NetworkSummary& n : networks) all["networks"].push_back(network_entry(n));
    // Paths are bytes of the file system, not always UTF-8: a byte that is not is written as
    // U+FFFD rather than making the whole file fail.
    const std::string text =
        all.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    return std::fwrite(text.data(), 1, text.size(), f) == text.size() && !std::ferror(f);
}
