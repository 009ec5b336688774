#include "run/map_lengths.h"

#include "engine/links.h"
#include "engine/neighbours.h"

double half_steps_m(const LengthRule& rule, const LoadedNetwork& n, int i, int j) {
    const unsigned links =
        linked(loaded_mask_anywhere(n.tab1, n.tab5, n.net, n.nb_lig, n.nb_col, i, j));
    double sum = 0.0;
    for (int k = 0; k < 8; ++k) {
        if (links >> k & 1u)
            sum += 0.5 * step_length_m(rule, i, j, i + kNeighbours[k].di, j + kNeighbours[k].dj);
    }
    return sum;
}

namespace {

double segment_length(const std::vector<PixelIndex>& path, const LengthRule& rule,
                      const LoadedNetwork& n) {
    double sum = 0.0;
    for (std::size_t p = 0; p + 1 < path.size(); ++p) {
        sum += half_steps_m(rule, n, static_cast<int>(path[p] / n.nb_col),
                            static_cast<int>(path[p] % n.nb_col));
    }
    if (path.size() > 1) {
        const PixelIndex a = path[path.size() - 2];
        const PixelIndex b = path.back();
        sum += 0.5 * step_length_m(rule, static_cast<int>(a / n.nb_col),
                                   static_cast<int>(a % n.nb_col), static_cast<int>(b / n.nb_col),
                                   static_cast<int>(b % n.nb_col));
    }
    return sum;
}

}  // namespace

PixelPath pixel_path(const std::vector<PixelIndex>& path, int nb_col) {
    PixelPath out;
    out.reserve(path.size());
    for (PixelIndex p : path) {
        out.emplace_back(static_cast<int>(p / nb_col), static_cast<int>(p % nb_col));
    }
    return out;
}

double remeasure_lengths(OrderRecord& record, const LengthRule& rule,
                         const LoadedNetwork& network) {
    double total = 0.0;
    for (std::size_t p = 0; p < record.passes.size(); ++p) {
        PassRecord& pass = record.passes[p];
        const std::size_t end = p + 1 < record.passes.size() ? record.passes[p + 1].first_segment
                                                             : record.segments.size();
        pass.total = 0.0;
        for (std::size_t i = pass.first_segment; i < end; ++i) {
            TracedSegment& seg = record.segments[i];
            seg.length = segment_length(seg.path, rule, network);
            pass.total += seg.length;
        }
        total += pass.total;
    }
    return total;
}
