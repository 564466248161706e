// The drawing surface the editor paints on: exactly the GDI+ operations the picture uses,
// as plain functions over opaque handles. The DLL links the GDI+ flat-API implementation
// (platform/win32); native tests link a recorder (platform/headless) that logs every call
// with its arguments. Resources are created and released by the painter within one paint;
// only a window's layer (below) lives longer. Every call accepts null handles and then does
// nothing (a failed create is harmless).
#pragma once

#include <cstddef>
#include <cstdint>

struct Canvas;      // the graphics object of one paint
struct CanvasBrush; // solid or linear-gradient brush
struct CanvasPen;
struct CanvasFontFamily;
struct CanvasFont;
struct CanvasStringFormat;
struct CanvasPath;
struct CanvasLayer; // a picture kept across the paints of one window

struct CanvasPoint {
    float x;
    float y;
};

struct CanvasRect {
    float x;
    float y;
    float w;
    float h;
};

enum CanvasWrapMode : int { WrapModeTile = 0 };
enum CanvasDashStyle : int { DashStyleSolid = 0, DashStyleDash = 1 };
enum CanvasFillMode : int { FillModeAlternate = 0 };
enum CanvasFontStyle : int { FontStyleRegular = 0, FontStyleBold = 1 };
enum CanvasAlignment : int {
    StringAlignmentNear = 0,
    StringAlignmentCenter = 1,
    StringAlignmentFar = 2
};

// Brushes
CanvasBrush* createSolidBrush(std::uint32_t argb);
CanvasBrush* createLineBrush(CanvasPoint from, CanvasPoint to, std::uint32_t argbFrom,
                             std::uint32_t argbTo, CanvasWrapMode wrap);
CanvasBrush* createLineBrushI(int x1, int y1, int x2, int y2, std::uint32_t argbFrom,
                              std::uint32_t argbTo, CanvasWrapMode wrap);
void deleteBrush(CanvasBrush* brush);

// Pens (width in pixels, unit world)
CanvasPen* createPen(std::uint32_t argb, float width);
void setPenDashStyle(CanvasPen* pen, CanvasDashStyle style);
void deletePen(CanvasPen* pen);

// Text resources (sizes in pixels)
CanvasFontFamily* createFontFamily(const wchar_t* name);
void deleteFontFamily(CanvasFontFamily* family);
CanvasFont* createFont(CanvasFontFamily* family, float sizePx, CanvasFontStyle style);
void deleteFont(CanvasFont* font);
// No format flags, neutral language, with the given alignments.
CanvasStringFormat* createStringFormat(CanvasAlignment horizontal, CanvasAlignment line);
void deleteStringFormat(CanvasStringFormat* format);

// Paths
CanvasPath* createPath(CanvasFillMode mode);
void pathAddLines(CanvasPath* path, const CanvasPoint* points, int count);
void pathCloseFigure(CanvasPath* path);
void deletePath(CanvasPath* path);

// Drawing
void fillRectangle(Canvas* c, CanvasBrush* brush, float x, float y, float w, float h);
void fillRectangleI(Canvas* c, CanvasBrush* brush, int x, int y, int w, int h);
void drawRectangle(Canvas* c, CanvasPen* pen, float x, float y, float w, float h);
void drawLine(Canvas* c, CanvasPen* pen, float x1, float y1, float x2, float y2);
void drawLineI(Canvas* c, CanvasPen* pen, int x1, int y1, int x2, int y2);
void fillEllipse(Canvas* c, CanvasBrush* brush, float x, float y, float w, float h);
void drawEllipse(Canvas* c, CanvasPen* pen, float x, float y, float w, float h);
// Angles in degrees, clockwise from the positive x axis.
void drawArc(Canvas* c, CanvasPen* pen, float x, float y, float w, float h, float startDeg,
             float sweepDeg);
void drawLines(Canvas* c, CanvasPen* pen, const CanvasPoint* points, int count);
void fillPath(Canvas* c, CanvasBrush* brush, CanvasPath* path);
// A zero-size layout rectangle lays the text out unbounded from its top-left corner.
// `format` may be null (GDI+ defaults).
void drawString(Canvas* c, const wchar_t* text, CanvasFont* font, CanvasRect layout,
                CanvasStringFormat* format, CanvasBrush* brush);

// Layer: what changes only with the editor's state (backgrounds, texts, frames) is drawn once
// into a picture the platform keeps for the window, and every paint starts from a copy of it.
// The editor decides what goes in and names all of it in a key of any bytes; the platform
// keeps the pixels and compares keys byte for byte, nothing more.

// The layer of the window this paint is for; null when the platform keeps none, and then
// the editor draws everything directly.
CanvasLayer* canvasLayer(Canvas* c);
// True when the layer holds a width x height picture drawn under exactly this key.
bool layerHolds(const CanvasLayer* layer, const void* key, std::size_t keyBytes, int width,
                int height);
// Starts redrawing the layer at width x height: answers the canvas to draw the content on,
// or null when no picture can be made (the old picture then stays as it was).
Canvas* beginLayer(CanvasLayer* layer, int width, int height);
// Ends what beginLayer started (layerCanvas is gone afterwards); the layer then holds its
// picture under `key`.
void endLayer(CanvasLayer* layer, Canvas* layerCanvas, const void* key, std::size_t keyBytes);
// Copies the layer's picture onto c at (0, 0); meant as a paint's first drawing.
void drawLayer(Canvas* c, const CanvasLayer* layer);

// The platform's side: a window's layer is made with the window and released with it.
CanvasLayer* createCanvasLayer();
void destroyCanvasLayer(CanvasLayer* layer);
