#include "formats/report_lines.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstring>

#include "base/bands.h"

namespace {

// "\n\t\tsegment %d num_pix %d length %lf " without the formatted-output machinery: a pass of a
// large raster lists hundreds of thousands of segments. The fixed notation with six decimals is
// the one "%lf" prints, digit for digit. Appends the line to `text`.
void add_segment_line(std::string& text, int l, int points, double length) {
    char line[400];
    char* p = line;
    char* const end = line + sizeof line;
    auto add = [&](const char* t) {
        const std::size_t n = std::strlen(t);
        std::memcpy(p, t, n);
        p += n;
    };
    add("\n\t\tsegment ");
    p = std::to_chars(p, end, l).ptr;
    add(" num_pix ");
    p = std::to_chars(p, end, points).ptr;
    add(" length ");
    p = std::to_chars(p, end, length, std::chars_format::fixed, 6).ptr;
    add(" ");
    text.append(line, static_cast<std::size_t>(p - line));
}

// Walks whose lines a thread formats at a time: the text of a piece is held until it is written
// (under half a megabyte, at the peak of a run's memory).
constexpr int kWalksAPiece = 8192;
constexpr std::size_t kLineBytes = 48;  // room for a line of usual numbers; more grows the text

}  // namespace

void report_heading(std::FILE* info, const std::string& river, const std::string& result) {
    std::fprintf(info, "\n\t\tBRANCHRANKER ");
    std::fprintf(info, "\n\n\tRiver File : %s ", river.c_str());
    std::fprintf(info, "\n\tResulting image : %s ", result.c_str());
}

void report_network_value(std::FILE* info, int val_red) {
    std::fprintf(info, "\n\n\tGray tone value of the drainage network : %d ", val_red);
}

void report_last_order(std::FILE* info, int last_order) {
    std::fprintf(info, "\n\n\tLast order : %d ", last_order);
}

void report_steps_saved(std::FILE* info) {
    std::fprintf(info, "\n\n\tAll steps of calculation saved ");
}

void report_points_image(std::FILE* info, const std::string& path, bool saved) {
    std::fprintf(info, saved ? "\n\n\t%s saved " : "\n\n\t%s could not be saved ", path.c_str());
}

void report_segments_image(std::FILE* info, const std::string& path, bool saved) {
    std::fprintf(info, saved ? "\n\t%s saved" : "\n\t%s could not be saved", path.c_str());
}

void report_pass(std::FILE* info, int k, int segments, const std::vector<int>& points,
                 const std::vector<double>& lengths, const std::vector<char>& counted, double total,
                 int threads) {
    std::fprintf(info, "\n\n\tOrder number %d ", k);
    std::fprintf(info, "\n\n\t\tNumber of segments : %d ", segments);
    // Pieces of the walks formatted side by side, written in walk order; a piece numbers its
    // lines on from the counted walks before it.
    const auto walks = static_cast<int>(lengths.size());
    const int pieces = list_parts(threads, walks, kWalksAPiece);
    std::vector<std::string> text(static_cast<std::size_t>(pieces));
    int l = 0;  // lines written
    for (int from = 0; from < walks; from += pieces * kWalksAPiece) {
        const int to =
            static_cast<int>(std::min<long long>(walks, from + 1LL * pieces * kWalksAPiece));
        for_bands(pieces, from, to, [&](int piece, int first, int last) {
            auto counted_from = [&](int a, int b) {
                return static_cast<int>(std::count(counted.begin() + a, counted.begin() + b, 1));
            };
            int line = l + counted_from(from, first);
            std::string& piece_text = text[static_cast<std::size_t>(piece)];
            piece_text.clear();
            piece_text.reserve(static_cast<std::size_t>(last - first) * kLineBytes);
            for (int walk = first; walk < last; ++walk) {
                const auto w = static_cast<std::size_t>(walk);
                if (counted[w]) add_segment_line(piece_text, ++line, points[w], lengths[w]);
            }
        });
        for (const std::string& t : text) std::fwrite(t.data(), 1, t.size(), info);
        l += static_cast<int>(std::count(counted.begin() + from, counted.begin() + to, 1));
    }
    std::fprintf(info, "\n\n\t\tTotal length = %lf meters ", total);
}

void report_closing(std::FILE* info, double red_length, const std::string& result, bool written) {
    std::fprintf(info, "\n\n\tTotal drainage network length = %lf meters ", red_length);
    if (written) {
        std::fprintf(info, "\n\n\tName of the resulting file : %s ", result.c_str());
    } else {
        std::fprintf(info, "\n\n\tThe resulting file %s could not be written ", result.c_str());
    }
}

std::string unsound_block(long long loop_pixels, int borderless_parts) {
    return unsound_block(loop_pixels, borderless_parts, 0);
}

std::string unsound_block(long long loop_pixels, int borderless_parts, long long between_contacts) {
    return unsound_block(loop_pixels, borderless_parts, between_contacts, 0, 0);
}

std::string unsound_block(long long loop_pixels, int borderless_parts, long long between_contacts,
                          int inflows, long long inflow_pixels) {
    if (loop_pixels == 0 && borderless_parts == 0 && between_contacts == 0 && inflows == 0)
        return "";
    std::string text = "\n\n\tNot ordered soundly:";
    char line[300];
    if (loop_pixels > 0) {
        std::snprintf(line, sizeof line,
                      "\n\t\tNetwork pixels left without an order on closed loops: %lld ",
                      loop_pixels);
        text += line;
    }
    if (borderless_parts > 0) {
        std::snprintf(line, sizeof line,
                      "\n\t\tParts of the network that touch the image border nowhere: %d (the"
                      " outlet of each is read as a source, so the orders along its main stream"
                      " are too low) ",
                      borderless_parts);
        text += line;
    }
    if (between_contacts > 0) {
        std::snprintf(line, sizeof line,
                      "\n\t\tNetwork pixels left without an order between two contacts with the"
                      " image border or NoData: %lld (streams that enter and leave the image: no"
                      " pass starts them, as neither end is a source) ",
                      between_contacts);
        text += line;
    }
    if (inflows > 0) {
        std::snprintf(line, sizeof line,
                      "\n\t\tStreams that enter the image, read as sources (inflows): %d; the"
                      " orders of the %lld network pixels from them down to their outlets are"
                      " lower bounds ",
                      inflows, inflow_pixels);
        text += line;
    }
    return text;
}
