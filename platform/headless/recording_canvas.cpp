// The recording canvas backend: every editor/canvas.h call becomes a CanvasCall in the log
// of the thread's current recording. Resources are real heap objects holding their state,
// so a use after release shows up under the address sanitizer like it would crash GDI+.
#include "platform/recording_canvas.h"
#include "platform/canvas_layer_cache.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <set>

struct Canvas {
    std::vector<CanvasCall> calls;
    std::set<int> outstanding;
    Canvas* previous = nullptr;   // the thread's recording before this one
    CanvasLayer* layer = nullptr; // the "window's" layer, when the test gave one
};

struct CanvasBrush {
    int id;
    RecordedBrush state;
};
struct CanvasPen {
    int id;
    RecordedPen state;
};
struct CanvasFontFamily {
    int id;
    std::wstring name;
};
struct CanvasFont {
    int id;
    RecordedFont state;
};
struct CanvasStringFormat {
    int id;
    RecordedFormat state;
};
struct CanvasPath {
    int id;
    RecordedPath state;
};

namespace {

thread_local Canvas* tCurrent = nullptr;
std::atomic<int> gNextId{1};
std::atomic<int> gLive{0};

CanvasCall opCall(CanvasOp op) {
    CanvasCall call;
    call.op = op;
    return call;
}
int newResource(CanvasCall call) {
    const int id = gNextId.fetch_add(1, std::memory_order_relaxed);
    gLive.fetch_add(1, std::memory_order_relaxed);
    if (tCurrent != nullptr) {
        call.resource = id;
        tCurrent->outstanding.insert(id);
        tCurrent->calls.push_back(std::move(call));
    }
    return id;
}

void logResourceCall(CanvasOp op, int id) {
    if (tCurrent != nullptr) {
        CanvasCall call = opCall(op);
        call.resource = id;
        tCurrent->calls.push_back(std::move(call));
    }
}

void releaseResource(CanvasOp op, int id) {
    gLive.fetch_sub(1, std::memory_order_relaxed);
    if (tCurrent != nullptr) {
        tCurrent->outstanding.erase(id);
    }
    logResourceCall(op, id);
}

CanvasCall drawCall(CanvasOp op, std::vector<float> args) {
    CanvasCall call = opCall(op);
    call.args = std::move(args);
    return call;
}

void withBrush(CanvasCall& call, const CanvasBrush* brush) {
    call.brushId = brush->id;
    call.brush = brush->state;
}

void withPen(CanvasCall& call, const CanvasPen* pen) {
    call.penId = pen->id;
    call.pen = pen->state;
}

void record(Canvas* c, CanvasCall call) {
    c->calls.push_back(std::move(call));
}

float f(int v) {
    return static_cast<float>(v);
}

} // namespace

Canvas* createRecordingCanvas(CanvasLayer* layer) {
    auto* canvas = new Canvas;
    canvas->layer = layer;
    canvas->previous = tCurrent;
    tCurrent = canvas;
    return canvas;
}

void destroyRecordingCanvas(Canvas* canvas) {
    if (canvas == nullptr) {
        return;
    }
    if (tCurrent == canvas) {
        tCurrent = canvas->previous;
    }
    delete canvas;
}

const std::vector<CanvasCall>& recordedCalls(const Canvas* canvas) {
    return canvas->calls;
}

std::vector<int> unreleasedResources(const Canvas* canvas) {
    return {canvas->outstanding.begin(), canvas->outstanding.end()};
}

int liveCanvasResources() {
    return gLive.load(std::memory_order_relaxed);
}

// ---- Brushes

CanvasBrush* createSolidBrush(std::uint32_t argb) {
    CanvasCall call = opCall(CanvasOp::CreateSolidBrush);
    call.brush.argb = argb;
    auto* brush = new CanvasBrush{0, call.brush};
    brush->id = newResource(std::move(call));
    return brush;
}

namespace {
CanvasBrush* makeGradient(CanvasOp op, CanvasPoint from, CanvasPoint to, std::uint32_t argbFrom,
                          std::uint32_t argbTo, CanvasWrapMode wrap) {
    CanvasCall call = opCall(op);
    call.brush = RecordedBrush{true, argbFrom, argbTo, from, to};
    call.args = {from.x, from.y, to.x, to.y, static_cast<float>(wrap)};
    auto* brush = new CanvasBrush{0, call.brush};
    brush->id = newResource(std::move(call));
    return brush;
}
} // namespace

