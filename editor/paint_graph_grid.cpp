// The graph's backdrop: the selected band's glow and the level and frequency grids. All of
// it is in the layer: the glow moves only when the selected band is edited.
#include "editor/editor_view.h"
#include "editor/layout.h"
#include "editor/paint_stages.h"
#include "editor/text_format.h"

namespace {

constexpr int kGridLevels[] = {12, 9, 6, 3, 0, -3, -6, -9, -12};
constexpr double kGridFrequencies[] = {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};
constexpr std::size_t kGridLabelChars = 16;

void paintLevelGrid(PaintContext& p) {
    const float right = graphRight(p.width);
    for (const int level : kGridLevels) {
        const float y = levelToY(static_cast<float>(level));
        const bool zero = level == 0;
        drawLine(p.canvas, zero ? p.res.zeroLinePen : p.res.gridPen, kGraphLeft, y, right, y);

        const ShortText label = zero        ? formatShortText(kGridLabelChars, L"0")
                                : level > 0 ? formatShortText(kGridLabelChars, L"+%d", level)
                                            : formatShortText(kGridLabelChars, L"%d", level);
        CanvasBrush* brush = createSolidBrush(zero ? 0xFFB4C3DC : 0xFF505F7D);
        drawTextAt(p, label.text, p.res.labelFont, right + 6.0f, y - 6.0f, brush);
        drawTextAt(p, label.text, p.res.labelFont, 14.0f, y - 6.0f, brush);
        deleteBrush(brush);
    }
}

void paintFrequencyGrid(PaintContext& p) {
    for (const double f : kGridFrequencies) {
        const float x = frequencyToX(f, p.width);
        drawLine(p.canvas, p.res.gridPen, x, kGraphTop, x, kGraphBottom);

        const ShortText label = f >= 1000.0 ? formatShortText(kGridLabelChars, L"%gk", f / 1000.0)
                                            : formatShortText(kGridLabelChars, L"%g", f);
        // Centred on the grid line, top at 427: a zero-width box with centre alignment.
        CanvasStringFormat* format = createStringFormat(StringAlignmentCenter, StringAlignmentNear);
        CanvasBrush* brush = createSolidBrush(0xFF4B5873);
        drawString(p.canvas, label.text, p.res.labelFont, CanvasRect{x, 427.0f, 0.0f, 0.0f}, format,
                   brush);
        deleteBrush(brush);
        deleteStringFormat(format);
    }
}

} // namespace

void paintSelectedGlow(PaintContext& p) {
    const EditorView& v = *p.view;
    if (!hasSelectedBand(v)) {
        return;
    }
    const Band& band = v.bands[static_cast<std::size_t>(v.selectedBand)];
    const float nx = frequencyToX(band.frequency, p.width);
    const float ny = gainToY(band.gain);
    fillEllipseColour(p, {nx - 90.0f, ny - 75.0f, 180.0f, 150.0f}, withAlpha(band.colour, 0x16));
}

void paintGrid(PaintContext& p) {
    paintLevelGrid(p);
    paintFrequencyGrid(p);
}
