#include "cli/order_summary.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// Slope of the least-squares line through (x, y); NaN for fewer than two distinct x.
double slope(const std::vector<double>& x, const std::vector<double>& y) {
    const double n = static_cast<double>(x.size());
    if (x.size() < 2) return kNone;
    double sx = 0.0, sy = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sx += x[i];
        sy += y[i];
    }
    double sxx = 0.0, sxy = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxx += (x[i] - sx / n) * (x[i] - sx / n);
        sxy += (x[i] - sx / n) * (y[i] - sy / n);
    }
    return sxx > 0.0 ? sxy / sxx : kNone;
}

}  // namespace

OrderSummary summarize_orders(const OrderRecord& record) {
    OrderSummary sum;
    sum.passes = static_cast<int>(record.passes.size());
    std::vector<double> x, log_count, log_mean;
    for (const PassRecord& pass : record.passes) {
        OrderFigures f;
        f.order = pass.k;
        f.count = pass.segments;
        f.total = pass.total;
        f.mean = f.count > 0 ? f.total / f.count : kNone;
        sum.orders.push_back(f);
        sum.segments += f.count;
        sum.total_length += f.total;
        if (f.count == 0) continue;
        ++sum.passes_with_segments;
        sum.highest_order = f.order;
        x.push_back(f.order);
        log_count.push_back(std::log(f.count));
        log_mean.push_back(f.mean > 0.0 ? std::log(f.mean) : kNone);
    }
    for (std::size_t i = 0; i + 1 < sum.orders.size(); ++i) {
        const OrderFigures& low = sum.orders[i];
        const OrderFigures& high = sum.orders[i + 1];
        sum.bifurcation_ratios.push_back(high.count > 0 ? double(low.count) / high.count : kNone);
        sum.length_ratios.push_back(low.mean > 0.0 && high.count > 0 ? high.mean / low.mean
                                                                     : kNone);
    }
    sum.bifurcation_ratio = std::exp(-slope(x, log_count));
    sum.length_ratio = std::exp(slope(x, log_mean));
    return sum;
}
