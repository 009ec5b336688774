// A generated network together with its truth: the Strahler order each pixel should receive and
// the number of streams of each order, both computed from the abstract tree the network was drawn
// from (never from the raster's adjacency).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/network_generator.h"

// Values of the truth grid besides the orders 1..63.
constexpr unsigned char kOffNetwork = 255;    // background pixel
constexpr unsigned char kJunctionZone = 254;  // network pixel where strokes meet: not scored

struct TruthNetwork {
    Network net;
    // Row-major like net.cells: the true order of every network pixel, kJunctionZone where no
    // single order is sound, kOffNetwork off the network.
    std::vector<unsigned char> truth;
    // streams[k], k = 0..highest_order: true streams of order k (streams[0] is 0). A stream is a
    // maximal chain of same-order pieces, from its source or from the confluence where its order
    // begins to where it joins a higher order or leaves the image.
    std::vector<long long> streams;
    int highest_order = 0;
    int braids = 0;  // closed loops drawn (drawn networks)
    int vbends = 0;  // strokes drawn as a sharp V (drawn networks)
    int uturns = 0;  // strokes drawn with a U-turn that touches (drawn networks)
    // Terrain networks: the D8 direction of every pixel, row-major (0..7: N, NE, E, SE, S, SW,
    // W, NW; 8: out of the image). Empty for drawn networks.
    std::vector<unsigned char> flow;
};

// Pixels of each kind in a truth grid.
struct TruthFigures {
    long long network = 0;                   // pixels on the network
    long long scored = 0;                    // network pixels with an order
    long long junction = 0;                  // network pixels in a junction zone
    std::vector<long long> pixels_of_order;  // [k]: scored pixels of order k, k = 0..63
};
TruthFigures truth_figures(const TruthNetwork& t);

// 64-bit FNV-1a of the sizes, the cells and the truth grid.
std::uint64_t truth_checksum(const TruthNetwork& t);

// Writes the truth grid as a raw file of nb_lig x nb_col bytes; false when not written whole.
bool write_truth_raw(const TruthNetwork& t, const std::string& path);
