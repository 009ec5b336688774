#include "formats/gis/horton_png.h"

#include <cairo.h>
#include <librsvg/rsvg.h>

#include <memory>

#include "formats/gis/horton_svg.h"
#include "formats/gis/pending_dataset.h"

namespace {

// The size the SVG document declares (its width and height attributes), in pixels.
constexpr int kWidth = 640;
constexpr int kHeight = 420;

struct SurfaceFree {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextFree {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
struct HandleFree {
    void operator()(RsvgHandle* h) const { g_object_unref(h); }
};
struct ErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};

cairo_status_t append(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::string horton_png_bytes(const HortonFigures& figures, std::string& error) {
    const std::string svg = horton_svg_text(figures);
    GError* raw_error = nullptr;
    std::unique_ptr<RsvgHandle, HandleFree> handle(rsvg_handle_new_from_data(
        reinterpret_cast<const guint8*>(svg.data()), svg.size(), &raw_error));
    std::unique_ptr<GError, ErrorFree> failed(raw_error);
    if (!handle) {
        error = std::string("the plot could not be read for drawing (") +
                (failed ? failed->message : "librsvg") + ")";
        return {};
    }
    std::unique_ptr<cairo_surface_t, SurfaceFree> surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight));
    std::unique_ptr<cairo_t, ContextFree> cr(cairo_create(surface.get()));
    // Cairo reports a failed allocation through the status of what it made, never by aborting.
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS ||
        cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
        error = "not enough memory to draw the plot";
        return {};
    }
    const RsvgRectangle viewport{0, 0, kWidth, kHeight};
    if (!rsvg_handle_render_document(handle.get(), cr.get(), &viewport, &raw_error)) {
        failed.reset(raw_error);
        error = std::string("the plot could not be drawn (") +
                (failed ? failed->message : "librsvg") + ")";
        return {};
    }
    cairo_surface_flush(surface.get());
    std::string png;
    if (cairo_surface_write_to_png_stream(surface.get(), append, &png) != CAIRO_STATUS_SUCCESS) {
        error = "the plot could not be encoded as PNG";
        return {};
    }
    return png;
}

bool write_horton_png(const std::string& path, const HortonFigures& figures, std::string& error) {
    std::string why;
    const std::string png = horton_png_bytes(figures, why);
    if (png.empty()) {
        error = path + ": " + why;
        return false;
    }
    return write_text_file(path, png, error);
}
