// What the Cairo canvas's opaque handles are. Brushes hold a ready Cairo pattern; pens,
// formats and paths hold their parameters until a drawing call applies them.
#pragma once

#include "editor/canvas.h"
#include "platform/layer_key.h"
#include "platform/x11/cairo_font_chain.h"
#include "platform/x11/cairo_text_layout.h"

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Canvas {
    cairo_t* cr = nullptr;
    CanvasLayer* layer = nullptr; // the window's layer; null on a layer's own canvas
    double scale = 1.0;           // target pixels per logical pixel
};

struct CanvasBrush {
    cairo_pattern_t* pattern = nullptr;
};

struct CanvasPen {
    std::uint32_t argb = 0;
    float width = 1.0f;
    CanvasDashStyle dash = DashStyleSolid;
};

struct CanvasFontFamily {
    std::string name; // UTF-8, as fontconfig wants it
};

struct CanvasFont {
    std::shared_ptr<const FontChain> chain;
    float sizePx = 0.0f;
    // One per face of the chain, at this size.
    std::vector<cairo_scaled_font_t*> scaled;
};

struct CanvasStringFormat {
    CanvasAlignment horizontal = StringAlignmentNear;
    CanvasAlignment line = StringAlignmentNear;
};

struct PathFigure {
    std::vector<CanvasPoint> points;
    bool closed = false;
};

struct CanvasPath {
    std::vector<PathFigure> figures;
};

// A window's layer: an image surface like the paint's target, kept between paints. The
// editor names its size in logical pixels; the surface holds it at the scale of the paint
// it was drawn for, and is drawn again when the scale changes.
struct CanvasLayer {
    cairo_surface_t* surface = nullptr;
    int width = 0; // logical
    int height = 0;
    double scale = 1.0; // of the surface's picture
    LayerKey key;
    cairo_surface_t* model = nullptr; // the target of the paint in progress
    double modelScale = 1.0;          // and its scale
    Canvas* drawing = nullptr;        // a redraw in progress
};

// Cairo's colour components from a GDI+ 0xAARRGGBB value.
inline void setSourceArgb(cairo_t* cr, std::uint32_t argb) {
    const auto part = [argb](int shift) { return ((argb >> shift) & 0xFFu) / 255.0; };
    cairo_set_source_rgba(cr, part(16), part(8), part(0), part(24));
}

inline void addStopArgb(cairo_pattern_t* pattern, double offset, std::uint32_t argb) {
    const auto part = [argb](int shift) { return ((argb >> shift) & 0xFFu) / 255.0; };
    cairo_pattern_add_color_stop_rgba(pattern, offset, part(16), part(8), part(0), part(24));
}
