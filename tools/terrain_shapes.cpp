// Terraces, washboard and carved beside-valleys on a terrain surface.

#include "tools/terrain_shapes.h"

#include <algorithm>
#include <cstdlib>

#include "tools/prng.h"
#include "tools/terrain_flow.h"

void flatten_terraces(std::vector<std::uint32_t>& h, int size, int percent) {
    const std::uint32_t band = 16 * slope_unit(size);
    const std::uint32_t flat = static_cast<std::uint32_t>(static_cast<unsigned long long>(band) *
                                                          static_cast<unsigned>(percent) / 100);
    for (std::uint32_t& v : h) {
        if (v % band < flat) v -= v % band;
    }
}

void add_washboard(std::vector<std::uint32_t>& h, int lig, int col, int size, int percent) {
    const std::uint32_t rise = static_cast<std::uint32_t>(
        static_cast<unsigned long long>(slope_unit(size)) * static_cast<unsigned>(percent) / 100);
    for (int l = 0; l < lig; ++l) {
        for (int c = (l + 1) % 2; c < col; c += 2) h[static_cast<std::size_t>(l) * col + c] += rise;
    }
}

void carve_beside(std::vector<std::uint32_t>& h, const std::vector<unsigned char>& dir, int lig,
                  int col, long long threshold, int percent, std::uint64_t seed) {
    const std::vector<std::uint32_t> order = flow_order(dir, col);
    std::vector<std::uint32_t> drained(dir.size(), 1);
    for (std::uint32_t p : order) {
        if (dir[p] != kFlowOut) drained[flow_receiver(dir, p, col)] += drained[p];
    }
    auto channel = [&](std::size_t p) { return drained[p] >= threshold; };
    auto inner = [&](std::size_t p) {
        const int l = static_cast<int>(p / col);
        const int c = static_cast<int>(p % col);
        return l > 0 && c > 0 && l < lig - 1 && c < col - 1;
    };
    auto touch = [&](std::size_t p, std::size_t q) {
        const long long dl = static_cast<long long>(p / col) - static_cast<long long>(q / col);
        const long long dc = static_cast<long long>(p % col) - static_cast<long long>(q % col);
        return std::max(std::llabs(dl), std::llabs(dc));  // 0 same, 1 neighbours
    };
    std::vector<char> carved(dir.size(), 0);
    const std::uint64_t salt = mix64(seed ^ 0x6265736964650000ULL);
    for (std::size_t j = 0; j < dir.size(); ++j) {
        if (!channel(j) || !inner(j)) continue;
        // The confluence's smallest channel inflow is the tributary.
        const int l = static_cast<int>(j / col);
        const int c = static_cast<int>(j % col);
        int inflows = 0;
        std::size_t trib = 0;
        for (int d = 0; d < 8; ++d) {
            const std::size_t q = static_cast<std::size_t>(l + kFlowDl[d]) * col + (c + kFlowDc[d]);
            if (!channel(q) || dir[q] == kFlowOut || flow_receiver(dir, q, col) != j) continue;
            if (inflows == 0 || drained[q] < drained[trib]) trib = q;
            ++inflows;
        }
        if (inflows < 2) continue;
        const std::uint64_t r = mix64(salt ^ j);
        if (r % 100 >= static_cast<std::uint64_t>(percent)) continue;
        const int want = 1 + static_cast<int>((r >> 32) % 5);
        // The stem below the confluence: stem[0] = j, stem[i + 1] flows from stem[i].
        std::size_t stem[7];
        int along = 0;
        stem[0] = j;
        while (along < want + 1 && inner(stem[along]) && dir[stem[along]] != kFlowOut) {
            stem[along + 1] = flow_receiver(dir, stem[along], col);
            ++along;
        }
        // The valley beside: each pixel touches the one before and the stem pixel `i` below
        // the confluence, side by side where it can.
        std::size_t path[6];
        int made = 0;
        std::size_t prev = trib;
        for (int i = 1; i <= std::min(want, along - 1); ++i) {
            std::size_t best = 0;
            int best_rank = 3;
            const int pl = static_cast<int>(prev / col);
            const int pc = static_cast<int>(prev % col);
            for (int d = 0; d < 8; ++d) {
                const std::size_t q =
                    static_cast<std::size_t>(pl + kFlowDl[d]) * col + (pc + kFlowDc[d]);
                if (!inner(q) || channel(q) || carved[q] || touch(q, stem[i]) != 1) continue;
                bool on_stem = q == trib;
                for (int s = 0; s <= along; ++s) on_stem = on_stem || q == stem[s];
                if (on_stem) continue;
                const bool side = (q / col == stem[i] / col) || (q % col == stem[i] % col);
                const int rank = side ? 1 : 2;
                if (rank < best_rank) {
                    best = q;
                    best_rank = rank;
                }
            }
            if (best_rank == 3) break;
            path[made++] = best;
            prev = best;
        }
        if (made == 0) continue;
        // Each pixel a quarter of the stem's drop into the stem pixel it touches above that
        // pixel: below the pixel before it, above the stem beside it.
        for (int i = 0; i < made; ++i) {
            const std::size_t below = stem[i + 1];
            const std::uint32_t drop = h[stem[i]] - h[below];
            const std::uint32_t floor = h[below] + std::max<std::uint32_t>(1, drop / 4);
            h[path[i]] = std::min(h[path[i]], floor);
            carved[path[i]] = 1;
        }
    }
}
