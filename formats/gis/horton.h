// Horton figures of an ordered network: log10 of the segment count and log10 of the mean segment
// length against the order, each fitted by a least-squares line; the bifurcation ratio is
// 10^(-slope) of the count line and the length ratio 10^(slope) of the mean-length line.
#pragma once

#include <vector>

struct OrderTotals {
    int order = 0;
    long long count = 0;          // segments of that order
    double total_length_m = 0.0;  // their summed length
};

// One series against the order and its least-squares line log10(value) = intercept + slope *
// order. Only orders with a positive value take part; with fewer than two distinct orders there
// is no line (fitted false, slope and intercept 0).
struct HortonSeries {
    std::vector<double> order;
    std::vector<double> log10_value;
    bool fitted = false;
    double slope = 0.0;
    double intercept = 0.0;
};

struct HortonFigures {
    HortonSeries count;              // log10(count)
    HortonSeries mean_length;        // log10(total length / count)
    double bifurcation_ratio = 0.0;  // 0 when the count series has no line
    double length_ratio = 0.0;       // 0 when the mean-length series has no line
};

// Orders may come in any order; an order given twice adds up.
HortonFigures horton_figures(const std::vector<OrderTotals>& totals);