CanvasBrush* createLineBrush(CanvasPoint from, CanvasPoint to, std::uint32_t argbFrom,
                             std::uint32_t argbTo, CanvasWrapMode wrap) {
    return makeGradient(CanvasOp::CreateLineBrush, from, to, argbFrom, argbTo, wrap);
}

CanvasBrush* createLineBrushI(int x1, int y1, int x2, int y2, std::uint32_t argbFrom,
                              std::uint32_t argbTo, CanvasWrapMode wrap) {
    return makeGradient(CanvasOp::CreateLineBrushI, {f(x1), f(y1)}, {f(x2), f(y2)}, argbFrom,
                        argbTo, wrap);
}

void deleteBrush(CanvasBrush* brush) {
    if (brush != nullptr) {
        releaseResource(CanvasOp::DeleteBrush, brush->id);
        delete brush;
    }
}

// ---- Pens

CanvasPen* createPen(std::uint32_t argb, float width) {
    CanvasCall call = opCall(CanvasOp::CreatePen);
    call.pen = RecordedPen{argb, width, DashStyleSolid};
    auto* pen = new CanvasPen{0, call.pen};
    pen->id = newResource(std::move(call));
    return pen;
}

void setPenDashStyle(CanvasPen* pen, CanvasDashStyle style) {
    if (pen != nullptr) {
        pen->state.dash = style;
        logResourceCall(CanvasOp::SetPenDashStyle, pen->id);
    }
}

void deletePen(CanvasPen* pen) {
    if (pen != nullptr) {
        releaseResource(CanvasOp::DeletePen, pen->id);
        delete pen;
    }
}

// ---- Text resources

CanvasFontFamily* createFontFamily(const wchar_t* name) {
    if (name == nullptr) {
        return nullptr;
    }
    CanvasCall call = opCall(CanvasOp::CreateFontFamily);
    call.text = name;
    auto* family = new CanvasFontFamily{0, name};
    family->id = newResource(std::move(call));
    return family;
}

void deleteFontFamily(CanvasFontFamily* family) {
    if (family != nullptr) {
        releaseResource(CanvasOp::DeleteFontFamily, family->id);
        delete family;
    }
}

CanvasFont* createFont(CanvasFontFamily* family, float sizePx, CanvasFontStyle style) {
    if (family == nullptr) {
        return nullptr; // as GDI+: no family, no font
    }
    CanvasCall call = opCall(CanvasOp::CreateFont);
    call.font = RecordedFont{family->name, sizePx, style};
    auto* font = new CanvasFont{0, call.font};
    font->id = newResource(std::move(call));
    return font;
}

void deleteFont(CanvasFont* font) {
    if (font != nullptr) {
        releaseResource(CanvasOp::DeleteFont, font->id);
        delete font;
    }
}

CanvasStringFormat* createStringFormat(CanvasAlignment horizontal, CanvasAlignment line) {
    CanvasCall call = opCall(CanvasOp::CreateStringFormat);
    call.format = RecordedFormat{horizontal, line};
    auto* format = new CanvasStringFormat{0, call.format};
    format->id = newResource(std::move(call));
    return format;
}

void deleteStringFormat(CanvasStringFormat* format) {
    if (format != nullptr) {
        releaseResource(CanvasOp::DeleteStringFormat, format->id);
        delete format;
    }
}

// ---- Paths

CanvasPath* createPath(CanvasFillMode mode) {
    CanvasCall call = opCall(CanvasOp::CreatePath);
    call.args = {static_cast<float>(mode)};
    auto* path = new CanvasPath{0, {}};
    path->id = newResource(std::move(call));
    return path;
}

void pathAddLines(CanvasPath* path, const CanvasPoint* points, int count) {
    if (path == nullptr || points == nullptr || count <= 0) {
        return;
    }
    path->state.points.insert(path->state.points.end(), points, points + count);
    if (tCurrent != nullptr) {
        CanvasCall call = opCall(CanvasOp::PathAddLines);
        call.resource = path->id;
        call.points.assign(points, points + count);
        tCurrent->calls.push_back(std::move(call));
    }
}

