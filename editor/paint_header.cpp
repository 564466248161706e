// Background and header band: all of it in the layer, it changes with size and preset only.
#include "editor/editor_view.h"
#include "editor/paint_stages.h"
#include "editor/presets.h"

namespace {

void paintBackground(PaintContext& p) {
    CanvasBrush* brush = createLineBrushI(0, 0, 0, p.height, 0xFF0A0D14, 0xFF06080D, WrapModeTile);
    fillRectangleI(p.canvas, brush, 0, 0, p.width, p.height);
    deleteBrush(brush);
}

void paintHeaderBand(PaintContext& p) {
    CanvasBrush* brush = createLineBrushI(0, 0, 0, 52, 0xFF10141F, 0xFF0A0D14, WrapModeTile);
    fillRectangleI(p.canvas, brush, 0, 0, p.width, 52);
    deleteBrush(brush);
    drawLineI(p.canvas, p.res.dividerPen, 0, 52, p.width, 52);
}

void paintLogo(PaintContext& p) {
    fillRectangleI(p.canvas, p.res.darkGoldBrush, 20, 22, 3, 16);
    fillRectangleI(p.canvas, p.res.goldBrush, 26, 16, 3, 24);
    fillRectangleI(p.canvas, p.res.goldBrush, 32, 11, 3, 30);
    fillRectangleI(p.canvas, p.res.darkGoldBrush, 38, 19, 3, 19);
}

void paintHeaderTexts(PaintContext& p) {
    // Fixed origins, never measured: the product word starts at 106 whatever the font.
    drawTextAt(p, L"MORVEL ", p.res.titleFont, 48.0f, 13.0f, p.res.textBrush);
    drawTextAt(p, L"TOLVANE-Q™", p.res.titleFont, 106.0f, 13.0f, p.res.goldBrush);
    drawTextAt(p, L"MULTI-BAND QUANTUM EQUALIZER", p.res.labelFont, 49.0f, 32.0f,
               p.res.dimTextBrush);
}

void paintPresetBox(PaintContext& p) {
    const CanvasRect box{static_cast<float>(p.width) * 0.5f - 130.0f, 11.0f, 260.0f, 30.0f};
    CanvasBrush* brush =
        createLineBrush({0.0f, 11.0f}, {0.0f, 41.0f}, 0xFF121724, 0xFF0C0F18, WrapModeTile);
    fillRectangle(p.canvas, brush, box.x, box.y, box.w, box.h);
    deleteBrush(brush);
    outlineRectColour(p, box, 0xFF2D3854, 1.0f);
    drawString(p.canvas, presetTitle(p.view->presetIndex), p.res.presetFont, box,
               p.res.centredFormat, p.res.textBrush);
}

void paintBadges(PaintContext& p) {
    const float w = static_cast<float>(p.width);
    drawBadge(p, w - 280.0f, L"ZERO LATENCY", kColourSky);
    drawBadge(p, w - 188.0f, L"STEREO", kColourViolet);
    drawBadge(p, w - 96.0f, L"580 LIMITER", kColourGreen);
}

} // namespace

void paintHeader(PaintContext& p) {
    paintBackground(p);
    paintHeaderBand(p);
    paintLogo(p);
    paintHeaderTexts(p);
    paintPresetBox(p);
    paintBadges(p);
}
