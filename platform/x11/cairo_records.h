// What the Cairo canvas's opaque handles are. Brushes hold a ready Cairo pattern; pens,
// formats and paths hold their parameters until a drawing call applies them.
#pragma once

#include "editor/canvas.h"
#include "platform/canvas_layer_cache.h"
#include "platform/x11/cairo_font_chain.h"
#include "platform/x11/cairo_text_layout.h"

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What a window's layer is made like: an image surface of the paint target's own format
// and scale, so copying it over is a plain copy.
struct CairoPixelSource final : LayerPixelSource {
    cairo_surface_t* model = nullptr; // the paint's target, set before the layer can ask
    std::unique_ptr<LayerPixels> makePixels(int width, int height, double scale) const override;
};

struct Canvas {
    cairo_t* cr = nullptr;
    CanvasLayer* layer = nullptr; // the window's layer; null on a layer's own canvas
    double scale = 1.0;           // target pixels per logical pixel
    CairoPixelSource layerSource; // with a layer: pixels for it like the target's
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

// Cairo's colour components from a GDI+ 0xAARRGGBB value.
inline void setSourceArgb(cairo_t* cr, std::uint32_t argb) {
    const auto part = [argb](int shift) { return ((argb >> shift) & 0xFFu) / 255.0; };
    cairo_set_source_rgba(cr, part(16), part(8), part(0), part(24));
}

inline void addStopArgb(cairo_pattern_t* pattern, double offset, std::uint32_t argb) {
    const auto part = [argb](int shift) { return ((argb >> shift) & 0xFFu) / 255.0; };
    cairo_pattern_add_color_stop_rgba(pattern, offset, part(16), part(8), part(0), part(24));
}
