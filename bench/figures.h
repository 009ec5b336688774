// Output of the benchmark: one figure a line, "name value unit", for scripts to read.
#pragma once

#include <chrono>
#include <cstdio>

inline void figure(const char* name, double value, const char* unit) {
    std::printf("%s %.6g %s\n", name, value, unit);
    std::fflush(stdout);
}

using BenchClock = std::chrono::steady_clock;

inline double seconds_since(BenchClock::time_point start) {
    return std::chrono::duration<double>(BenchClock::now() - start).count();
}

// Ratio of two timings, 0 when the second is too small to measure.
inline double ratio(double a, double b) {
    return b > 0.0 ? a / b : 0.0;
}
