#include "engine/left_graph.h"

#include <algorithm>
#include <utility>

#include "base/bands.h"
#include "engine/flag_scan.h"
#include "engine/links.h"

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
    // The pixels left, with their links read while their lines are at hand (the pixels left lie
    // far apart: read one by one later, each would cost a miss of the cache).
    const int line_bands = band_count(threads, g.nb_lig, g.nb_col);
    std::vector<std::vector<PixelIndex>> found(static_cast<std::size_t>(line_bands));
    std::vector<std::vector<unsigned char>> found_links(static_cast<std::size_t>(line_bands));
    for_bands(line_bands, 0, g.nb_lig, [&](int band, int first, int last) {
        std::vector<PixelIndex>& some = found[static_cast<std::size_t>(band)];
        std::vector<unsigned char>& links = found_links[static_cast<std::size_t>(band)];
        for (int i = first; i < last; ++i) {
            for_each_equal(g.tab1[i], g.nb_col, static_cast<unsigned char>(g.net), [&](int j) {
                some.push_back(static_cast<PixelIndex>(i) * g.nb_col + j);
                links.push_back(static_cast<unsigned char>(links_of(g, i, j)));
            });
        }
    });
    std::vector<PixelIndex> pixels;
    join_pieces(found, pixels);
    std::vector<unsigned char> links;
    join_pieces(found_links, links);
    graph.index = index_of_pixels(std::move(pixels), g.nb_lig, g.nb_col);
    const std::vector<PixelIndex>& keys = graph.pixels();

    // The far pixel of each link, found among the pixels left from where the lines above and
    // below its pixel begin, which only grow with the pixel.
    const auto n = static_cast<int>(keys.size());
    const PixelIndex line = g.nb_col;
    const int runs = list_parts(threads, n, 4096);
    std::vector<std::vector<int>> to(static_cast<std::size_t>(runs));
    std::vector<std::vector<unsigned char>> count(static_cast<std::size_t>(runs));
    for_bands(runs, 0, n, [&](int run, int first, int last) {
        std::vector<int>& links_to = to[static_cast<std::size_t>(run)];
        std::vector<unsigned char>& per_pixel = count[static_cast<std::size_t>(run)];
        auto place_from = [&](std::size_t at, PixelIndex p) {
            while (at < keys.size() && keys[at] < p) ++at;
            return at;
        };
        std::size_t up = 0;
        std::size_t down = 0;
        if (first < last) {
            const PixelIndex p = keys[static_cast<std::size_t>(first)];
            up = static_cast<std::size_t>(std::lower_bound(keys.begin(), keys.end(), p - line - 1) -
                                          keys.begin());
            down = static_cast<std::size_t>(
                std::lower_bound(keys.begin(), keys.end(), p + line - 1) - keys.begin());
        }
        for (int a = first; a < last; ++a) {
            const auto here = static_cast<std::size_t>(a);
            const PixelIndex p = keys[here];
            up = place_from(up, p - line - 1);
            down = place_from(down, p + line - 1);
            const unsigned linked = links[here];
            int near[8];
            neighbour_places(keys, here, up, down, g.nb_col, near);
            const std::size_t before = links_to.size();
            for (int k = 0; k < 8; ++k) {
                if ((linked >> k & 1u) && near[k] >= 0) links_to.push_back(near[k]);
            }
            per_pixel.push_back(static_cast<unsigned char>(links_to.size() - before));
        }
    });
    graph.first.reserve(keys.size() + 1);
    std::size_t links_before = 0;
    for (const std::vector<unsigned char>& per_pixel : count) {
        for (const unsigned char some : per_pixel) {
            graph.first.push_back(links_before);
            links_before += some;
        }
    }
    if (to.size() > 1) graph.to.reserve(links_before);
    join_pieces(to, graph.to);
    graph.first.push_back(graph.to.size());
    return graph;
}
