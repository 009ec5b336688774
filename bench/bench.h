// The measurements of the benchmark; each prints its own figures (see figures.h).
#pragma once

#include <string>
#include <vector>

#include "bench/spawner.h"
#include "tools/network_generator.h"

// What every measurement shares: timed figures are the best of `rounds` rounds.
struct BenchSetup {
    int rounds = 3;
    std::string program;        // the branchranker program
    std::string floor_program;  // the yardstick of a whole run (floor_main.cpp)
    std::string work;           // a scratch folder
};

// One memcpy of a whole grid, the unit of the grid sweeps; returns its time in seconds.
double bench_grid_sweep(const Network& net);

// The library's ASCII grid writer and reader against one fprintf / fscanf per cell.
void bench_ascii(const Network& net, const BenchSetup& b);

// A whole run of the program, raw to raw, dialogue on standard input, against the floor (read,
// one 3 x 3 sweep, write) and a copy of the input file; and the peak memory of the run. Figure
// names begin with `prefix`; `clean` networks are also checked against their Strahler orders.
void bench_whole_run(Spawner& spawner, const Network& net, const BenchSetup& b, int last_order,
                     const std::string& prefix, bool clean);

// Whole command-line runs of the network as DEFLATE-compressed tiled GeoTIFFs of three types
// (Byte; Int16 and Float32 with NoData), each against the Byte run (bench_gis.cpp).
void bench_gis_runs(Spawner& spawner, const Network& net, const BenchSetup& b);

// A network other than the clean forest (drawn, terrain), named in its figures.
struct OtherNetwork {
    const char* name;
    const Network* net;
    int last_order;
    long long network_pixels;
};

// The order engine without step images: the fast one against the reference on the clean
// network (of `network_pixels` network pixels), and on each of the others beside the clean one,
// per pixel of the image and per network pixel.
void bench_engines(const Network& net, long long network_pixels,
                   const std::vector<OtherNetwork>& others, const BenchSetup& b, int last_order,
                   double sweep);
