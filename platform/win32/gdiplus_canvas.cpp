// The editor's canvas on the GDI+ flat API. Every resource handle is the GDI+ object
// itself, so no wrapper is allocated per brush or pen: a paint creates and deletes dozens of
// them thirty times a second. GDI+ statuses are ignored on purpose: a failed create leaves
// the handle null, and every call below does nothing with a null handle, so one missing
// resource costs one element of the picture and never the paint.
#include "editor/canvas.h"
#include "platform/canvas_layer_cache.h"
#include "platform/editor_window_options.h"

#include <windows.h>

#include <gdiplus.h>

#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

namespace gp = Gdiplus;

// What a window's layer is made like: a bitmap of the paint's back buffer's own format and
// scale, so copying it over is a plain copy.
struct GdiplusPixelSource final : LayerPixelSource {
    HDC model = nullptr; // the paint's back buffer, set before the layer can ask
    std::unique_ptr<LayerPixels> makePixels(int width, int height, double scale) const override;
};

// One paint's drawing surface: GDI+ graphics on a memory DC, and the layer of the window
// being painted (null on a layer's own canvas).
struct Canvas {
    gp::GpGraphics* graphics = nullptr;
    CanvasLayer* layer = nullptr;
    GdiplusPixelSource layerSource; // with a layer: pixels for it like the back buffer's
};

namespace {

namespace flat = Gdiplus::DllExports;

// Point and rectangle lists go to GDI+ without copying; the layouts must agree.
static_assert(sizeof(CanvasPoint) == sizeof(gp::PointF));
static_assert(offsetof(CanvasPoint, x) == offsetof(gp::PointF, X));
static_assert(offsetof(CanvasPoint, y) == offsetof(gp::PointF, Y));
static_assert(sizeof(WCHAR) == sizeof(wchar_t));

gp::GpGraphics* graphics(Canvas* c) {
    return c != nullptr ? c->graphics : nullptr;
}
gp::GpBrush* gpBrush(CanvasBrush* b) {
    return reinterpret_cast<gp::GpBrush*>(b);
}
gp::GpPen* gpPen(CanvasPen* p) {
    return reinterpret_cast<gp::GpPen*>(p);
}
gp::GpFontFamily* gpFamily(CanvasFontFamily* f) {
    return reinterpret_cast<gp::GpFontFamily*>(f);
}
gp::GpFont* gpFont(CanvasFont* f) {
    return reinterpret_cast<gp::GpFont*>(f);
}
gp::GpStringFormat* gpFormat(CanvasStringFormat* f) {
    return reinterpret_cast<gp::GpStringFormat*>(f);
}
gp::GpPath* gpPath(CanvasPath* p) {
    return reinterpret_cast<gp::GpPath*>(p);
}
const gp::PointF* gpPoints(const CanvasPoint* p) {
    return reinterpret_cast<const gp::PointF*>(p);
}
const WCHAR* wide(const wchar_t* text) {
    return reinterpret_cast<const WCHAR*>(text);
}

gp::StringAlignment gpAlignment(CanvasAlignment a) {
    switch (a) {
    case StringAlignmentCenter:
        return gp::StringAlignmentCenter;
    case StringAlignmentFar:
        return gp::StringAlignmentFar;
    default:
        return gp::StringAlignmentNear;
    }
}

} // namespace

// Brushes

CanvasBrush* createSolidBrush(std::uint32_t argb) {
    gp::GpSolidFill* brush = nullptr;
    flat::GdipCreateSolidFill(argb, &brush);
    return reinterpret_cast<CanvasBrush*>(static_cast<gp::GpBrush*>(brush));
}

CanvasBrush* createLineBrush(CanvasPoint from, CanvasPoint to, std::uint32_t argbFrom,
                             std::uint32_t argbTo, CanvasWrapMode wrap) {
    const gp::PointF p1(from.x, from.y);
    const gp::PointF p2(to.x, to.y);
    gp::GpLineGradient* brush = nullptr;
    flat::GdipCreateLineBrush(&p1, &p2, argbFrom, argbTo, static_cast<gp::WrapMode>(wrap), &brush);
    return reinterpret_cast<CanvasBrush*>(static_cast<gp::GpBrush*>(brush));
}

