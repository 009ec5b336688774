// The order engine: the passes k = 1..last_order over a loaded network, each labelling with k
// the pixels its walks trace, which is their Strahler order. Every input of a run is in
// EngineGrids and EngineOptions, every output in the grids and EngineResult; each pass is
// reported to the front end's PassEvents as it ends. The engine prints nothing, waits for
// nothing and writes no file.
#pragma once

#include <array>

struct PassEvents;

// Passes at most: the orders a byte grid holds beside 255 (no order) and the reserved bytes.
inline constexpr int kMostOrders = 63;

struct EngineGrids {
    // lines x columns bytes each, line 0 the top line.
    unsigned char** network = nullptr;  // the network as loaded; traced pixels are erased (255)
    // The points of the pass (2 end point, 3 junction or border, 255 none), kept up to date for
    // the step images; null when none are wanted.
    unsigned char** points = nullptr;
    unsigned char** orders = nullptr;  // written whole: the order of every traced pixel, else 255
    int lines = 0;
    int columns = 0;
};

struct EngineOptions {
    int network_value = 0;  // the byte of a network pixel in `network`, 0..254
    // The byte of a cell outside the image (NoData of a GIS raster; never the network value,
    // never 255), or -1: a network pixel beside one ends walks as a border pixel does.
    int outside_value = -1;
    double pixel_size_m = 0.0;     // side of one pixel; lengths are half-steps of it
    int last_order = kMostOrders;  // passes to report, 0..kMostOrders
    int threads = 1;               // for the work split into bands of lines; same outputs
    // The passes are shown one by one, the points grid kept for each (the run that finds the
    // loops is then never reported as it stands).
    bool step_images = false;
    // A drawing (strokes drawn by hand or by a program, not the cells of a flow grid): the apex
    // of a sharp bend is read as part of its line (sharp_bends.h).
    bool drawing = false;
    // The cells of a flow grid (channels from flow directions and a threshold on the area
    // drained): the network is read as a forest in which every pixel drains to one neighbour
    // (flow_forest.h), and the passes run on its links (forest_passes.h). Not with `drawing`.
    bool flow_grid = false;
    // Bytes the lists of a network that no pass can prune (all network, a fishnet) may take
    // (network_core.h), or 0 for no limit: a network nearly all of which is such a core and
    // would need more is refused before the passes (EngineResult::core_refused).
    long long core_budget = 0;
};

struct EngineResult {
    std::array<int, kMostOrders + 1> segments{};  // [k]: walks of pass k that ended on a
                                                  // junction or the border
    double total_length = 0.0;                    // metres, the pass totals in pass order
    // What could not be ordered soundly, found once the network is used up.
    long long loop_pixels = 0;  // network pixels left on, or hanging from, closed loops
    int borderless_parts = 0;   // parts touching the border nowhere: their outlet is read as a
                                // source, so the orders along their main stream are too low
    // Refused for its core (core_budget): the core's pixels and the network's, and nothing run.
    long long core_refused = 0;
    long long core_network = 0;
    // Read as a flow grid: the network pixels of a network refused for its density (more than a
    // quarter of the image, and the forest beyond core_budget), and nothing run.
    long long flow_refused = 0;
};

EngineResult order_network(const EngineGrids& grids, const EngineOptions& options,
                           PassEvents& events);
