#include "cli/map_lengths.h"

PixelPath pixel_path(const std::vector<PixelIndex>& path, int nb_col) {
    PixelPath out;
    out.reserve(path.size());
    for (PixelIndex p : path) {
        out.emplace_back(static_cast<int>(p / nb_col), static_cast<int>(p % nb_col));
    }
    return out;
}

double remeasure_lengths(OrderRecord& record, const LengthRule& rule, int nb_col) {
    double network = 0.0;
    for (std::size_t p = 0; p < record.passes.size(); ++p) {
        PassRecord& pass = record.passes[p];
        const std::size_t end = p + 1 < record.passes.size() ? record.passes[p + 1].first_segment
                                                             : record.segments.size();
        pass.total = 0.0;
        for (std::size_t i = pass.first_segment; i < end; ++i) {
            TracedSegment& seg = record.segments[i];
            seg.length = path_length_m(rule, pixel_path(seg.path, nb_col));
            pass.total += seg.length;
        }
        network += pass.total;
    }
    return network;
}
