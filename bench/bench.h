// The measurements of the benchmark; each prints its own figures (see figures.h).
#pragma once

#include <string>

#include "bench/spawner.h"
#include "tools/network_generator.h"

// Rounds of each timed measurement; the best one is printed.
constexpr int kRounds = 2;

// One memcpy of a whole grid, the unit of the grid sweeps; returns its time in seconds.
double bench_grid_sweep(const Network& net);

// The library's ASCII grid writer and reader against one fprintf / fscanf per cell, on files in
// folder `work`.
void bench_ascii(const Network& net, const std::string& work);

// A whole run of the program, raw to raw, dialogue on standard input, against a copy of the
// input file; and the peak memory of the run. `work` holds images/Bench/net.raw + net.txt.
void bench_whole_run(Spawner& spawner, const Network& net, const std::string& work,
                     const std::string& program, int last_order);

// The order engine without step images, the fast one against the reference.
void bench_engines(const Network& net, const std::string& work, int last_order, double sweep);
