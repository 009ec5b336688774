#include "engine/left_graph.h"

#include <algorithm>
#include <utility>

#include "base/bands.h"
#include "engine/flag_scan.h"
#include "engine/links.h"
#include "engine/neighbours.h"

namespace {

// Appends every piece to `all`, letting go of each once it is in (a single piece is moved).
template <typename T>
void join_pieces(std::vector<std::vector<T>>& pieces, std::vector<T>& all) {
    if (pieces.size() == 1 && all.empty()) {
        all = std::move(pieces[0]);
        return;
    }
    for (std::vector<T>& piece : pieces) {
        all.insert(all.end(), piece.begin(), piece.end());
        std::vector<T>().swap(piece);
    }
}

}  // namespace

LeftGraph left_graph(const WalkGrids& g, int threads) {
    LeftGraph graph;
    const int line_bands = band_count(threads, g.nb_lig, g.nb_col);
    std::vector<std::vector<PixelIndex>> found(static_cast<std::size_t>(line_bands));
    for_bands(line_bands, 0, g.nb_lig, [&](int band, int first, int last) {
        std::vector<PixelIndex>& some = found[static_cast<std::size_t>(band)];
        for (int i = first; i < last; ++i) {
            for_each_equal(g.tab1[i], g.nb_col, static_cast<unsigned char>(g.net), [&](int j) {
                some.push_back(static_cast<PixelIndex>(i) * g.nb_col + j);
            });
        }
    });
    std::vector<PixelIndex> pixels;
    join_pieces(found, pixels);
    graph.index = index_of_pixels(std::move(pixels), g.nb_lig, g.nb_col);
    const PixelMap& index = graph.index;

    // The links of runs of pixels side by side, joined in pixel order.
    const auto n = static_cast<int>(graph.pixels().size());
    const int runs = list_parts(threads, n, 4096);
    std::vector<std::vector<int>> to(static_cast<std::size_t>(runs));
    std::vector<std::vector<unsigned char>> count(static_cast<std::size_t>(runs));
    for_bands(runs, 0, n, [&](int run, int first, int last) {
        std::vector<int>& links_to = to[static_cast<std::size_t>(run)];
        std::vector<unsigned char>& per_pixel = count[static_cast<std::size_t>(run)];
        const PixelDivider split(g.nb_col);
        const std::span<const PixelIndex> run_pixels(graph.pixels().data() + first,
                                                     static_cast<std::size_t>(last - first));
        for (int a = first; a < last; ++a) {
            // The pixels left lie far apart.
            g.prefetch_ahead(run_pixels, static_cast<std::size_t>(a - first), split);
            const PixelIndex p = graph.pixels()[static_cast<std::size_t>(a)];
            const auto [i, j] = split(p);
            const unsigned links = links_of(g, i, j);
            const std::size_t before = links_to.size();
            for (int k = 0; k < 8; ++k) {
                if (!(links >> k & 1u)) continue;
                const int b =
                    index.place(static_cast<PixelIndex>(i + kNeighbours[k].di) * g.nb_col + j +
                                kNeighbours[k].dj);
                if (b >= 0) links_to.push_back(b);
            }
            per_pixel.push_back(static_cast<unsigned char>(links_to.size() - before));
        }
    });
    graph.first.reserve(graph.pixels().size() + 1);
    std::size_t links_before = 0;
    for (const std::vector<unsigned char>& per_pixel : count) {
        for (const unsigned char links : per_pixel) {
            graph.first.push_back(links_before);
            links_before += links;
        }
    }
    if (to.size() > 1) graph.to.reserve(links_before);
    join_pieces(to, graph.to);
    graph.first.push_back(graph.to.size());
    return graph;
}
