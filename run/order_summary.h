// Figures per Strahler order of one network, from the recorded passes: counts, lengths and the
// ratios of Horton's laws.
#pragma once

#include <vector>

#include "formats/gis/horton.h"
#include "run/pass_records.h"

struct OrderFigures {
    int order = 0;
    int count = 0;       // segments
    double total = 0.0;  // metres
    double mean = 0.0;   // metres; NaN when the order has no segment
};

struct OrderSummary {
    std::vector<OrderFigures> orders;  // orders 1 to the last pass kept
    // [i]: between orders i + 1 and i + 2; NaN when a count or a mean is missing.
    std::vector<double> bifurcation_ratios;  // count of the lower order / count of the higher
    std::vector<double> length_ratios;       // mean of the higher order / mean of the lower
    // Least-squares fits over the orders that have segments (horton.h): log10(count) and
    // log10(mean) against the order; the ratios are 10^(-slope) and 10^(slope). NaN with fewer
    // than two such orders.
    HortonFigures horton;
    double bifurcation_ratio = 0.0;
    double length_ratio = 0.0;
    int passes = 0;                // passes kept, the report's last order
    int passes_with_segments = 0;  // passes that found at least one segment
    int highest_order = 0;         // the highest order with a segment, 0 for none
    long long segments = 0;
    double total_length = 0.0;  // metres, the sum of the pass totals in pass order
};

OrderSummary summarize_orders(const OrderRecord& record);
