#include "formats/gis/horton_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "formats/gis/pending_dataset.h"

namespace {

constexpr double kWidth = 640, kHeight = 420;
constexpr double kLeft = 70, kRight = 180, kTop = 30, kBottom = 60;  // margins, px

std::string fmt(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

struct Frame {
    double x0 = 1, x1 = 2, y0 = 0, y1 = 1;  // data ranges
    double px(double x) const { return kLeft + (x - x0) / (x1 - x0) * (kWidth - kLeft - kRight); }
    double py(double y) const {
        return kHeight - kBottom - (y - y0) / (y1 - y0) * (kHeight - kTop - kBottom);
    }
};

Frame frame_of(const HortonFigures& h) {
    Frame f;
    bool any = false;
    for (const HortonSeries* s : {&h.count, &h.mean_length})
        for (std::size_t i = 0; i < s->order.size(); ++i) {
            if (!any) {
                f.x0 = f.x1 = s->order[i];
                f.y0 = f.y1 = s->log10_value[i];
                any = true;
            }
            f.x0 = std::min(f.x0, s->order[i]);
            f.x1 = std::max(f.x1, s->order[i]);
            f.y0 = std::min(f.y0, s->log10_value[i]);
            f.y1 = std::max(f.y1, s->log10_value[i]);
        }
    f.x0 = std::floor(f.x0) - 0.5;
    f.x1 = std::ceil(f.x1) + 0.5;
    f.y0 = std::floor(f.y0 - 0.25);
    f.y1 = std::ceil(f.y1 + 0.25);
    return f;
}

std::string series_svg(const Frame& f, const HortonSeries& s, const char* colour, bool squares) {
    std::string out;
    for (std::size_t i = 0; i < s.order.size(); ++i) {
        const double x = f.px(s.order[i]), y = f.py(s.log10_value[i]);
        if (squares)
            out += "<rect x=\"" + fmt("%.2f", x - 4) + "\" y=\"" + fmt("%.2f", y - 4) +
                   "\" width=\"8\" height=\"8\" fill=\"" + colour + "\"/>\n";
        else
            out += "<circle cx=\"" + fmt("%.2f", x) + "\" cy=\"" + fmt("%.2f", y) +
                   "\" r=\"4.5\" fill=\"" + colour + "\"/>\n";
    }
    if (s.fitted) {
        const double a = s.order.front(), b = s.order.back();
        out += "<line x1=\"" + fmt("%.2f", f.px(a)) + "\" y1=\"" +
               fmt("%.2f", f.py(s.intercept + s.slope * a)) + "\" x2=\"" + fmt("%.2f", f.px(b)) +
               "\" y2=\"" + fmt("%.2f", f.py(s.intercept + s.slope * b)) + "\" stroke=\"" + colour +
               "\" stroke-width=\"1.5\"/>\n";
    }
    return out;
}

std::string ratio_text(const char* name, bool fitted, double ratio) {
    return std::string(name) + (fitted ? fmt(" = %.3f", ratio) : " : no line");
}

}  // namespace

std::string horton_svg_text(const HortonFigures& h) {
    const Frame f = frame_of(h);
    const double bottom = kHeight - kBottom, right = kWidth - kRight;
    std::string s =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"640\" height=\"420\" "
        "viewBox=\"0 0 640 420\" font-family=\"sans-serif\" font-size=\"12\">\n"
        "<rect width=\"640\" height=\"420\" fill=\"white\"/>\n";
    // Axes, with a tick at every whole order and every whole log10 value.
    s += "<path d=\"M" + fmt("%.2f", kLeft) + " " + fmt("%.2f", kTop) + " V" + fmt("%.2f", bottom) +
         " H" + fmt("%.2f", right) + "\" fill=\"none\" stroke=\"black\"/>\n";
    for (double o = std::ceil(f.x0); o <= f.x1; o += 1.0)
        s += "<text x=\"" + fmt("%.2f", f.px(o)) + "\" y=\"" + fmt("%.2f", bottom + 18) +
             "\" text-anchor=\"middle\">" + fmt("%.0f", o) + "</text>\n";
    for (double v = f.y0; v <= f.y1; v += 1.0)
        s += "<text x=\"" + fmt("%.2f", kLeft - 8) + "\" y=\"" + fmt("%.2f", f.py(v) + 4) +
             "\" text-anchor=\"end\">" + fmt("%.0f", v) + "</text>\n";
    s += "<text x=\"" + fmt("%.2f", (kLeft + right) / 2) + "\" y=\"" + fmt("%.2f", kHeight - 20) +
         "\" text-anchor=\"middle\">Strahler order</text>\n";
    s += "<text transform=\"translate(20 " + fmt("%.2f", (kTop + bottom) / 2) +
         ") rotate(-90)\" text-anchor=\"middle\">log10</text>\n";
    s += series_svg(f, h.count, "#1f4fd1", false);
    s += series_svg(f, h.mean_length, "#d12a1f", true);
    // Legend and ratios in the right margin.
    const double lx = right + 15;
    s += "<circle cx=\"" + fmt("%.2f", lx) + "\" cy=\"40\" r=\"4.5\" fill=\"#1f4fd1\"/>\n";
    s += "<text x=\"" + fmt("%.2f", lx + 10) + "\" y=\"44\">segment count</text>\n";
    s += "<rect x=\"" + fmt("%.2f", lx - 4) +
         "\" y=\"56\" width=\"8\" height=\"8\" "
         "fill=\"#d12a1f\"/>\n";
    s += "<text x=\"" + fmt("%.2f", lx + 10) + "\" y=\"64\">mean length (m)</text>\n";
    s += "<text x=\"" + fmt("%.2f", lx - 5) + "\" y=\"100\">" +
         ratio_text("Bifurcation ratio", h.count.fitted, h.bifurcation_ratio) + "</text>\n";
    s += "<text x=\"" + fmt("%.2f", lx - 5) + "\" y=\"120\">" +
         ratio_text("Length ratio", h.mean_length.fitted, h.length_ratio) + "</text>\n";
    s += "</svg>\n";
    return s;
}

bool write_horton_svg(const std::string& path, const HortonFigures& figures, std::string& error) {
    return write_text_file(path, horton_svg_text(figures), error);
}
