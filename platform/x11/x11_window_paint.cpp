// The paint frame: the editor draws the whole picture into an image surface, which is
// then copied to the window in one operation, so the window never shows a half-drawn
// frame. The copy goes through Cairo's Xlib surface, which converts to whatever visual
// the host's parent window has.
#include "editor/canvas.h"
#include "platform/x11/cairo_canvas.h"
#include "platform/x11/x11_window.h"

#include <cairo-xlib.h>

#include <cmath>

namespace {

bool fitBackBuffer(X11Window& w) {
    cairo_surface_t* back = w.backBuffer;
    if (back != nullptr && cairo_image_surface_get_width(back) == w.width &&
        cairo_image_surface_get_height(back) == w.height) {
        return true;
    }
    cairo_surface_destroy(back);
    w.backBuffer = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w.width, w.height);
    if (cairo_surface_status(w.backBuffer) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(w.backBuffer);
        w.backBuffer = nullptr;
        return false;
    }
    return true;
}

bool fitWindowSurface(X11Window& w) {
    if (w.windowSurface != nullptr) {
        cairo_xlib_surface_set_size(w.windowSurface, w.width, w.height);
        return true;
    }
    XWindowAttributes attributes;
    if (XGetWindowAttributes(w.display, w.window, &attributes) == 0) {
        return false;
    }
    w.windowSurface =
        cairo_xlib_surface_create(w.display, w.window, attributes.visual, w.width, w.height);
    return cairo_surface_status(w.windowSurface) == CAIRO_STATUS_SUCCESS;
}

void showBackBuffer(X11Window& w) {
    if (!fitWindowSurface(w)) {
        return;
    }
    cairo_t* cr = cairo_create(w.windowSurface);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, w.backBuffer, 0.0, 0.0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(w.windowSurface);
}

} // namespace

void paintX11Window(X11Window& w) {
    if (w.width <= 0 || w.height <= 0 || w.windowGone || !fitBackBuffer(w)) {
        return;
    }
    // Without a canvas every canvas call is a no-op: the editor still sees its paint. It
    // paints its logical size; the canvas scales that to the back buffer's pixels.
    Canvas* canvas = openCairoCanvas(w.backBuffer, w.layer, w.scale);
    EditorEvent paint;
    paint.kind = EditorEventKind::Paint;
    paint.canvas = canvas;
    paint.width = static_cast<int>(std::lround(w.width / w.scale));
    paint.height = static_cast<int>(std::lround(w.height / w.scale));
    deliverToEditor(w, paint);
    closeCairoCanvas(canvas);
    showBackBuffer(w);
}

// The Xlib surface's device is this window's own display: finishing it releases what
// Cairo keeps for the connection (its pictures and shared-memory images) while the
// connection is still open.
void releasePaintSurfaces(X11Window& w) {
    if (w.windowSurface != nullptr) {
        cairo_device_t* device = cairo_device_reference(cairo_surface_get_device(w.windowSurface));
        cairo_surface_destroy(w.windowSurface);
        cairo_device_finish(device);
        cairo_device_destroy(device);
        w.windowSurface = nullptr;
    }
    cairo_surface_destroy(w.backBuffer);
    w.backBuffer = nullptr;
}
