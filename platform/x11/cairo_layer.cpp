// The Cairo canvas's paint frame and a window's layer. Every canvas, the layer's too, gets
// the same settings, so a step draws the same pixels whichever canvas it is drawn on.
#include "platform/editor_window_options.h"
#include "platform/x11/cairo_canvas.h"
#include "platform/x11/cairo_records.h"

#include <new>

// The layer the paint frame below was opened with.
CanvasLayer* canvasLayer(Canvas* c) {
    return c != nullptr ? c->layer : nullptr;
}

Canvas* openCairoCanvas(cairo_surface_t* target, CanvasLayer* layer, double scale) {
    if (target == nullptr || cairo_surface_status(target) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    auto* canvas = new (std::nothrow) Canvas;
    if (canvas == nullptr) {
        return nullptr;
    }
    canvas->cr = cairo_create(target);
    canvas->scale = usableScale(scale);
    if (canvas->scale != 1.0) {
        cairo_scale(canvas->cr, canvas->scale, canvas->scale);
    }
    // GDI+'s default pixel offset: pixel centres on whole coordinates. Applied in logical
    // units, so a logical pixel covers whole target pixels at a whole scale: a one-pixel
    // line at scale 2 fills exactly two rows, as sharp as at scale 1.
    cairo_translate(canvas->cr, 0.5, 0.5);
    cairo_set_antialias(canvas->cr, CAIRO_ANTIALIAS_DEFAULT);
    cairo_set_fill_rule(canvas->cr, CAIRO_FILL_RULE_EVEN_ODD); // GDI+'s alternate mode
    cairo_set_line_cap(canvas->cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(canvas->cr, CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(canvas->cr, 10.0);
    canvas->layer = layer;
    canvas->layerSource.model = target;
    startLayerPaint(layer, &canvas->layerSource, canvas->scale);
    return canvas;
}

void closeCairoCanvas(Canvas* canvas) {
    if (canvas == nullptr) {
        return;
    }
    cairo_surface_flush(cairo_get_target(canvas->cr));
    cairo_destroy(canvas->cr);
    endLayerPaint(canvas->layer);
    delete canvas;
}

namespace {

// One picture of a window's layer.
class CairoLayerPixels final : public LayerPixels {
  public:
    CairoLayerPixels(cairo_surface_t* surface, double scale) : surface_(surface), scale_(scale) {}
    ~CairoLayerPixels() override { cairo_surface_destroy(surface_); }
    CairoLayerPixels(const CairoLayerPixels&) = delete;
    CairoLayerPixels& operator=(const CairoLayerPixels&) = delete;

    Canvas* open() override { return openCairoCanvas(surface_, nullptr, scale_); }
    void close(Canvas* canvas, bool) override { closeCairoCanvas(canvas); }
    cairo_surface_t* surface() const { return surface_; }

  private:
    cairo_surface_t* surface_;
    double scale_;
};

} // namespace

std::unique_ptr<LayerPixels> CairoPixelSource::makePixels(int width, int height,
                                                          double scale) const {
    const cairo_format_t format = cairo_surface_get_type(model) == CAIRO_SURFACE_TYPE_IMAGE
                                      ? cairo_image_surface_get_format(model)
                                      : CAIRO_FORMAT_ARGB32;
    cairo_surface_t* surface =
        cairo_image_surface_create(format, scaledLength(width, scale), scaledLength(height, scale));
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    std::unique_ptr<LayerPixels> pixels(new (std::nothrow) CairoLayerPixels(surface, scale));
    if (pixels == nullptr) {
        cairo_surface_destroy(surface);
    }
    return pixels;
}

// Pixels like the target's need a paint in progress.
const LayerPixelSource* const kStandingLayerPixels = nullptr;

// A copy, not a blend: the paint starts from exactly the layer's pixels.
void drawLayer(Canvas* c, const CanvasLayer* layer) {
    const auto* pixels = layerPicture<CairoLayerPixels>(layer);
    if (c == nullptr || c->cr == nullptr || pixels == nullptr) {
        return;
    }
    cairo_surface_t* surface = pixels->surface();
    cairo_t* cr = c->cr;
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, surface, 0.0, 0.0);
    cairo_new_path(cr);
    cairo_rectangle(cr, 0.0, 0.0, cairo_image_surface_get_width(surface),
                    cairo_image_surface_get_height(surface));
    cairo_fill(cr);
    cairo_restore(cr);
}
