#include "cli/summary_json.h"

#include <cmath>

namespace {

std::string number(double v, const char* format = "%.6f") {
    if (!std::isfinite(v)) return "null";
    char text[400];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

void write_ratios(std::FILE* f, const char* key, const std::vector<double>& ratios,
                  const OrderSummary& sum) {
    std::fprintf(f, "      \"%s\": [", key);
    for (std::size_t i = 0; i < ratios.size(); ++i) {
        std::fprintf(f, "%s\n        {\"from\": %d, \"to\": %d, \"ratio\": %s}", i ? "," : "",
                     sum.orders[i].order, sum.orders[i + 1].order, number(ratios[i]).c_str());
    }
    std::fputs(ratios.empty() ? "],\n" : "\n      ],\n", f);
}

void write_network(std::FILE* f, const NetworkSummary& n) {
    const OrderSummary& sum = n.figures;
    std::fprintf(f, "    {\n      \"network\": %s,\n", json_string(n.network).c_str());
    std::fprintf(f, "      \"order_image\": %s,\n", json_string(n.order_image).c_str());
    std::fprintf(f, "      \"order_image_written\": %s,\n",
                 n.order_image_written ? "true" : "false");
    std::fprintf(f, "      \"report\": %s,\n", json_string(n.report).c_str());
    std::fprintf(f, "      \"pixel_size\": %s,\n", number(n.pixel_size, "%.17g").c_str());
    std::fprintf(f, "      \"last_order\": %d,\n", sum.passes);
    std::fprintf(f, "      \"passes_with_segments\": %d,\n", sum.passes_with_segments);
    std::fprintf(f, "      \"highest_order\": %d,\n", sum.highest_order);
    std::fprintf(f, "      \"segments\": %lld,\n", sum.segments);
    std::fprintf(f, "      \"total_length\": %s,\n", number(sum.total_length).c_str());
    std::fputs("      \"orders\": [", f);
    for (std::size_t i = 0; i < sum.orders.size(); ++i) {
        const OrderFigures& o = sum.orders[i];
        std::fprintf(f,
                     "%s\n        {\"order\": %d, \"count\": %d, \"total_length\": %s,"
                     " \"mean_length\": %s}",
                     i ? "," : "", o.order, o.count, number(o.total).c_str(),
                     number(o.mean).c_str());
    }
    std::fputs(sum.orders.empty() ? "],\n" : "\n      ],\n", f);
    write_ratios(f, "bifurcation_ratios", sum.bifurcation_ratios, sum);
    write_ratios(f, "length_ratios", sum.length_ratios, sum);
    std::fprintf(f, "      \"bifurcation_ratio\": %s,\n", number(sum.bifurcation_ratio).c_str());
    std::fprintf(f, "      \"length_ratio\": %s,\n", number(sum.length_ratio).c_str());
    const HortonSeries& count = sum.horton.count;
    const HortonSeries& mean = sum.horton.mean_length;
    const double none = std::nan("");
    std::fprintf(f,
                 "      \"horton\": {\"log10_count_slope\": %s, \"log10_count_intercept\": %s,"
                 " \"log10_mean_length_slope\": %s, \"log10_mean_length_intercept\": %s},\n",
                 number(count.fitted ? count.slope : none, "%.9f").c_str(),
                 number(count.fitted ? count.intercept : none, "%.9f").c_str(),
                 number(mean.fitted ? mean.slope : none, "%.9f").c_str(),
                 number(mean.fitted ? mean.intercept : none, "%.9f").c_str());
    std::fprintf(f, "      \"lengths\": \"%s\",\n", n.lengths.c_str());
    std::fprintf(f,
                 "      \"unsound\": {\"loop_pixels\": %lld, \"borderless_parts\": %d,"
                 " \"between_contacts\": %lld, \"inflows\": %d, \"inflow_pixels\": %lld}\n    }",
                 n.loop_pixels, n.borderless_parts, n.between_contacts, n.inflows, n.inflow_pixels);
}

}  // namespace

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (unsigned char ch : text) {
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += static_cast<char>(ch);
        } else if (ch < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", ch);
            out += escaped;
        } else {
            out += static_cast<char>(ch);  // UTF-8 bytes pass as they are
        }
    }
    return out + "\"";
}

bool write_summary_json(std::FILE* f, const std::vector<NetworkSummary>& networks) {
    std::fputs("{\n  \"networks\": [", f);
    for (std::size_t i = 0; i < networks.size(); ++i) {
        std::fputs(i ? ",\n" : "\n", f);
        write_network(f, networks[i]);
    }
    std::fputs(networks.empty() ? "]\n}\n" : "\n  ]\n}\n", f);
    return !std::ferror(f);
}
