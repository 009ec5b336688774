#include "formats/gis/horton.h"

#include <cmath>
#include <map>

namespace {

void fit(HortonSeries& s) {
    const std::size_t n = s.order.size();
    if (n < 2) return;
    double mx = 0, my = 0;
    for (std::size_t i = 0; i < n; ++i) mx += s.order[i], my += s.log10_value[i];
    mx /= n;
    my /= n;
    double sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        sxx += (s.order[i] - mx) * (s.order[i] - mx);
        sxy += (s.order[i] - mx) * (s.log10_value[i] - my);
    }
    if (sxx == 0.0) return;
    s.fitted = true;
    s.slope = sxy / sxx;
    s.intercept = my - s.slope * mx;
}

}  // namespace

HortonFigures horton_figures(const std::vector<OrderTotals>& totals) {
    std::map<int, OrderTotals> by_order;
    for (const OrderTotals& t : totals) {
        OrderTotals& sum = by_order[t.order];
        sum.order = t.order;
        sum.count += t.count;
        sum.total_length_m += t.total_length_m;
    }
    HortonFigures h;
    for (const auto& [order, t] : by_order) {
        if (t.count <= 0) continue;
        h.count.order.push_back(order);
        h.count.log10_value.push_back(std::log10(static_cast<double>(t.count)));
        const double mean = t.total_length_m / static_cast<double>(t.count);
        if (mean > 0.0) {
            h.mean_length.order.push_back(order);
            h.mean_length.log10_value.push_back(std::log10(mean));
        }
    }
    fit(h.count);
    fit(h.mean_length);
    if (h.count.fitted) h.bifurcation_ratio = std::pow(10.0, -h.count.slope);
    if (h.mean_length.fitted) h.length_ratio = std::pow(10.0, h.mean_length.slope);
    return h;
}
