// Work over the lines of a grid split into bands, one thread each.
//
// Only work whose bands are independent goes here: each band writes its own lines and its own
// results, which the caller joins in band order, so the outcome is the same for every number of
// threads. (The walks of a pass split their starts, not lines: see shared_walks.h.)
#pragma once

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

// Bands of lines are worth a thread only from this many cells on.
inline constexpr long long kCellsPerThread = 1LL << 20;

// The number of bands for `lines` lines of `columns` cells with up to `threads` threads: 1 at
// least, even for no line.
inline int band_count(int threads, int lines, int columns) {
    const long long cells = static_cast<long long>(lines) * columns;
    const long long most = std::max(1LL, std::min<long long>(cells / kCellsPerThread, lines));
    return static_cast<int>(std::clamp<long long>(threads, 1, most));
}

// The number of parts of a list of `count` items with up to `threads` threads, a part for every
// `per_part` items at most: 1 at least.
inline int list_parts(int threads, long long count, long long per_part) {
    return static_cast<int>(std::clamp<long long>(threads, 1, std::max(1LL, count / per_part)));
}

// Calls work(band, first, last) for `bands` consecutive bands of the lines [begin, end), band 0
// on the calling thread and the others each on a thread of its own, and returns when all are
// done. An exception in a band is thrown again here once every band has ended.
template <typename Work>
void for_bands(int bands, int begin, int end, Work work) {
    const int lines = std::max(0, end - begin);
    bands = std::clamp(bands, 1, std::max(1, lines));
    auto first_of = [&](int b) {
        return begin + static_cast<int>(static_cast<long long>(lines) * b / bands);
    };
    std::vector<std::exception_ptr> failed(static_cast<std::size_t>(bands));
    auto run = [&](int b) {
        try {
            work(b, first_of(b), first_of(b + 1));
        } catch (...) {
            failed[static_cast<std::size_t>(b)] = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> threads;
        std::vector<int> here{0};  // bands run on the calling thread
        for (int b = 1; b < bands; ++b) {
            try {
                threads.emplace_back(run, b);
            } catch (const std::system_error&) {
                here.push_back(b);  // no thread to be had: the band runs here all the same
            }
        }
        for (int b : here) run(b);
    }
    for (const std::exception_ptr& e : failed) {
        if (e) std::rethrow_exception(e);
    }
}
