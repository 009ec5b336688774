#include "formats/gis/network_values.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kShownValues = 8;  // values named in a message, the most frequent first

std::string cells_text(long long n) {
    return std::to_string(n) + (n == 1 ? " cell" : " cells");
}

std::string class_text(const ValueClasses& classes, int c) {
    if (c == kOtherClass) return "other values";
    if (c == kNoDataClass) return "NoData";
    return value_text(classes.values[static_cast<std::size_t>(c)]);
}

const char* kChoose = "choose the network with --value N (or --colour R,G,B)";

}  // namespace

long long ValueClasses::valid() const {
    long long n = 0;
    for (int c = 0; c < 256; ++c) {
        if (c != kNoDataClass) n += counts[static_cast<std::size_t>(c)];
    }
    return n;
}

std::string value_text(double v) {
    char text[64];
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e17)
        std::snprintf(text, sizeof text, "%.0f", v);
    else
        std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

std::string values_found(const ValueClasses& classes) {
    std::vector<int> present;
    for (int c = 0; c < 256; ++c) {
        if (classes.counts[static_cast<std::size_t>(c)] > 0) present.push_back(c);
    }
    std::stable_sort(present.begin(), present.end(), [&](int a, int b) {
        return classes.counts[static_cast<std::size_t>(a)] >
               classes.counts[static_cast<std::size_t>(b)];
    });
    std::string text;
    const int shown = std::min<int>(kShownValues, static_cast<int>(present.size()));
    for (int k = 0; k < shown; ++k) {
        const int c = present[static_cast<std::size_t>(k)];
        if (!text.empty()) text += ", ";
        text += class_text(classes, c) + " (" +
                cells_text(classes.counts[static_cast<std::size_t>(c)]) + ")";
    }
    if (present.size() > static_cast<std::size_t>(shown))
        text +=
            " and " + std::to_string(present.size() - static_cast<std::size_t>(shown)) + " more";
    return text.empty() ? "no cell" : text;
}

bool choose_network(const ValueClasses& classes, const double* asked, unsigned char preferred_byte,
                    NetworkChoice& choice, std::string& fault) {
    const long long valid = classes.valid();
    const long long nodata = classes.counts[kNoDataClass];
    const int known = static_cast<int>(classes.values.size());
    std::array<bool, 256> network{};
    if (asked != nullptr) {
        for (int c = 0; c < known; ++c) {
            if (classes.values[static_cast<std::size_t>(c)] == *asked &&
                classes.counts[static_cast<std::size_t>(c)] > 0)
                network[static_cast<std::size_t>(c)] = true;
        }
        choice.network_text = "value " + value_text(*asked);
    } else {
        // The most frequent valid class is the background, unless it is the only one.
        int top = -1;
        int present = 0;
        for (int c = 0; c < 256; ++c) {
            const long long n = classes.counts[static_cast<std::size_t>(c)];
            if (c == kNoDataClass || n == 0) continue;
            ++present;
            if (top < 0 || n > classes.counts[static_cast<std::size_t>(top)]) top = c;
        }
        if (top < 0) {
            fault = "every cell is NoData (" + cells_text(nodata) + "): there is no network";
            return false;
        }
        if (present == 1 && nodata == 0) {
            fault = "every cell holds " + class_text(classes, top) + " (" +
                    cells_text(classes.counts[static_cast<std::size_t>(top)]) +
                    "): there is no network to tell from a background; " + kChoose;
            return false;
        }
        if (present == 1) {
            network[static_cast<std::size_t>(top)] = true;
        } else {
            if (top == kOtherClass) {
                fault = "more than " + std::to_string(kValueClasses) +
                        " distinct values and none of them the most frequent: no background"
                        " to tell the network from (" +
                        values_found(classes) + "); " + kChoose;
                return false;
            }
            for (int c = 0; c < 256; ++c) {
                network[static_cast<std::size_t>(c)] =
                    c != top && c != kNoDataClass &&
                    classes.counts[static_cast<std::size_t>(c)] > 0;
            }
        }
        int values = 0;
        std::string names;
        for (int c = 0; c < 256; ++c) {
            if (!network[static_cast<std::size_t>(c)]) continue;
            if (++values <= 3) names += (names.empty() ? "" : ", ") + class_text(classes, c);
        }
        choice.network_text = values == 1 ? "value " + names
                                          : "values " + names + (values > 3 ? ", ..." : "") + " (" +
                                                std::to_string(values) + " classes)";
    }

    long long pixels = 0;
    int single = -1;
    int classes_in = 0;
    for (int c = 0; c < 256; ++c) {
        if (!network[static_cast<std::size_t>(c)]) continue;
        pixels += classes.counts[static_cast<std::size_t>(c)];
        single = c;
        ++classes_in;
    }
    if (pixels == 0) {
        fault = "no pixel has " + choice.network_text + " (the band holds " +
                values_found(classes) + "); " + kChoose;
        return false;
    }
    // More than half the valid cells: the background taken for the network. Streams alone on
    // NoData are every valid cell, and are the network.
    const bool streams_on_nodata = pixels == valid && nodata > 0;
    if (pixels > valid - pixels && !streams_on_nodata) {
        fault = "the network (" + choice.network_text + ") would cover " + std::to_string(pixels) +
                " of the " + std::to_string(valid) +
                " valid cells, more than half: that is the background, not a network (the band"
                " holds " +
                values_found(classes) + "); " + kChoose;
        return false;
    }

    unsigned char byte = preferred_byte;
    // By the rule, one whole value from 0 to 254 keeps its byte (as the report names it).
    if (asked == nullptr && classes_in == 1 && single < known) {
        const double v = classes.values[static_cast<std::size_t>(single)];
        if (v >= 0 && v <= 254 && v == std::floor(v)) byte = static_cast<unsigned char>(v);
    }
    choice.network_byte = byte;
    // NoData clips the network only where some valid cell is background.
    const bool outside = nodata > 0 && pixels < valid;
    choice.outside = outside ? (byte == 254 ? 253 : 254) : -1;
    for (int c = 0; c < 256; ++c) {
        unsigned char to = 255;
        if (network[static_cast<std::size_t>(c)]) to = byte;
        if (c == kNoDataClass && outside) to = static_cast<unsigned char>(choice.outside);
        choice.remap[static_cast<std::size_t>(c)] = to;
    }
    choice.network_pixels = pixels;
    return true;
}
