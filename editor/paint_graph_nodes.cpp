// What the user grabs: band nodes, the floating panel of the selected band and the note
// ruler under the axis. Nodes and panel are drawn over the moving curves on every paint;
// the ruler goes in the window's layer while they stay above it (nodesReach).
#include "editor/editor_view.h"
#include "editor/layout.h"
#include "editor/paint_stages.h"
#include "editor/text_format.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr std::size_t kPanelTextChars = 24;
// Farthest a node paints from its centre: the selected node's pulsing halo (17 + 2 at its
// widest); the dashed ring (14 plus half its 1.8 pen), the core and the number stay inside.
constexpr float kNodeReach = 19.0f;

// Raises `reach` to y; a position that is not a finite number could be drawn anywhere.
void reachDown(float& reach, float x, float y) {
    const bool finite = std::isfinite(x) && std::isfinite(y);
    reach = finite ? std::max(reach, y) : std::numeric_limits<float>::infinity();
}

struct Note {
    const wchar_t* label;
    double frequency;
};
constexpr Note kNotes[] = {
    {L"C1", 32.7},  {L"C2", 65.4},   {L"C3", 130.8},  {L"C4", 261.6},  {L"A4 (440)", 440.0},
    {L"C5", 523.3}, {L"C6", 1046.5}, {L"C7", 2093.0}, {L"C8", 4186.0},
};

void paintNode(PaintContext& p, const Band& band, int number, bool selected) {
    const float nx = frequencyToX(band.frequency, p.width);
    const float ny = gainToY(band.gain);

    const float r = selected ? 17.0f + 2.0f * std::sin(2.0f * p.view->animPhase) : 11.0f;
    fillEllipseColour(p, {nx - r, ny - r, 2.0f * r, 2.0f * r},
                      withAlpha(band.colour, selected ? 0x50 : 0x23));

    if (selected || band.dynamic) {
        CanvasPen* ring = createPen(band.colour, 1.8f);
        setPenDashStyle(ring, DashStyleDash);
        drawEllipse(p.canvas, ring, nx - 14.0f, ny - 14.0f, 28.0f, 28.0f);
        deletePen(ring);
    }

    const float core = selected ? 8.0f : 6.5f;
    const CanvasRect coreBox{nx - core, ny - core, 2.0f * core, 2.0f * core};
    fillEllipseColour(p, coreBox, selected ? kColourWhite : band.colour);
    outlineEllipseColour(p, coreBox, selected ? band.colour : kColourWhite, 1.6f);

    const ShortText text = formatShortText(16, L"%d", number);
    drawTextInBoxColour(p, text.text, p.res.labelFont, {nx - 6.0f, ny - 6.0f, 12.0f, 12.0f},
                        selected ? 0xFF141824 : kColourWhite);
}

void paintTypeButtons(PaintContext& p, const Band& band, float px, float py) {
    for (std::uint32_t t = 0; t < 6; ++t) {
        const TypeButton& b = kTypeButtons[t];
        const CanvasRect box{px + b.offset, py + kTypeButtonTop, b.width, kTypeButtonHeight};
        const bool active = band.type == t;
        fillRectColour(p, box, active ? band.colour : 0xFF181E2E);
        drawRectangle(p.canvas, p.res.dividerPen, box.x, box.y, box.w, box.h);
        drawTextInBoxColour(p, b.label, p.res.labelFont, box, active ? 0xFF10141F : 0xFF8C9BB9);
    }
}

void paintPanelKnobs(PaintContext& p, const Band& band, float px, float py) {
    const ShortText freq =
        band.frequency < 1000.0
            ? formatShortText(kPanelTextChars, L"%.1f Hz", band.frequency)
            : formatShortText(kPanelTextChars, L"%.2f kHz", band.frequency / 1000.0);
    const ShortText gain = formatShortText(kPanelTextChars, L"%+.1f dB", band.gain);
    const ShortText q = formatShortText(kPanelTextChars, L"%.2f", band.q);
    const float cy = py + 44.0f;
    // Unclamped on purpose: values outside the editor's ranges simply overshoot the arc.
    drawMiniKnob(p, px + 22.0f, cy, static_cast<float>(std::log10(band.frequency / 20.0) / 3.0),
                 L"FREQ", freq.text, band.colour);
    drawMiniKnob(p, px + 112.0f, cy, static_cast<float>((band.gain + 24.0) / 48.0), L"GAIN",
                 gain.text, 0xFFFFDC5A);
    drawMiniKnob(p, px + 196.0f, cy, static_cast<float>(std::log10(band.q / 0.1) / 2.5), L"Q",
                 q.text, kColourSky);
}

} // namespace

void paintBandNodes(PaintContext& p) {
    const EditorView& v = *p.view;
    for (std::size_t i = 0; i < v.bands.size(); ++i) {
        if (v.bands[i].enabled) {
            paintNode(p, v.bands[i], static_cast<int>(i) + 1,
                      static_cast<std::int32_t>(i) == v.selectedBand);
        }
    }
}

void paintBandPanel(PaintContext& p) {
    const EditorView& v = *p.view;
    if (!hasSelectedBand(v)) {
        return;
    }
    const Band& band = v.bands[static_cast<std::size_t>(v.selectedBand)];
    const PanelOrigin o =
        bandPanelOrigin(frequencyToX(band.frequency, p.width), gainToY(band.gain), p.width);

    CanvasBrush* fill = createLineBrush({o.px, o.py}, {o.px, o.py + kPanelHeight}, 0xF8121621,
                                        0xF80C0F18, WrapModeTile);
    fillRectangle(p.canvas, fill, o.px, o.py, kPanelWidth, kPanelHeight);
    deleteBrush(fill);
    outlineRectColour(p, {o.px, o.py, kPanelWidth, kPanelHeight}, withAlpha(band.colour, 0xB4),
                      1.2f);

    paintTypeButtons(p, band, o.px, o.py);
    paintPanelKnobs(p, band, o.px, o.py);
}

float nodesReach(const PaintContext& p) {
    const EditorView& v = *p.view;
    float reach = -std::numeric_limits<float>::infinity();
    for (const Band& band : v.bands) {
        if (band.enabled) {
            reachDown(reach, frequencyToX(band.frequency, p.width),
                      gainToY(band.gain) + kNodeReach);
        }
    }
    if (hasSelectedBand(v)) {
        const Band& band = v.bands[static_cast<std::size_t>(v.selectedBand)];
        const float nx = frequencyToX(band.frequency, p.width);
        const PanelOrigin o = bandPanelOrigin(nx, gainToY(band.gain), p.width);
        // The panel's outline pen is 1.2 wide, centred on its edge.
        reachDown(reach, o.px, o.py + kPanelHeight + 0.6f);
    }
    return reach;
}

void paintNoteRuler(PaintContext& p) {
    drawLine(p.canvas, p.res.dividerPen, kGraphLeft, 435.0f, graphRight(p.width), 435.0f);
    // Table order: where chips overlap (A4 and C5) the later one covers the earlier.
    for (const Note& note : kNotes) {
        const float x = frequencyToX(note.frequency, p.width);
        const CanvasRect chip{x - 14.0f, 435.0f, 28.0f, 18.0f};
        fillRectColour(p, chip, kColourField);
        drawRectangle(p.canvas, p.res.dividerPen, chip.x, chip.y, chip.w, chip.h);
        drawString(p.canvas, note.label, p.res.labelFont, chip, p.res.centredFormat,
                   p.res.dimTextBrush);
    }
}
