// The engine on arbitrary small networks read as a flow grid: every network pixel ordered (1 to
// 63), the walks no longer than the network, and on half the inputs the same network read by the
// passes: never a crash, a hang or undefined behaviour. The bytes give the width, the cells
// outside the image (NoData), whether the walks' pixels are kept and the passes run, and one bit
// per cell.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/order.h"
#include "engine/pass_events.h"

namespace {

struct Kept final : PassEvents {
    bool paths = false;
    long long walked = 0;  // pixels recorded by every walk
    void pass_begins(int, const std::string&) override {}
    void pass_ends(int, const PassWalks& w) override {
        for (int points : w.segm_points) walked += points;
    }
    bool wants_paths() const override { return paths; }
};

constexpr unsigned char kNet = 0;
constexpr unsigned char kOutside = 7;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int columns = 3 + data[0] % 40;
    const bool framed = (data[1] & 1) != 0;  // a frame of outside cells
    const std::size_t cells = (size - 2) * 8;
    const int lines = static_cast<int>(std::min<std::size_t>(cells / columns, 60));
    if (lines < 3) return 0;
    std::vector<unsigned char> grid(static_cast<std::size_t>(lines) * columns, 255);
    std::vector<unsigned char> orders(grid.size(), 255);
    long long network = 0;
    for (int i = 0; i < lines; ++i) {
        for (int j = 0; j < columns; ++j) {
            const std::size_t bit = static_cast<std::size_t>(i) * columns + j;
            unsigned char& cell = grid[bit];
            if (framed && (i == 0 || j == 0 || i == lines - 1 || j == columns - 1)) {
                cell = kOutside;
            } else if ((data[2 + bit / 8] >> (bit % 8)) & 1) {
                cell = kNet;
                ++network;
            }
        }
    }
    const std::vector<unsigned char> loaded = grid;
    for (bool flow : {true, false}) {
        if (!flow && (data[1] & 4) == 0) break;  // the passes too, on half the inputs
        grid = loaded;
        std::vector<unsigned char*> net_rows(static_cast<std::size_t>(lines));
        std::vector<unsigned char*> order_rows(static_cast<std::size_t>(lines));
        for (int i = 0; i < lines; ++i) {
            net_rows[static_cast<std::size_t>(i)] =
                grid.data() + static_cast<std::size_t>(i) * columns;
            order_rows[static_cast<std::size_t>(i)] =
                orders.data() + static_cast<std::size_t>(i) * columns;
        }
        EngineGrids g{net_rows.data(), nullptr, order_rows.data(), lines, columns};
        EngineOptions o;
        o.network_value = kNet;
        o.outside_value = framed ? kOutside : -1;
        o.pixel_size_m = 10.0;
        o.flow_grid = flow;
        Kept events;
        events.paths = (data[1] & 2) != 0;
        const EngineResult r = order_network(g, o, events);
        if (!flow) continue;
        if (r.flow_refused != 0 || r.loop_pixels != 0) std::abort();
        // A walk records its pixels and the junction it stops on, each pixel walked once.
        if (events.walked > 2 * network) std::abort();
        for (std::size_t p = 0; p < loaded.size(); ++p) {
            const bool on = loaded[p] == kNet;
            if (on != (orders[p] != 255) || (on && (orders[p] < 1 || orders[p] > 63))) std::abort();
        }
    }
    return 0;
}
