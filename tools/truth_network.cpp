// Figures, checksum and raw file of a truth grid.

#include "tools/truth_network.h"

#include <cstdio>
#include <memory>

#include "tools/fnv.h"

TruthFigures truth_figures(const TruthNetwork& t) {
    TruthFigures f;
    f.pixels_of_order.assign(64, 0);
    for (unsigned char v : t.truth) {
        if (v == kOffNetwork) continue;
        ++f.network;
        if (v == kJunctionZone) {
            ++f.junction;
        } else {
            ++f.scored;
            if (v < 64) ++f.pixels_of_order[v];
        }
    }
    return f;
}

std::uint64_t truth_checksum(const TruthNetwork& t) {
    std::uint64_t h = kFnvOffsetBasis;
    const int sizes[2] = {t.net.nb_lig, t.net.nb_col};
    for (int s : sizes) {
        const unsigned char b[4] = {
            static_cast<unsigned char>(s), static_cast<unsigned char>(s >> 8),
            static_cast<unsigned char>(s >> 16), static_cast<unsigned char>(s >> 24)};
        fnv1a(h, b, 4);
    }
    fnv1a(h, t.net.cells.data(), t.net.cells.size());
    fnv1a(h, t.truth.data(), t.truth.size());
    return h;
}

bool write_truth_raw(const TruthNetwork& t, const std::string& path) {
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> f(std::fopen(path.c_str(), "wb"));
    if (!f) return false;
    const bool data = std::fwrite(t.truth.data(), 1, t.truth.size(), f.get()) == t.truth.size();
    return std::fclose(f.release()) == 0 && data;
}
