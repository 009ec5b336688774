// The summary file: a JSON object {"networks": [...]} with one entry per network of the run whose
// passes ran, in the order they were given.
//
// Keys of an entry: network, order_image, order_image_written, report, pixel_size, last_order
// (the passes the report lists), passes_with_segments, highest_order, segments,
// shreve_magnitude (the first-order streams: the Shreve magnitudes of the outlets added),
// total_length, orders (per order: order, count, total_length, mean_length), bifurcation_ratios and
// length_ratios (per pair of consecutive orders: from, to, ratio), bifurcation_ratio and
// length_ratio (least-squares fits over the orders with segments), horton (the slopes and
// intercepts of those fits, log10 against the order), lengths (how they were measured),
// unsound (loop_pixels, borderless_parts, between_contacts, inflows, inflow_pixels). Lengths are in
// metres, every number with the digits that read back its double exactly; a figure that does not
// exist (the mean of an order without segments, a ratio with nothing to divide) is null. Written
// with nlohmann's JSON library, which escapes the strings.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "run/order_summary.h"

struct NetworkSummary {
    std::string network;
    std::string order_image;
    bool order_image_written = false;
    std::string report;
    double pixel_size = 0.0;  // metres; NaN when the lengths are measured on the map
    // How the half-steps of the lengths were measured: "half-steps" (halves of one pixel size),
    // "geodesic" or "planar" (each between pixel centres, on the ellipsoid or on the map).
    std::string lengths = "half-steps";
    OrderSummary figures;
    long long loop_pixels = 0;
    int borderless_parts = 0;
    long long between_contacts = 0;  // unordered_pixels.h
    int inflows = 0;                 // inflows.h
    long long inflow_pixels = 0;
};

// False when the stream reported an error.
bool write_summary_json(std::FILE* f, const std::vector<NetworkSummary>& networks);