CanvasBrush* createLineBrushI(int x1, int y1, int x2, int y2, std::uint32_t argbFrom,
                              std::uint32_t argbTo, CanvasWrapMode wrap) {
    const gp::Point p1(x1, y1);
    const gp::Point p2(x2, y2);
    gp::GpLineGradient* brush = nullptr;
    flat::GdipCreateLineBrushI(&p1, &p2, argbFrom, argbTo, static_cast<gp::WrapMode>(wrap), &brush);
    return reinterpret_cast<CanvasBrush*>(static_cast<gp::GpBrush*>(brush));
}

void deleteBrush(CanvasBrush* brush) {
    if (brush != nullptr) {
        flat::GdipDeleteBrush(gpBrush(brush));
    }
}

// Pens

CanvasPen* createPen(std::uint32_t argb, float width) {
    gp::GpPen* pen = nullptr;
    flat::GdipCreatePen1(argb, width, gp::UnitWorld, &pen);
    return reinterpret_cast<CanvasPen*>(pen);
}

void setPenDashStyle(CanvasPen* pen, CanvasDashStyle style) {
    if (pen != nullptr) {
        flat::GdipSetPenDashStyle(gpPen(pen), static_cast<gp::DashStyle>(style));
    }
}

void deletePen(CanvasPen* pen) {
    if (pen != nullptr) {
        flat::GdipDeletePen(gpPen(pen));
    }
}

// Text resources

CanvasFontFamily* createFontFamily(const wchar_t* name) {
    if (name == nullptr) {
        return nullptr;
    }
    gp::GpFontFamily* family = nullptr;
    // A null collection asks for the installed system fonts.
    flat::GdipCreateFontFamilyFromName(wide(name), nullptr, &family);
    return reinterpret_cast<CanvasFontFamily*>(family);
}

void deleteFontFamily(CanvasFontFamily* family) {
    if (family != nullptr) {
        flat::GdipDeleteFontFamily(gpFamily(family));
    }
}

CanvasFont* createFont(CanvasFontFamily* family, float sizePx, CanvasFontStyle style) {
    if (family == nullptr) {
        return nullptr;
    }
    gp::GpFont* font = nullptr;
    flat::GdipCreateFont(gpFamily(family), sizePx, static_cast<INT>(style), gp::UnitPixel, &font);
    return reinterpret_cast<CanvasFont*>(font);
}

void deleteFont(CanvasFont* font) {
    if (font != nullptr) {
        flat::GdipDeleteFont(gpFont(font));
    }
}

CanvasStringFormat* createStringFormat(CanvasAlignment horizontal, CanvasAlignment line) {
    gp::GpStringFormat* format = nullptr;
    flat::GdipCreateStringFormat(0, LANG_NEUTRAL, &format);
    if (format != nullptr) {
        flat::GdipSetStringFormatAlign(format, gpAlignment(horizontal));
        flat::GdipSetStringFormatLineAlign(format, gpAlignment(line));
    }
    return reinterpret_cast<CanvasStringFormat*>(format);
}

void deleteStringFormat(CanvasStringFormat* format) {
    if (format != nullptr) {
        flat::GdipDeleteStringFormat(gpFormat(format));
    }
}

// Paths

CanvasPath* createPath(CanvasFillMode mode) {
    gp::GpPath* path = nullptr;
    flat::GdipCreatePath(static_cast<gp::FillMode>(mode), &path);
    return reinterpret_cast<CanvasPath*>(path);
}

void pathAddLines(CanvasPath* path, const CanvasPoint* points, int count) {
    if (path != nullptr && points != nullptr && count > 0) {
        flat::GdipAddPathLine2(gpPath(path), gpPoints(points), count);
    }
}

void pathCloseFigure(CanvasPath* path) {
    if (path != nullptr) {
        flat::GdipClosePathFigure(gpPath(path));
    }
}

void deletePath(CanvasPath* path) {
    if (path != nullptr) {
        flat::GdipDeletePath(gpPath(path));
    }
}

// Drawing

void fillRectangle(Canvas* c, CanvasBrush* brush, float x, float y, float w, float h) {
    if (graphics(c) != nullptr && brush != nullptr) {
        flat::GdipFillRectangle(graphics(c), gpBrush(brush), x, y, w, h);
    }
}

