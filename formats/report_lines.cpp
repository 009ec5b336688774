#include "formats/report_lines.h"

#include <charconv>
#include <cstddef>
#include <cstring>

namespace {

// "\n\t\tsegment %d num_pix %d length %lf " without the formatted-output machinery: a pass of a
// large raster lists hundreds of thousands of segments. The fixed notation with six decimals is
// the one "%lf" prints, digit for digit.
void write_segment_line(std::FILE* info, int l, int points, double length) {
    char line[400];
    char* p = line;
    char* const end = line + sizeof line;
    auto text = [&](const char* t) {
        const std::size_t n = std::strlen(t);
        std::memcpy(p, t, n);
        p += n;
    };
    text("\n\t\tsegment ");
    p = std::to_chars(p, end, l).ptr;
    text(" num_pix ");
    p = std::to_chars(p, end, points).ptr;
    text(" length ");
    p = std::to_chars(p, end, length, std::chars_format::fixed, 6).ptr;
    text(" ");
    std::fwrite(line, 1, static_cast<std::size_t>(p - line), info);
}

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
                 const std::vector<double>& lengths, const std::vector<char>& counted,
                 double total) {
    std::fprintf(info, "\n\n\tOrder number %d ", k);
    std::fprintf(info, "\n\n\t\tNumber of segments : %d ", segments);
    int l = 0;
    for (std::size_t walk = 0; walk < lengths.size(); ++walk) {
        if (!counted[walk]) continue;
        ++l;
        write_segment_line(info, l, points[walk], lengths[walk]);
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
    if (loop_pixels == 0 && borderless_parts == 0) return "";
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
    return text;
}
