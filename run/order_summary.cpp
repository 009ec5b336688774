#include "run/order_summary.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

}  // namespace

OrderSummary summarize_orders(const OrderRecord& record) {
    OrderSummary sum;
    sum.passes = static_cast<int>(record.passes.size());
    std::vector<OrderTotals> totals;
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
        totals.push_back({f.order, f.count, f.total});
    }
    for (std::size_t i = 0; i + 1 < sum.orders.size(); ++i) {
        const OrderFigures& low = sum.orders[i];
        const OrderFigures& high = sum.orders[i + 1];
        sum.bifurcation_ratios.push_back(high.count > 0 ? double(low.count) / high.count : kNone);
        sum.length_ratios.push_back(low.mean > 0.0 && high.count > 0 ? high.mean / low.mean
                                                                     : kNone);
    }
    sum.horton = horton_figures(totals);
    sum.bifurcation_ratio = sum.horton.count.fitted ? sum.horton.bifurcation_ratio : kNone;
    sum.length_ratio = sum.horton.mean_length.fitted ? sum.horton.length_ratio : kNone;
    return sum;
}
