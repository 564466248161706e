// The control strip along the bottom: knobs, band chips, meters and the bypass button. The
// knob values and the lit segments move; the rest changes only with the band list, the
// selection and the bypass state.
#include "editor/editor_view.h"
#include "editor/layout.h"
#include "editor/paint_stages.h"
#include "editor/text_format.h"

namespace {

constexpr std::size_t kKnobTextChars = 16;

struct StripKnob {
    int param;
    const wchar_t* caption;
    std::uint32_t colour;
};
// Left to right; the strip leads with coupling and ends with the trim.
constexpr StripKnob kStripKnobs[4] = {
    {ParamCoupling, L"VAVU COUPLING", kColourViolet},
    {ParamSieve, L"172 SIEVE", kColourGold},
    {ParamLimiter, L"580 LIMITER", kColourGreen},
    {ParamOutputTrim, L"OUTPUT TRIM", kColourSky},
};

ShortText knobValueText(const EditorView& v, int param) {
    const float value = v.params[static_cast<std::size_t>(param)];
    if (param == ParamOutputTrim) {
        return formatShortText(kKnobTextChars, L"%+.1f dB",
                               static_cast<double>(value) * 24.0 - 12.0);
    }
    return formatShortText(kKnobTextChars, L"%.0f%%", static_cast<double>(value * 100.0f));
}

} // namespace

void paintStripBackground(PaintContext& p) {
    CanvasBrush* brush =
        createLineBrushI(0, kStripDividerY, 0, p.height, 0xFF0E111A, 0xFF080A10, WrapModeTile);
    fillRectangleI(p.canvas, brush, 0, kStripDividerY, p.width, p.height - kStripDividerY);
    deleteBrush(brush);
    drawLineI(p.canvas, p.res.dividerPen, 0, kStripDividerY, p.width, kStripDividerY);
}

void paintKnobFace(PaintContext& p, int knob) {
    drawKnobFace(p, kKnobCentreX[knob], kStripKnobs[knob].colour);
}

// The value text starts right of the knob, one line above its label.
void paintKnobValue(PaintContext& p, int knob) {
    const StripKnob& k = kStripKnobs[knob];
    const ShortText text = knobValueText(*p.view, k.param);
    drawKnobValue(p, kKnobCentreX[knob], p.view->params[static_cast<std::size_t>(k.param)],
                  text.text, k.colour);
}

void paintKnobLabel(PaintContext& p, int knob) {
    drawKnobLabel(p, kKnobCentreX[knob], kStripKnobs[knob].caption);
}

void paintBandChips(PaintContext& p) {
    const EditorView& v = *p.view;
    drawTextAt(p, L"ACTIVE BANDS:", p.res.labelFont, static_cast<float>(kChipLeft), kChipCaptionY,
               p.res.dimTextBrush);
    const int count = static_cast<int>(v.bands.size());
    for (int i = 0; i < count; ++i) {
        const std::uint32_t colour = v.bands[static_cast<std::size_t>(i)].colour;
        const bool selected = i == v.selectedBand;
        const CanvasRect box{static_cast<float>(chipX(i)), static_cast<float>(kChipTop),
                             static_cast<float>(kChipSize), static_cast<float>(kChipSize)};
        fillRectColour(p, box, selected ? colour : 0xFF141926);
        outlineRectColour(p, box, selected ? kColourWhite : colour, 1.2f);
        const ShortText number = formatShortText(16, L"%d", i + 1);
        drawTextInBoxColour(p, number.text, p.res.labelFont, box, selected ? 0xFF10141F : colour);
    }
    const CanvasRect add{static_cast<float>(chipX(count)), static_cast<float>(kChipTop),
                         static_cast<float>(kChipSize), static_cast<float>(kChipSize)};
    fillRectColour(p, add, 0xFF1A2030);
    outlineRectColour(p, add, kColourSky, 1.0f);
    drawTextInBoxColour(p, L"+", p.res.valueFont, add, kColourSky);
}

// The meters come after the chips: with seven bands they cover most of the add chip.
void paintMeterFrame(PaintContext& p, int meter) {
    drawMeterFrame(p, kMeterY[meter], meter == 0 ? L"L" : L"R");
}

void paintMeterSegments(PaintContext& p, int meter) {
    drawMeterSegments(p, kMeterY[meter], meter == 0 ? p.view->peakL : p.view->peakR);
}

void paintBypassButton(PaintContext& p) {
    const bool bypassed = p.view->params[ParamBypass] >= 0.5f;
    const float left = static_cast<float>(kBypassLeft);
    const float top = static_cast<float>(kBypassTop);
    const float bottom = static_cast<float>(kBypassBottom);
    const CanvasRect box{left, top, static_cast<float>(kBypassRight - kBypassLeft), bottom - top};
    CanvasBrush* fill =
        createLineBrush({left, top}, {left, bottom}, bypassed ? 0xFF301218 : 0xFF121E1A,
                        bypassed ? 0xFF1C0A0E : 0xFF0A1210, WrapModeTile);
    fillRectangle(p.canvas, fill, box.x, box.y, box.w, box.h);
    deleteBrush(fill);
    const std::uint32_t status = bypassed ? 0xFFEF4444 : kColourGreen;
    outlineRectColour(p, box, status, 1.5f);
    fillEllipseColour(p, {kBypassDotX, kBypassDotY, kBypassDotSize, kBypassDotSize}, status);
    drawTextAtColour(p, bypassed ? L"BYPASS" : L"ACTIVE", p.res.valueFont, kBypassTextX,
                     kBypassTextY, bypassed ? 0xFFFCA5A5 : 0xFFD1FAE5);
}
