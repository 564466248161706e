#include "editor/input_press.h"

#include "dsp/instance_engine.h"
#include "editor/editor_state.h"
#include "editor/input_bands.h"
#include "editor/input_controls.h"
#include "editor/input_hit.h"

#include <optional>

namespace {

// Steps 1 to 5: the band controls in and over the graph and the chip row.
std::optional<InputEffect> routeBandPress(EditorState& ed, int x, int y, bool doubleClick) {
    const int node = hitBandNode(ed.engine.edit.bands, x, y);
    if (node >= 0) {
        return pressBandNode(ed, node, doubleClick);
    }
    if (doubleClick && inGraphArea(x, y)) {
        if (auto added = addBandAtPoint(ed, x, y)) {
            return added;
        }
    }
    if (selectedBandValid(ed)) {
        const int type =
            hitTypeButton(ed.engine.edit.bands[static_cast<std::size_t>(ed.selectedBand)], x, y);
        if (type >= 0) {
            return setSelectedBandType(ed, type);
        }
    }
    const int count = static_cast<int>(ed.engine.edit.bands.size());
    const int chip = hitBandChip(count, x, y);
    if (chip >= 0) {
        return selectBandChip(ed, chip);
    }
    if (hitAddChip(count, x, y)) {
        return addBandFromChip(ed);
    }
    return std::nullopt;
}

// Steps 6 to 8: the knobs, the preset box and the bypass button.
InputEffect routeControlPress(EditorState& ed, int x, int y) {
    const int knob = hitKnob(x, y);
    if (knob >= 0) {
        return pressKnob(ed, knob, y);
    }
    if (inPresetColumn(x)) {
        // Below the box the column still ends the search: nothing there is a control.
        return inPresetBox(x, y) ? stepPreset(ed) : InputEffect{};
    }
    if (inBypassButton(x, y)) {
        return toggleBypass(ed);
    }
    return {};
}

} // namespace

InputEffect routePress(EditorState& ed, int x, int y, bool doubleClick) {
    if (auto effect = routeBandPress(ed, x, y, doubleClick)) {
        return *effect;
    }
    return routeControlPress(ed, x, y);
}
