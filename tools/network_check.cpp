// Structure, Strahler orders and statistics of a generated network.

#include <algorithm>
#include <initializer_list>
#include <string>
#include <unordered_map>

#include "tools/fnv.h"
#include "tools/network_generator.h"

namespace {

constexpr int kDr[8] = {-1, -1, -1, 0, 1, 1, 1, 0};
constexpr int kDc[8] = {-1, 0, 1, 1, 1, 0, -1, -1};

bool on_border(const Network& net, int i, int j) {
    return i == 0 || j == 0 || i == net.nb_lig - 1 || j == net.nb_col - 1;
}

int neighbours(const Network& net, int i, int j) {
    int n = 0;
    for (int d = 0; d < 8; ++d) {
        const int a = i + kDr[d];
        const int b = j + kDc[d];
        if (a >= 0 && b >= 0 && a < net.nb_lig && b < net.nb_col && net.on(a, b)) ++n;
    }
    return n;
}

std::string at(int i, int j) {
    return " at (" + std::to_string(i) + ", " + std::to_string(j) + ")";
}

// Network pixels reachable from the outlet, breadth first, as row-major indices.
std::vector<std::uint32_t> reach_from_outlet(const Network& net) {
    std::vector<std::uint32_t> queue;
    if (net.outlet_lig < 0 || !net.on(net.outlet_lig, net.outlet_col)) return queue;
    std::vector<bool> seen(net.cells.size(), false);
    const auto width = static_cast<std::uint32_t>(net.nb_col);
    const std::uint32_t start = static_cast<std::uint32_t>(net.outlet_lig) * width +
                                static_cast<std::uint32_t>(net.outlet_col);
    queue.push_back(start);
    seen[start] = true;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const int i = static_cast<int>(queue[head] / width);
        const int j = static_cast<int>(queue[head] % width);
        for (int d = 0; d < 8; ++d) {
            const int a = i + kDr[d];
            const int b = j + kDc[d];
            if (a < 0 || b < 0 || a >= net.nb_lig || b >= net.nb_col || !net.on(a, b)) continue;
            const std::uint32_t q =
                static_cast<std::uint32_t>(a) * width + static_cast<std::uint32_t>(b);
            if (seen[q]) continue;
            seen[q] = true;
            queue.push_back(q);
        }
    }
    return queue;
}

}  // namespace

NetworkCheck check_network(const Network& net) {
    NetworkCheck r;
    if (net.nb_lig < 1 || net.nb_col < 1 ||
        net.cells.size() != static_cast<std::size_t>(net.nb_lig) * net.nb_col) {
        r.fault = "sizes do not match the cells";
        return r;
    }
    long long degrees = 0;
    long long border = 0;
    for (int i = 0; i < net.nb_lig; ++i) {
        for (int j = 0; j < net.nb_col; ++j) {
            if (!net.on(i, j)) continue;
            ++r.pixels;
            const int n = neighbours(net, i, j);
            degrees += n;
            if (on_border(net, i, j)) {
                ++border;
                if (i != net.outlet_lig || j != net.outlet_col) {
                    if (r.fault.empty()) r.fault = "network pixel on the border" + at(i, j);
                } else if (n != 1) {
                    if (r.fault.empty()) r.fault = "outlet without a single neighbour" + at(i, j);
                }
                continue;
            }
            if (n == 1) ++r.sources;
            if (n == 3) ++r.junctions;
            if ((n == 0 || n > 3) && r.fault.empty()) {
                r.fault = std::to_string(n) + " network neighbours" + at(i, j);
            }
        }
    }
    if (!r.fault.empty()) return r;
    if (border != 1) {
        r.fault = "no outlet on the border";
        return r;
    }
    if (degrees / 2 != r.pixels - 1) {
        r.fault = "the network is not a tree: " + std::to_string(degrees / 2) + " links for " +
                  std::to_string(r.pixels) + " pixels";
        return r;
    }
    if (static_cast<long long>(reach_from_outlet(net).size()) != r.pixels) {
        r.fault = "the network is not connected";
    }
    return r;
}

