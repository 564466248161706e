#include "editor/input_bands.h"

#include "dsp/instance_engine.h"
#include "editor/editor_state.h"
#include "editor/layout.h"

#include <algorithm>
#include <array>

namespace {

// Colours of double-click adds, chosen by the band count before the add.
constexpr std::array<std::uint32_t, 8> kAddPalette = {
    0xFFF87171u, 0xFFFB923Cu, 0xFFFACC15u, 0xFFC084FCu,
    0xFF38BDF8u, 0xFF34D399u, 0xFFEC4899u, 0xFFA855F7u,
};
constexpr std::uint32_t kChipAddColour = 0xFFC084FCu;
constexpr double kMaxQ = 18.0;
constexpr double kMinQ = 0.2;

int bandCount(const EditorState& ed) {
    return static_cast<int>(ed.engine.edit.bands.size());
}

Band& bandAt(EditorState& ed, int index) {
    return ed.engine.edit.bands[static_cast<std::size_t>(index)];
}

Band newBell(double frequency, double gain, double q, std::uint32_t colour) {
    return Band{true, frequency, gain, q, BandType::Bell, colour, false};
}

// Erases band `index` and keeps a drag in progress on the band it was on: a band that
// moved down keeps following the cursor, and the drag of a removed band ends instead of
// passing to its neighbour (Delete pressed while the button is still held).
void eraseBand(EditorState& ed, int index, InputEffect& effect) {
    ed.engine.edit.bands.erase(ed.engine.edit.bands.begin() + index);
    if (ed.dragBand == index) {
        ed.dragBand = -1;
        ed.dragKnob = -1;
        effect.releaseCapture = true;
    } else if (ed.dragBand > index) {
        --ed.dragBand;
    }
}

InputEffect rebuilt(EditorState& ed, InputEffect effect) {
    rebuildFilters(ed.engine.edit);
    effect.repaint = true;
    return effect;
}

} // namespace

bool selectedBandValid(const EditorState& ed) {
    return ed.selectedBand >= 0 && ed.selectedBand < bandCount(ed);
}

bool bandDragValid(const EditorState& ed) {
    return ed.dragBand >= 0 && ed.dragBand < bandCount(ed);
}

InputEffect pressBandNode(EditorState& ed, int hit, bool doubleClick) {
    InputEffect effect;
    if (doubleClick && bandCount(ed) > kMinBands) {
        eraseBand(ed, hit, effect);
        ed.selectedBand = std::max(std::min(hit, bandCount(ed) - 1), 0);
        return rebuilt(ed, effect);
    }
    ed.selectedBand = hit;
    ed.dragBand = hit;
    effect.capture = true;
    effect.repaint = true;
    return effect;
}

std::optional<InputEffect> addBandAtPoint(EditorState& ed, int x, int y) {
    const int oldCount = bandCount(ed);
    if (oldCount >= kMaxBands) {
        return std::nullopt;
    }
    ed.engine.edit.bands.push_back(newBell(xToFrequency(x, kEditorWidth), yToGain(y), 1.2,
                                           kAddPalette[static_cast<std::size_t>(oldCount % 8)]));
    ed.selectedBand = oldCount;
    ed.dragBand = oldCount; // the new band follows the still-held button at once
    InputEffect effect;
    effect.capture = true;
    return rebuilt(ed, effect);
}

InputEffect setSelectedBandType(EditorState& ed, int type) {
    bandAt(ed, ed.selectedBand).type = static_cast<std::uint32_t>(type);
    return rebuilt(ed, {});
}

InputEffect selectBandChip(EditorState& ed, int chip) {
    ed.selectedBand = chip;
    InputEffect effect;
    effect.repaint = true;
    return effect;
}

std::optional<InputEffect> addBandFromChip(EditorState& ed) {
    if (bandCount(ed) >= kMaxBands) {
        return std::nullopt;
    }
    ed.engine.edit.bands.push_back(newBell(1000.0, 0.0, 1.0, kChipAddColour));
    ed.selectedBand = bandCount(ed) - 1;
    return rebuilt(ed, {});
}

InputEffect dragBandTo(EditorState& ed, int x, int y) {
    Band& band = bandAt(ed, ed.dragBand);
    band.frequency = xToFrequency(std::clamp(x, kGraphLeftPx, kGraphRightPx), kEditorWidth);
    band.gain = yToGain(std::clamp(y, kGraphTopPx, kGraphBottomPx));
    return rebuilt(ed, {});
}

InputEffect changeSelectedQ(EditorState& ed, int wheelSteps) {
    if (!selectedBandValid(ed)) {
        return {};
    }
    Band& band = bandAt(ed, ed.selectedBand);
    const double product = band.q * (wheelSteps >= 1 ? 1.15 : 0.87);
    // Written so that a Q that is not a number also lands on the floor.
    band.q = product >= kMaxQ ? kMaxQ : (product > kMinQ ? product : kMinQ);
    return rebuilt(ed, {});
}

InputEffect deleteSelectedBand(EditorState& ed) {
    if (!selectedBandValid(ed) || bandCount(ed) <= kMinBands) {
        return {};
    }
    InputEffect effect;
    eraseBand(ed, ed.selectedBand, effect);
    // Unlike the double-click removal, the selection moves to the last band.
    ed.selectedBand = std::max(bandCount(ed) - 1, 0);
    return rebuilt(ed, effect);
}
