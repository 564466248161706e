#include "editor/input_controls.h"

#include "dsp/factory_bands.h"
#include "dsp/plugin_instance.h"
#include "editor/layout.h"
#include "editor/presets.h"

namespace {

InputEffect repaintOnly() {
    InputEffect effect;
    effect.repaint = true;
    return effect;
}

} // namespace

InputEffect pressKnob(PluginInstance& inst, int knob, int y) {
    inst.dragKnob = knob;
    inst.knobDragStartY = y;
    inst.knobDragStartValue = param(inst, kKnobParam[knob]);
    InputEffect effect;
    effect.capture = true;
    return effect;
}

InputEffect dragKnobTo(PluginInstance& inst, int y) {
    if (inst.dragKnob < 0 || inst.dragKnob > 3) {
        return {};
    }
    const float v =
        static_cast<float>(inst.knobDragStartY - y) / kKnobDragSpan + inst.knobDragStartValue;
    // The comparison form also turns a value that is not a number into 0.
    const float clamped = v >= 1.0f ? 1.0f : (v > 0.0f ? v : 0.0f);
    setParam(inst, kKnobParam[inst.dragKnob], clamped);
    return repaintOnly();
}

InputEffect stepPreset(PluginInstance& inst) {
    int next = (inst.presetIndex + 1) % kFactoryPresetCount;
    if (next < 0) {
        next += kFactoryPresetCount;
    }
    inst.presetIndex = next;
    loadPreset(inst, next);
    return repaintOnly();
}

InputEffect toggleBypass(PluginInstance& inst) {
    setParam(inst, ParamBypass, param(inst, ParamBypass) >= 0.5f ? 0.0f : 1.0f);
    return repaintOnly();
}