std::vector<unsigned char> strahler_orders(const Network& net) {
    std::vector<unsigned char> order(net.cells.size(), 255);
    const std::vector<std::uint32_t> queue = reach_from_outlet(net);
    const auto width = static_cast<std::uint32_t>(net.nb_col);
    // Farthest from the outlet first: every upstream neighbour has its order already.
    for (auto it = queue.rbegin(); it != queue.rend(); ++it) {
        const int i = static_cast<int>(*it / width);
        const int j = static_cast<int>(*it % width);
        int highest = 0;
        int count = 0;
        for (int d = 0; d < 8; ++d) {
            const int a = i + kDr[d];
            const int b = j + kDc[d];
            if (a < 0 || b < 0 || a >= net.nb_lig || b >= net.nb_col) continue;
            const int o = order[static_cast<std::size_t>(a) * width + b];
            if (o == 255) continue;
            if (o > highest) {
                highest = o;
                count = 1;
            } else if (o == highest) {
                ++count;
            }
        }
        const int mine = highest == 0 ? 1 : (count >= 2 ? highest + 1 : highest);
        order[*it] = static_cast<unsigned char>(std::min(mine, 254));
    }
    return order;
}

NetworkStats network_stats(const Network& net) {
    NetworkStats st;
    const std::vector<unsigned char> order = strahler_orders(net);
    const std::vector<std::uint32_t> queue = reach_from_outlet(net);
    for (unsigned char v : net.cells) st.pixels += v == net.network_value;
    st.share = static_cast<double>(st.pixels) / static_cast<double>(net.cells.size());
    st.streams.assign(256, 0);
    st.longest_stream.assign(256, 0);

    // Points walked so far along the stream through each pixel whose downstream neighbour has
    // not been seen yet. A walk of pass k also takes the junction where its stream ends.
    std::unordered_map<std::uint32_t, long long> run;
    const auto width = static_cast<std::uint32_t>(net.nb_col);
    for (auto it = queue.rbegin(); it != queue.rend(); ++it) {
        const int i = static_cast<int>(*it / width);
        const int j = static_cast<int>(*it % width);
        const int mine = order[*it];
        long long points = 1;
        int same = 0;
        for (int d = 0; d < 8; ++d) {
            const int a = i + kDr[d];
            const int b = j + kDc[d];
            if (a < 0 || b < 0 || a >= net.nb_lig || b >= net.nb_col) continue;
            const std::uint32_t q =
                static_cast<std::uint32_t>(a) * width + static_cast<std::uint32_t>(b);
            auto found = run.find(q);
            if (found == run.end()) continue;
            const int theirs = order[q];
            if (theirs == mine) {
                points = found->second + 1;
                ++same;
            } else {
                st.longest_stream[theirs] = std::max(st.longest_stream[theirs], found->second + 1);
            }
            run.erase(found);
        }
        if (same == 0) ++st.streams[mine];  // a source, or where two streams of one order meet
        run[*it] = points;
        st.highest_order = std::max(st.highest_order, mine);
    }
    for (const auto& [pixel, points] : run) {  // the outlet
        st.longest_stream[order[pixel]] = std::max(st.longest_stream[order[pixel]], points);
    }
    st.streams.resize(static_cast<std::size_t>(st.highest_order) + 1);
    st.longest_stream.resize(static_cast<std::size_t>(st.highest_order) + 1);
    return st;
}

std::uint64_t network_checksum(const Network& net) {
    std::uint64_t h = kFnvOffsetBasis;
    for (const int size : {net.nb_lig, net.nb_col}) {
        for (int shift = 0; shift < 32; shift += 8) {
            const auto byte = static_cast<unsigned char>(size >> shift);
            fnv1a(h, &byte, 1);
        }
    }
    fnv1a(h, net.cells.data(), net.cells.size());
    return h;
}