void fillRectangleI(Canvas* c, CanvasBrush* brush, int x, int y, int w, int h) {
    if (graphics(c) != nullptr && brush != nullptr) {
        flat::GdipFillRectangleI(graphics(c), gpBrush(brush), x, y, w, h);
    }
}

void drawRectangle(Canvas* c, CanvasPen* pen, float x, float y, float w, float h) {
    if (graphics(c) != nullptr && pen != nullptr) {
        flat::GdipDrawRectangle(graphics(c), gpPen(pen), x, y, w, h);
    }
}

void drawLine(Canvas* c, CanvasPen* pen, float x1, float y1, float x2, float y2) {
    if (graphics(c) != nullptr && pen != nullptr) {
        flat::GdipDrawLine(graphics(c), gpPen(pen), x1, y1, x2, y2);
    }
}

void drawLineI(Canvas* c, CanvasPen* pen, int x1, int y1, int x2, int y2) {
    if (graphics(c) != nullptr && pen != nullptr) {
        flat::GdipDrawLineI(graphics(c), gpPen(pen), x1, y1, x2, y2);
    }
}

void fillEllipse(Canvas* c, CanvasBrush* brush, float x, float y, float w, float h) {
    if (graphics(c) != nullptr && brush != nullptr) {
        flat::GdipFillEllipse(graphics(c), gpBrush(brush), x, y, w, h);
    }
}

void drawEllipse(Canvas* c, CanvasPen* pen, float x, float y, float w, float h) {
    if (graphics(c) != nullptr && pen != nullptr) {
        flat::GdipDrawEllipse(graphics(c), gpPen(pen), x, y, w, h);
    }
}

void drawArc(Canvas* c, CanvasPen* pen, float x, float y, float w, float h, float startDeg,
             float sweepDeg) {
    if (graphics(c) != nullptr && pen != nullptr) {
        flat::GdipDrawArc(graphics(c), gpPen(pen), x, y, w, h, startDeg, sweepDeg);
    }
}

void drawLines(Canvas* c, CanvasPen* pen, const CanvasPoint* points, int count) {
    if (graphics(c) != nullptr && pen != nullptr && points != nullptr && count > 0) {
        flat::GdipDrawLines(graphics(c), gpPen(pen), gpPoints(points), count);
    }
}

void fillPath(Canvas* c, CanvasBrush* brush, CanvasPath* path) {
    if (graphics(c) != nullptr && brush != nullptr && path != nullptr) {
        flat::GdipFillPath(graphics(c), gpBrush(brush), gpPath(path));
    }
}

void drawString(Canvas* c, const wchar_t* text, CanvasFont* font, CanvasRect layout,
                CanvasStringFormat* format, CanvasBrush* brush) {
    if (graphics(c) == nullptr || text == nullptr || font == nullptr || brush == nullptr) {
        return;
    }
    const gp::RectF box(layout.x, layout.y, layout.w, layout.h);
    // Length -1: the text is zero-terminated.
    flat::GdipDrawString(graphics(c), wide(text), -1, gpFont(font), &box, gpFormat(format),
                         gpBrush(brush));
}

// The paint frame (editor_window_proc.cpp)

// The layer the paint frame below was opened with.
CanvasLayer* canvasLayer(Canvas* c) {
    return c != nullptr ? c->layer : nullptr;
}

