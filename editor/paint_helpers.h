// Shared state of one paint and the small drawing helpers the header, graph and strip
// reuse. The resources here are created together before the first drawing (the layer and
// the rest of the paint both use them) and released together at the end; everything else
// a step needs is created and released inside that step.
#pragma once

#include "editor/canvas.h"

#include <cstdint>

struct EditorView;
struct GraphCurves;

struct PaintResources {
    CanvasPen* dividerPen = nullptr;
    CanvasFontFamily* fontFamily = nullptr;
    CanvasFont* titleFont = nullptr;
    CanvasFont* badgeFont = nullptr;
    CanvasFont* presetFont = nullptr;
    CanvasFont* valueFont = nullptr;
    CanvasFont* labelFont = nullptr;
    CanvasBrush* textBrush = nullptr;
    CanvasBrush* dimTextBrush = nullptr;
    CanvasBrush* goldBrush = nullptr;
    CanvasBrush* darkGoldBrush = nullptr;
    CanvasStringFormat* centredFormat = nullptr;
    CanvasPen* gridPen = nullptr;
    CanvasPen* zeroLinePen = nullptr;
};

void createPaintResources(PaintResources& res);
// Releases in reverse order of creation; null entries (failed creates) are fine.
void releasePaintResources(PaintResources& res);

struct PaintContext {
    Canvas* canvas;
    int width;
    int height;
    const EditorView* view;
    const GraphCurves* curves; // traced once per paint, before any drawing
    PaintResources res;
};

constexpr std::uint32_t kColourDivider = 0xFF1E263A;
constexpr std::uint32_t kColourText = 0xFFDCE6F5;
constexpr std::uint32_t kColourDimText = 0xFF7382A5;
constexpr std::uint32_t kColourGold = 0xFFF0CB64;
constexpr std::uint32_t kColourDarkGold = 0xFFCAA134;
constexpr std::uint32_t kColourField = 0xFF121622;
constexpr std::uint32_t kColourSky = 0xFF38BDF8;
constexpr std::uint32_t kColourViolet = 0xFFC084FC;
constexpr std::uint32_t kColourGreen = 0xFF34D399;
constexpr std::uint32_t kColourYellow = 0xFFFACC15;
constexpr std::uint32_t kColourRed = 0xFFF87171;
constexpr std::uint32_t kColourWhite = 0xFFFFFFFF;

// Keeps the colour's low 24 bits and replaces its alpha byte.
constexpr std::uint32_t withAlpha(std::uint32_t argb, std::uint32_t alpha) {
    return (argb & 0x00FFFFFFu) | (alpha << 24);
}

// One-shot primitives: each creates its own brush or pen and releases it at once.
void fillRectColour(PaintContext& p, CanvasRect r, std::uint32_t argb);
void outlineRectColour(PaintContext& p, CanvasRect r, std::uint32_t argb, float width);
void fillEllipseColour(PaintContext& p, CanvasRect r, std::uint32_t argb);
void outlineEllipseColour(PaintContext& p, CanvasRect r, std::uint32_t argb, float width);
// Text at an origin: zero-size layout, unbounded, no string format.
void drawTextAt(PaintContext& p, const wchar_t* text, CanvasFont* font, float x, float y,
                CanvasBrush* brush);
void drawTextAtColour(PaintContext& p, const wchar_t* text, CanvasFont* font, float x, float y,
                      std::uint32_t argb);
// Text laid out in a box with the centred format.
void drawTextInBoxColour(PaintContext& p, const wchar_t* text, CanvasFont* font, CanvasRect box,
                         std::uint32_t argb);

// Header feature badge in the box (x, 14, 85, 24).
void drawBadge(PaintContext& p, float x, const wchar_t* text, std::uint32_t argb);
// Sixteen-segment meter at (670, y, 100, 12): the label and the empty field, then the
// segments `level` lights (a linear peak, 1.0 = full scale) inside the field's frame.
void drawMeterFrame(PaintContext& p, float y, const wchar_t* label);
void drawMeterSegments(PaintContext& p, float y, float level);
// Segments a level lights: trunc(min(level * 1.5, 1) * 16), none for negative or NaN.
int litMeterSegments(float level);
// Radius-12 knob of the band panel.
void drawMiniKnob(PaintContext& p, float cx, float cy, float value, const wchar_t* label,
                  const wchar_t* valueText, std::uint32_t argb);
// Radius-18 knob of the control strip, centred at (cx, 520), in its drawing order: the face
// with its track, the value (arc, pointer dot and text right of the knob), the label under
// the value text.
void drawKnobFace(PaintContext& p, int cx, std::uint32_t argb);
void drawKnobValue(PaintContext& p, int cx, float value, const wchar_t* valueText,
                   std::uint32_t argb);
void drawKnobLabel(PaintContext& p, int cx, const wchar_t* label);
