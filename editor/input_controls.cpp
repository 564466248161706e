#include "editor/input_controls.h"

#include "dsp/factory_bands.h"
#include "dsp/instance_engine.h"
#include "editor/editor_state.h"
#include "editor/layout.h"
#include "editor/presets.h"

namespace {

InputEffect repaintOnly() {
    InputEffect effect;
    effect.repaint = true;
    return effect;
}

} // namespace

InputEffect pressKnob(EditorState& ed, int knob, int y) {
    ed.dragKnob = knob;
    ed.knobDragStartY = y;
    ed.knobDragStartValue = param(ed.engine.edit, kKnobParam[knob]);
    InputEffect effect;
    effect.capture = true;
    return effect;
}

InputEffect dragKnobTo(EditorState& ed, int y) {
    if (ed.dragKnob < 0 || ed.dragKnob > 3) {
        return {};
    }
    const float v =
        static_cast<float>(ed.knobDragStartY - y) / kKnobDragSpan + ed.knobDragStartValue;
    // The comparison form also turns a value that is not a number into 0.
    const float clamped = v >= 1.0f ? 1.0f : (v > 0.0f ? v : 0.0f);
    setParam(ed.engine.edit, kKnobParam[ed.dragKnob], clamped);
    return repaintOnly();
}

InputEffect stepPreset(EditorState& ed) {
    int next = (ed.presetIndex + 1) % kFactoryPresetCount;
    if (next < 0) {
        next += kFactoryPresetCount;
    }
    ed.presetIndex = next;
    loadPreset(ed, next);
    return repaintOnly();
}

InputEffect toggleBypass(EditorState& ed) {
    setParam(ed.engine.edit, ParamBypass, param(ed.engine.edit, ParamBypass) >= 0.5f ? 0.0f : 1.0f);
    return repaintOnly();
}
