// The Cairo canvas's paint frame and a window's layer. Every canvas, the layer's too, gets
// the same settings, so a step draws the same pixels whichever canvas it is drawn on.
#include "platform/editor_window_options.h"
#include "platform/x11/cairo_canvas.h"
#include "platform/x11/cairo_records.h"

#include <new>

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
    if (layer != nullptr) {
        layer->model = target;
        layer->modelScale = canvas->scale;
    }
    return canvas;
}

void closeCairoCanvas(Canvas* canvas) {
    if (canvas == nullptr) {
        return;
    }
    cairo_surface_flush(cairo_get_target(canvas->cr));
    cairo_destroy(canvas->cr);
    if (canvas->layer != nullptr) {
        canvas->layer->model = nullptr;
        canvas->layer->modelScale = 1.0;
    }
    delete canvas;
}

namespace {

void releaseLayerSurface(CanvasLayer& layer) {
    cairo_surface_destroy(layer.surface); // accepts null
    layer.surface = nullptr;
    layer.width = 0;
    layer.height = 0;
    layer.scale = 1.0;
}

// An image of the paint target's own format and scale, so copying it over is a plain copy.
bool makeLayerSurface(CanvasLayer& layer, int width, int height) {
    if (layer.model == nullptr || width <= 0 || height <= 0) {
        return false;
    }
    const double scale = layer.modelScale;
    const cairo_format_t format = cairo_surface_get_type(layer.model) == CAIRO_SURFACE_TYPE_IMAGE
                                      ? cairo_image_surface_get_format(layer.model)
                                      : CAIRO_FORMAT_ARGB32;
    layer.surface =
        cairo_image_surface_create(format, scaledLength(width, scale), scaledLength(height, scale));
    if (cairo_surface_status(layer.surface) != CAIRO_STATUS_SUCCESS) {
        releaseLayerSurface(layer);
        return false;
    }
    layer.width = width;
    layer.height = height;
    layer.scale = scale;
    return true;
}

} // namespace

CanvasLayer* createCanvasLayer() {
    return new (std::nothrow) CanvasLayer;
}

void destroyCanvasLayer(CanvasLayer* layer) {
    if (layer != nullptr) {
        closeCairoCanvas(layer->drawing);
        releaseLayerSurface(*layer);
        delete layer;
    }
}

CanvasLayer* canvasLayer(Canvas* c) {
    return c != nullptr ? c->layer : nullptr;
}

bool layerHolds(const CanvasLayer* layer, const void* key, std::size_t keyBytes, int width,
                int height) {
    return layer != nullptr && layer->width == width && layer->height == height &&
           layer->scale == layer->modelScale && layerKeyMatches(layer->key, key, keyBytes);
}

// The surface is kept when the size is unchanged; the steps cover all of it again. A
// redraw left unfinished (the painter threw) is dropped here.
Canvas* beginLayer(CanvasLayer* layer, int width, int height) {
    if (layer == nullptr) {
        return nullptr;
    }
    closeCairoCanvas(layer->drawing);
    layer->drawing = nullptr;
    layer->key.valid = false;
    if (layer->width != width || layer->height != height || layer->scale != layer->modelScale ||
        layer->surface == nullptr) {
        releaseLayerSurface(*layer);
        if (!makeLayerSurface(*layer, width, height)) {
            return nullptr;
        }
    }
    layer->drawing = openCairoCanvas(layer->surface, nullptr, layer->scale);
    return layer->drawing;
}

void endLayer(CanvasLayer* layer, Canvas* layerCanvas, const void* key, std::size_t keyBytes) {
    if (layer == nullptr || layerCanvas == nullptr || layerCanvas != layer->drawing) {
        return;
    }
    closeCairoCanvas(layerCanvas);
    layer->drawing = nullptr;
    try {
        storeLayerKey(layer->key, key, keyBytes);
    } catch (...) {
        layer->key.valid = false; // out of memory: drawn again next time
    }
}

// A copy, not a blend: the paint starts from exactly the layer's pixels.
void drawLayer(Canvas* c, const CanvasLayer* layer) {
    if (c == nullptr || c->cr == nullptr || layer == nullptr || !layer->key.valid) {
        return;
    }
    cairo_t* cr = c->cr;
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, layer->surface, 0.0, 0.0);
    cairo_new_path(cr);
    cairo_rectangle(cr, 0.0, 0.0, cairo_image_surface_get_width(layer->surface),
                    cairo_image_surface_get_height(layer->surface));
    cairo_fill(cr);
    cairo_restore(cr);
}