void pathCloseFigure(CanvasPath* path) {
    if (path != nullptr) {
        path->state.closed = true;
        logResourceCall(CanvasOp::PathCloseFigure, path->id);
    }
}

void deletePath(CanvasPath* path) {
    if (path != nullptr) {
        releaseResource(CanvasOp::DeletePath, path->id);
        delete path;
    }
}

// ---- Drawing. A null canvas or handle draws nothing and is not logged, as with GDI+.

void fillRectangle(Canvas* c, CanvasBrush* brush, float x, float y, float w, float h) {
    if (c != nullptr && brush != nullptr) {
        CanvasCall call = drawCall(CanvasOp::FillRectangle, {x, y, w, h});
        withBrush(call, brush);
        record(c, std::move(call));
    }
}

void fillRectangleI(Canvas* c, CanvasBrush* brush, int x, int y, int w, int h) {
    if (c != nullptr && brush != nullptr) {
        CanvasCall call = drawCall(CanvasOp::FillRectangleI, {f(x), f(y), f(w), f(h)});
        withBrush(call, brush);
        record(c, std::move(call));
    }
}

void drawRectangle(Canvas* c, CanvasPen* pen, float x, float y, float w, float h) {
    if (c != nullptr && pen != nullptr) {
        CanvasCall call = drawCall(CanvasOp::DrawRectangle, {x, y, w, h});
        withPen(call, pen);
        record(c, std::move(call));
    }
}

void drawLine(Canvas* c, CanvasPen* pen, float x1, float y1, float x2, float y2) {
    if (c != nullptr && pen != nullptr) {
        CanvasCall call = drawCall(CanvasOp::DrawLine, {x1, y1, x2, y2});
        withPen(call, pen);
        record(c, std::move(call));
    }
}

void drawLineI(Canvas* c, CanvasPen* pen, int x1, int y1, int x2, int y2) {
    if (c != nullptr && pen != nullptr) {
        CanvasCall call = drawCall(CanvasOp::DrawLineI, {f(x1), f(y1), f(x2), f(y2)});
        withPen(call, pen);
        record(c, std::move(call));
    }
}

void fillEllipse(Canvas* c, CanvasBrush* brush, float x, float y, float w, float h) {
    if (c != nullptr && brush != nullptr) {
        CanvasCall call = drawCall(CanvasOp::FillEllipse, {x, y, w, h});
        withBrush(call, brush);
        record(c, std::move(call));
    }
}

void drawEllipse(Canvas* c, CanvasPen* pen, float x, float y, float w, float h) {
    if (c != nullptr && pen != nullptr) {
        CanvasCall call = drawCall(CanvasOp::DrawEllipse, {x, y, w, h});
        withPen(call, pen);
        record(c, std::move(call));
    }
}

void drawArc(Canvas* c, CanvasPen* pen, float x, float y, float w, float h, float startDeg,
             float sweepDeg) {
    if (c != nullptr && pen != nullptr) {
        CanvasCall call = drawCall(CanvasOp::DrawArc, {x, y, w, h, startDeg, sweepDeg});
        withPen(call, pen);
        record(c, std::move(call));
    }
}

void drawLines(Canvas* c, CanvasPen* pen, const CanvasPoint* points, int count) {
    if (c != nullptr && pen != nullptr && points != nullptr && count > 0) {
        CanvasCall call = opCall(CanvasOp::DrawLines);
        call.points.assign(points, points + count);
        withPen(call, pen);
        record(c, std::move(call));
    }
}

void fillPath(Canvas* c, CanvasBrush* brush, CanvasPath* path) {
    if (c != nullptr && brush != nullptr && path != nullptr) {
        CanvasCall call = opCall(CanvasOp::FillPath);
        call.pathId = path->id;
        call.path = path->state;
        withBrush(call, brush);
        record(c, std::move(call));
    }
}

void drawString(Canvas* c, const wchar_t* text, CanvasFont* font, CanvasRect layout,
                CanvasStringFormat* format, CanvasBrush* brush) {
    if (c == nullptr || text == nullptr || font == nullptr || brush == nullptr) {
        return;
    }
    CanvasCall call = drawCall(CanvasOp::DrawString, {layout.x, layout.y, layout.w, layout.h});
    call.text = text;
    call.fontId = font->id;
    call.font = font->state;
    if (format != nullptr) {
        call.formatId = format->id;
        call.format = format->state;
    }
    withBrush(call, brush);
    record(c, std::move(call));
}

