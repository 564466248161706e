#include "editor/paint_helpers.h"

#include <algorithm>
#include <cmath>

// In the order the picture first needs them: header divider, texts, logo, preset box, grid.
void createPaintResources(PaintResources& res) {
    res.dividerPen = createPen(kColourDivider, 1.0f);
    res.fontFamily = createFontFamily(L"Segoe UI");
    res.titleFont = createFont(res.fontFamily, 14.0f, FontStyleBold);
    res.badgeFont = createFont(res.fontFamily, 9.0f, FontStyleRegular);
    res.presetFont = createFont(res.fontFamily, 10.0f, FontStyleRegular);
    res.valueFont = createFont(res.fontFamily, 11.0f, FontStyleBold);
    res.labelFont = createFont(res.fontFamily, 8.5f, FontStyleRegular);
    res.textBrush = createSolidBrush(kColourText);
    res.dimTextBrush = createSolidBrush(kColourDimText);
    res.goldBrush = createSolidBrush(kColourGold);
    res.darkGoldBrush = createSolidBrush(kColourDarkGold);
    res.centredFormat = createStringFormat(StringAlignmentCenter, StringAlignmentCenter);
    res.gridPen = createPen(0xFF141824, 1.0f);
    res.zeroLinePen = createPen(0xFF2D3A56, 1.5f);
}

void releasePaintResources(PaintResources& res) {
    deletePen(res.zeroLinePen);
    deletePen(res.gridPen);
    deleteStringFormat(res.centredFormat);
    deleteBrush(res.darkGoldBrush);
    deleteBrush(res.goldBrush);
    deleteBrush(res.dimTextBrush);
    deleteBrush(res.textBrush);
    deleteFont(res.labelFont);
    deleteFont(res.valueFont);
    deleteFont(res.presetFont);
    deleteFont(res.badgeFont);
    deleteFont(res.titleFont);
    deleteFontFamily(res.fontFamily);
    deletePen(res.dividerPen);
    res = PaintResources{};
}

void fillRectColour(PaintContext& p, CanvasRect r, std::uint32_t argb) {
    CanvasBrush* brush = createSolidBrush(argb);
    fillRectangle(p.canvas, brush, r.x, r.y, r.w, r.h);
    deleteBrush(brush);
}

void outlineRectColour(PaintContext& p, CanvasRect r, std::uint32_t argb, float width) {
    CanvasPen* pen = createPen(argb, width);
    drawRectangle(p.canvas, pen, r.x, r.y, r.w, r.h);
    deletePen(pen);
}

void fillEllipseColour(PaintContext& p, CanvasRect r, std::uint32_t argb) {
    CanvasBrush* brush = createSolidBrush(argb);
    fillEllipse(p.canvas, brush, r.x, r.y, r.w, r.h);
    deleteBrush(brush);
}

void outlineEllipseColour(PaintContext& p, CanvasRect r, std::uint32_t argb, float width) {
    CanvasPen* pen = createPen(argb, width);
    drawEllipse(p.canvas, pen, r.x, r.y, r.w, r.h);
    deletePen(pen);
}

void drawTextAt(PaintContext& p, const wchar_t* text, CanvasFont* font, float x, float y,
                CanvasBrush* brush) {
    drawString(p.canvas, text, font, CanvasRect{x, y, 0.0f, 0.0f}, nullptr, brush);
}

void drawTextAtColour(PaintContext& p, const wchar_t* text, CanvasFont* font, float x, float y,
                      std::uint32_t argb) {
    CanvasBrush* brush = createSolidBrush(argb);
    drawTextAt(p, text, font, x, y, brush);
    deleteBrush(brush);
}

void drawTextInBoxColour(PaintContext& p, const wchar_t* text, CanvasFont* font, CanvasRect box,
                         std::uint32_t argb) {
    CanvasBrush* brush = createSolidBrush(argb);
    drawString(p.canvas, text, font, box, p.res.centredFormat, brush);
    deleteBrush(brush);
}

void drawBadge(PaintContext& p, float x, const wchar_t* text, std::uint32_t argb) {
    const CanvasRect box{x, 14.0f, 85.0f, 24.0f};
    fillRectColour(p, box, withAlpha(argb, 0x1C));
    outlineRectColour(p, box, withAlpha(argb, 0x6E), 1.0f);
    drawTextInBoxColour(p, text, p.res.badgeFont, box, argb);
}