// A canvas on `dc` with the editor's rendering settings; every canvas, the layer's too,
// gets the same ones, so a step draws the same pixels whichever canvas it is drawn on.
//
// At a scale other than 1 the world is scaled onto the DC's pixels. GDI+ centres device
// pixels on whole coordinates; the offset (scale - 1) / 2 keeps a logical pixel on whole
// device pixels (logical pixel i covers device pixels i * scale to (i + 1) * scale - 1), so
// a one-pixel line at scale 2 fills exactly two rows instead of blurring over three. At
// scale 1 no transform is set at all: the picture is the VST 2.4 editor's to the pixel.
Canvas* openGdiplusCanvas(HDC dc, CanvasLayer* layer, double scale) {
    auto* canvas = new (std::nothrow) Canvas;
    if (canvas == nullptr) {
        return nullptr;
    }
    canvas->layer = layer;
    flat::GdipCreateFromHDC(dc, &canvas->graphics);
    if (canvas->graphics != nullptr) {
        flat::GdipSetSmoothingMode(canvas->graphics, gp::SmoothingModeAntiAlias);
        flat::GdipSetTextRenderingHint(canvas->graphics, gp::TextRenderingHintClearTypeGridFit);
        flat::GdipSetInterpolationMode(canvas->graphics, gp::InterpolationModeHighQualityBicubic);
        const auto s = static_cast<gp::REAL>(usableScale(scale));
        if (s != 1.0f) {
            const gp::REAL offset = (s - 1.0f) / 2.0f;
            flat::GdipTranslateWorldTransform(canvas->graphics, offset, offset,
                                              gp::MatrixOrderPrepend);
            flat::GdipScaleWorldTransform(canvas->graphics, s, s, gp::MatrixOrderPrepend);
        }
    }
    // Without a back buffer there is nothing to make a layer's bitmap like.
    canvas->layerSource.model = dc;
    startLayerPaint(layer, dc != nullptr ? &canvas->layerSource : nullptr, usableScale(scale));
    return canvas;
}

// Deleting the graphics flushes what GDI+ still holds for the DC.
void closeGdiplusCanvas(Canvas* canvas) {
    if (canvas == nullptr) {
        return;
    }
    if (canvas->graphics != nullptr) {
        flat::GdipDeleteGraphics(canvas->graphics);
    }
    endLayerPaint(canvas->layer);
    delete canvas;
}

// Layers

namespace {

// One picture of a window's layer: a bitmap selected into a memory DC of its own. Its size
// is the logical one at the scale of the paint it was made for.
class GdiplusLayerPixels final : public LayerPixels {
  public:
    GdiplusLayerPixels(HDC dc, HBITMAP bitmap, int pixelWidth, int pixelHeight, double scale)
        : dc_(dc), bitmap_(bitmap), previous_(SelectObject(dc, bitmap)), pixelWidth_(pixelWidth),
          pixelHeight_(pixelHeight), scale_(scale) {}
    ~GdiplusLayerPixels() override {
        SelectObject(dc_, previous_); // the DC's own bitmap, selected back before deleting it
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    GdiplusLayerPixels(const GdiplusLayerPixels&) = delete;
    GdiplusLayerPixels& operator=(const GdiplusLayerPixels&) = delete;

    Canvas* open() override { return openGdiplusCanvas(dc_, nullptr, scale_); }
    void close(Canvas* canvas, bool) override { closeGdiplusCanvas(canvas); }

    // GDI may touch a DC that GDI+ draws on only between GdipGetDC and GdipReleaseDC.
    void copyTo(gp::GpGraphics* graphics) const {
        HDC dc = nullptr;
        if (flat::GdipGetDC(graphics, &dc) != gp::Ok || dc == nullptr) {
            return;
        }
        BitBlt(dc, 0, 0, pixelWidth_, pixelHeight_, dc_, 0, 0, SRCCOPY);
        flat::GdipReleaseDC(graphics, dc);
    }

  private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    int pixelWidth_;
    int pixelHeight_;
    double scale_;
};

} // namespace

std::unique_ptr<LayerPixels> GdiplusPixelSource::makePixels(int width, int height,
                                                            double scale) const {
    const int pixelWidth = scaledLength(width, scale);
    const int pixelHeight = scaledLength(height, scale);
    HDC dc = CreateCompatibleDC(model);
    HBITMAP bitmap = CreateCompatibleBitmap(model, pixelWidth, pixelHeight);
    std::unique_ptr<LayerPixels> pixels;
    if (dc != nullptr && bitmap != nullptr) {
        pixels.reset(new (std::nothrow)
                         GdiplusLayerPixels(dc, bitmap, pixelWidth, pixelHeight, scale));
    }
    if (pixels == nullptr) {
        if (dc != nullptr) {
            DeleteDC(dc);
        }
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
    }
    return pixels;
}

// Pixels like the target's need a paint in progress.
const LayerPixelSource* const kStandingLayerPixels = nullptr;

void drawLayer(Canvas* c, const CanvasLayer* layer) {
    const auto* pixels = layerPicture<GdiplusLayerPixels>(layer);
    if (graphics(c) != nullptr && pixels != nullptr) {
        pixels->copyTo(c->graphics);
    }
}