// ---- Layers

namespace {

// A layer's picture is a recording of its own, current for resource calls while it is
// drawn; only a finished one replaces the drawing calls it holds.
class RecordedLayerPixels final : public LayerPixels {
  public:
    Canvas* open() override { return createRecordingCanvas(); }
    void close(Canvas* canvas, bool finished) override {
        if (finished) {
            calls.clear();
            for (const CanvasCall& call : canvas->calls) {
                if (isDrawingOp(call.op)) {
                    calls.push_back(call);
                }
            }
        }
        destroyRecordingCanvas(canvas);
    }

    std::vector<CanvasCall> calls; // drawing calls only
};

// A recording needs no paint target, so a layer can be drawn outside any paint.
struct RecordedPixelSource final : LayerPixelSource {
    std::unique_ptr<LayerPixels> makePixels(int, int, double) const override {
        return std::make_unique<RecordedLayerPixels>();
    }
};

const RecordedPixelSource kRecordedPixels;
const std::vector<CanvasCall> kNoCalls;

} // namespace

const LayerPixelSource* const kStandingLayerPixels = &kRecordedPixels;

CanvasLayer* canvasLayer(Canvas* c) {
    return c != nullptr ? c->layer : nullptr;
}

void drawLayer(Canvas* c, const CanvasLayer* layer) {
    const auto* pixels = layerPicture<RecordedLayerPixels>(layer);
    if (c == nullptr || pixels == nullptr) {
        return;
    }
    record(c, drawCall(CanvasOp::DrawLayer, {0.0f, 0.0f, f(layer->width()), f(layer->height())}));
    c->calls.insert(c->calls.end(), pixels->calls.begin(), pixels->calls.end());
}

const std::vector<CanvasCall>& layerCalls(const CanvasLayer* layer) {
    const auto* pixels = layerPicture<RecordedLayerPixels>(layer);
    return pixels != nullptr ? pixels->calls : kNoCalls;
}

int layerBuilds(const CanvasLayer* layer) {
    return layer->redraws();
}

// ---- Queries

bool isDrawingOp(CanvasOp op) {
    return op >= CanvasOp::FillRectangle && op <= CanvasOp::DrawString;
}

const char* canvasOpName(CanvasOp op) {
    static const char* const kNames[] = {
        "createSolidBrush",
        "createLineBrush",
        "createLineBrushI",
        "deleteBrush",
        "createPen",
        "setPenDashStyle",
        "deletePen",
        "createFontFamily",
        "deleteFontFamily",
        "createFont",
        "deleteFont",
        "createStringFormat",
        "deleteStringFormat",
        "createPath",
        "pathAddLines",
        "pathCloseFigure",
        "deletePath",
        "fillRectangle",
        "fillRectangleI",
        "drawRectangle",
        "drawLine",
        "drawLineI",
        "fillEllipse",
        "drawEllipse",
        "drawArc",
        "drawLines",
        "fillPath",
        "drawString",
        "drawLayer",
    };
    const auto index = static_cast<std::size_t>(op);
    return index < std::size(kNames) ? kNames[index] : "?";
}

std::vector<const CanvasCall*> callsOf(const Canvas* canvas, CanvasOp op) {
    std::vector<const CanvasCall*> out;
    for (const CanvasCall& call : canvas->calls) {
        if (call.op == op) {
            out.push_back(&call);
        }
    }
    return out;
}

std::vector<std::size_t> indicesOf(const Canvas* canvas, CanvasOp op) {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < canvas->calls.size(); ++i) {
        if (canvas->calls[i].op == op) {
            out.push_back(i);
        }
    }
    return out;
}

const CanvasCall* findText(const Canvas* canvas, const std::wstring& text) {
    const long index = indexOfText(canvas, text);
    return index < 0 ? nullptr : &canvas->calls[static_cast<std::size_t>(index)];
}

long indexOfText(const Canvas* canvas, const std::wstring& text) {
    const auto it =
        std::find_if(canvas->calls.begin(), canvas->calls.end(), [&](const CanvasCall& c) {
            return c.op == CanvasOp::DrawString && c.text == text;
        });
    return it == canvas->calls.end() ? -1 : static_cast<long>(it - canvas->calls.begin());
}
