// Generated drainage networks for tests, benchmarks and sample images.
//
// A clean network is a thin 8-connected tree: one pixel wide, every junction a single pixel where
// exactly two branches meet, branches touching nothing but their own junction, and a single
// outlet pixel on the image border. Passing such a network through the order engine labels every
// pixel with the Strahler order of its stream, which strahler_orders() gives independently.
//
// The same options give the same network on every machine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct NetworkOptions {
    int nb_lig = 512;
    int nb_col = 512;
    std::uint64_t seed = 1;
    double share = 0.04;  // wanted share of network pixels, about 0.005 to 0.15
    int cell = 4;         // spacing of the lattice the tree grows on, in pixels, 3 to 16
    unsigned char network_value = 0;
    unsigned char background = 255;  // must differ from network_value
    bool untidy = false;             // add junction groups, loops, stray lines and border lines
};

// Row-major grid, line 0 the top line, as in a raw file.
struct Network {
    int nb_lig = 0;
    int nb_col = 0;
    unsigned char network_value = 0;
    unsigned char background = 255;
    int outlet_lig = -1;  // the outlet pixel on the border of a clean network
    int outlet_col = -1;
    std::vector<unsigned char> cells;

    unsigned char* row(int i) { return cells.data() + static_cast<std::size_t>(i) * nb_col; }
    const unsigned char* row(int i) const {
        return cells.data() + static_cast<std::size_t>(i) * nb_col;
    }
    bool on(int i, int j) const { return row(i)[j] == network_value; }
};

// Throws std::invalid_argument when a size is below 16, a size product exceeds the grid
// capacity, the cell or share is out of range, or the two values are equal.
Network generate_network(const NetworkOptions& options);

// Adds the faults of the untidy mode to a network; done by generate_network when asked.
void add_untidy_features(Network& net, std::uint64_t seed);

// Structural check of a clean network. `fault` names the first fault found, empty when sound.
struct NetworkCheck {
    std::string fault;
    long long pixels = 0;     // network pixels
    long long sources = 0;    // pixels with one network neighbour, the outlet excepted
    long long junctions = 0;  // pixels with three network neighbours
    bool ok() const { return fault.empty(); }
};
NetworkCheck check_network(const Network& net);

// The Strahler order of every pixel of a sound network, row-major, 255 off the network. A pixel's
// order is that of the stream below it: a junction carries the order of the stream it starts.
std::vector<unsigned char> strahler_orders(const Network& net);

// Streams of each order, as the passes of the engine walk them.
struct NetworkStats {
    long long pixels = 0;
    double share = 0.0;
    int highest_order = 0;
    std::vector<long long> streams;         // [k]: streams of order k (pass k's end points)
    std::vector<long long> longest_stream;  // [k]: points of the longest walk of pass k
};
NetworkStats network_stats(const Network& net);

// 64-bit FNV-1a of the sizes and the cells.
std::uint64_t network_checksum(const Network& net);

// Writers. Each returns false when its file cannot be written completely.
// base.raw and base.txt (lines, columns, 1, 0, 255, pixel size).
bool write_raw_network(const Network& net, const std::string& base, double pixel_size);
bool write_bmp_network(const Network& net, const std::string& path);
bool write_ascii_network(const Network& net, const std::string& path, double pixel_size,
                         double x_min = 0.0, double y_min = 0.0);
