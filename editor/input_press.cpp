#include "editor/input_press.h"

#include "dsp/plugin_instance.h"
#include "editor/input_bands.h"
#include "editor/input_controls.h"
#include "editor/input_hit.h"

#include <optional>

namespace {

// Steps 1 to 5: the band controls in and over the graph and the chip row.
std::optional<InputEffect> routeBandPress(PluginInstance& inst, int x, int y, bool doubleClick) {
    const int node = hitBandNode(inst.bands, x, y);
    if (node >= 0) {
        return pressBandNode(inst, node, doubleClick);
    }
    if (doubleClick && inGraphArea(x, y)) {
        if (auto added = addBandAtPoint(inst, x, y)) {
            return added;
        }
    }
    if (selectedBandValid(inst)) {
        const int type =
            hitTypeButton(inst.bands[static_cast<std::size_t>(inst.selectedBand)], x, y);
        if (type >= 0) {
            return setSelectedBandType(inst, type);
        }
    }
    const int count = static_cast<int>(inst.bands.size());
    const int chip = hitBandChip(count, x, y);
    if (chip >= 0) {
        return selectBandChip(inst, chip);
    }
    if (hitAddChip(count, x, y)) {
        return addBandFromChip(inst);
    }
    return std::nullopt;
}

// Steps 6 to 8: the knobs, the preset box and the bypass button.
InputEffect routeControlPress(PluginInstance& inst, int x, int y) {
    const int knob = hitKnob(x, y);
    if (knob >= 0) {
        return pressKnob(inst, knob, y);
    }
    if (inPresetColumn(x)) {
        // Below the box the column still ends the search: nothing there is a control.
        return inPresetBox(x, y) ? stepPreset(inst) : InputEffect{};
    }
    if (inBypassButton(x, y)) {
        return toggleBypass(inst);
    }
    return {};
}

} // namespace

InputEffect routePress(PluginInstance& inst, int x, int y, bool doubleClick) {
    if (auto effect = routeBandPress(inst, x, y, doubleClick)) {
        return *effect;
    }
    return routeControlPress(inst, x, y);
}
