// A canvas backend that draws nothing and records every call with its arguments, with the
// colours, widths, fonts and formats of the handles resolved at the time of the call. The
// Linux build paints through it, and the tests read the log to check the picture.
//
// Resource calls (create/delete/set) do not name a canvas: they are logged to the canvas
// most recently created on the calling thread and not yet destroyed (while a layer is being
// drawn, that is the layer's canvas).
//
// A layer records what was drawn into it. drawLayer logs a DrawLayer call followed by a
// copy of the layer's drawing calls, so a paint's log shows everything its picture holds.
#pragma once

#include "editor/canvas.h"

#include <cstdint>
#include <string>
#include <vector>

enum class CanvasOp {
    CreateSolidBrush,
    CreateLineBrush,
    CreateLineBrushI,
    DeleteBrush,
    CreatePen,
    SetPenDashStyle,
    DeletePen,
    CreateFontFamily,
    DeleteFontFamily,
    CreateFont,
    DeleteFont,
    CreateStringFormat,
    DeleteStringFormat,
    CreatePath,
    PathAddLines,
    PathCloseFigure,
    DeletePath,
    FillRectangle,
    FillRectangleI,
    DrawRectangle,
    DrawLine,
    DrawLineI,
    FillEllipse,
    DrawEllipse,
    DrawArc,
    DrawLines,
    FillPath,
    DrawString,
    DrawLayer,
};

struct RecordedBrush {
    bool gradient = false;
    std::uint32_t argb = 0;   // solid colour, or the gradient's start colour
    std::uint32_t argbTo = 0; // gradient end colour
    CanvasPoint from{};
    CanvasPoint to{};
};

struct RecordedPen {
    std::uint32_t argb = 0;
    float width = 0.0f;
    CanvasDashStyle dash = DashStyleSolid;
};

struct RecordedFont {
    std::wstring family;
    float sizePx = 0.0f;
    CanvasFontStyle style = FontStyleRegular;
};

struct RecordedFormat {
    CanvasAlignment horizontal = StringAlignmentNear;
    CanvasAlignment line = StringAlignmentNear;
};

struct RecordedPath {
    std::vector<CanvasPoint> points; // every point added, in order
    bool closed = false;
};

struct CanvasCall {
    CanvasOp op = CanvasOp::DrawString;
    int resource = 0;                // id created, deleted or changed; 0 for drawing calls
    std::vector<float> args;         // scalar arguments in declaration order, integers widened
    std::vector<CanvasPoint> points; // drawLines and pathAddLines
    std::wstring text;               // drawString, createFontFamily
    // Handles used by a drawing call (ids, 0 = none) and their state at the time.
    int brushId = 0;
    int penId = 0;
    int fontId = 0;
    int formatId = 0;
    int pathId = 0;
    RecordedBrush brush;
    RecordedPen pen;
    RecordedFont font;
    RecordedFormat format;
    RecordedPath path; // fillPath
};

// Starts a recording and makes it this thread's target for resource calls. With a layer
// (createCanvasLayer), paints on this canvas may keep their static steps in it, as a
// window's paints do; without one they draw everything directly.
Canvas* createRecordingCanvas(CanvasLayer* layer = nullptr);
void destroyRecordingCanvas(Canvas* canvas);

const std::vector<CanvasCall>& recordedCalls(const Canvas* canvas);
// Ids of resources created while this canvas recorded and not deleted since.
std::vector<int> unreleasedResources(const Canvas* canvas);
// Resources alive in the whole process (every thread, every recording).
int liveCanvasResources();

const char* canvasOpName(CanvasOp op);
// True for the calls that put pixels on the canvas (fillRectangle to drawString).
bool isDrawingOp(CanvasOp op);

// The layer's drawing calls as last drawn, and how many times it has been drawn.
const std::vector<CanvasCall>& layerCalls(const CanvasLayer* layer);
int layerBuilds(const CanvasLayer* layer);

// Log queries for tests and diagnostics.
std::vector<const CanvasCall*> callsOf(const Canvas* canvas, CanvasOp op);
std::vector<std::size_t> indicesOf(const Canvas* canvas, CanvasOp op);
// First drawString with exactly this text, or null.
const CanvasCall* findText(const Canvas* canvas, const std::wstring& text);
// Index in the log of the first drawString with this text, or -1.
long indexOfText(const Canvas* canvas, const std::wstring& text);