int litMeterSegments(float level) {
    const float lit = std::min(level * 1.5f, 1.0f) * 16.0f;
    // NaN fails this test too, so a corrupt peak lights nothing rather than casting UB.
    if (!(lit > 0.0f)) {
        return 0;
    }
    return static_cast<int>(lit);
}

void drawMeterFrame(PaintContext& p, float y, const wchar_t* label) {
    constexpr float x = 670.0f;
    drawTextAt(p, label, p.res.labelFont, x - 16.0f, y - 1.0f, p.res.dimTextBrush);
    fillRectColour(p, {x, y, 100.0f, 12.0f}, kColourField);
    drawRectangle(p.canvas, p.res.dividerPen, x, y, 100.0f, 12.0f);
}

// The segments lie inside the frame's stroke, so drawing them before or after it is the same.
void drawMeterSegments(PaintContext& p, float y, float level) {
    constexpr float x = 670.0f;
    const int lit = litMeterSegments(level);
    for (int i = 0; i < lit; ++i) {
        const std::uint32_t colour = i > 13 ? kColourRed : (i >= 10 ? kColourYellow : kColourGreen);
        fillRectColour(p, {x + 2.0f + 6.0f * static_cast<float>(i), y + 2.0f, 4.5f, 12.0f - 4.0f},
                       colour);
    }
}

void drawMiniKnob(PaintContext& p, float cx, float cy, float value, const wchar_t* label,
                  const wchar_t* valueText, std::uint32_t argb) {
    const CanvasRect box{cx - 12.0f, cy - 12.0f, 24.0f, 24.0f};
    fillEllipseColour(p, box, 0xFF0E121B);
    outlineEllipseColour(p, box, 0xFF2D3852, 1.2f);
    CanvasPen* arcPen = createPen(argb, 2.5f);
    drawArc(p.canvas, arcPen, box.x, box.y, box.w, box.h, 150.0f, value * 240.0f);
    deletePen(arcPen);
    drawTextAtColour(p, valueText, p.res.valueFont, cx + 16.0f, cy - 10.0f, argb);
    drawTextAt(p, label, p.res.labelFont, cx + 16.0f, cy + 2.0f, p.res.dimTextBrush);
}

namespace {
CanvasRect knobBox(int cx) {
    return {static_cast<float>(cx) - 18.0f, 502.0f, 36.0f, 36.0f};
}
} // namespace

void drawKnobFace(PaintContext& p, int cx, std::uint32_t argb) {
    const CanvasRect box = knobBox(cx);
    fillEllipseColour(p, box, 0xFF121723);
    outlineEllipseColour(p, box, 0xFF242D44, 1.5f);
    CanvasPen* trackPen = createPen(withAlpha(argb, 0x2D), 3.0f);
    drawArc(p.canvas, trackPen, box.x, box.y, box.w, box.h, 150.0f, 240.0f);
    deletePen(trackPen);
}

void drawKnobValue(PaintContext& p, int cx, float value, const wchar_t* valueText,
                   std::uint32_t argb) {
    const float x = static_cast<float>(cx);
    const CanvasRect box = knobBox(cx);
    CanvasPen* valuePen = createPen(argb, 3.2f);
    drawArc(p.canvas, valuePen, box.x, box.y, box.w, box.h, 150.0f, value * 240.0f);
    deletePen(valuePen);

    const float angle = (value * 240.0f + 150.0f) * 0.017453292f;
    const float dotX = x + 14.0f * std::cos(angle);
    const float dotY = 520.0f + 14.0f * std::sin(angle);
    fillEllipseColour(p, {dotX - 2.0f, dotY - 2.0f, 4.0f, 4.0f}, kColourWhite);

    drawTextAtColour(p, valueText, p.res.valueFont, x + 25.0f, 507.0f, argb);
}

void drawKnobLabel(PaintContext& p, int cx, const wchar_t* label) {
    drawTextAt(p, label, p.res.labelFont, static_cast<float>(cx) + 25.0f, 522.0f,
               p.res.dimTextBrush);
}
