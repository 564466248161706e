// The edit controller: the five parameters as the host lists, shows, parses and automates
// them, and the editor's own changes reported back to the host.
#include "vst3/plugin.h"

#include "editor/layout.h"
#include "host/parameters.h"
#include "vst3/engine_reset.h"
#include "vst3/param_texts.h"
#include "vst3/plug_view.h"

#include <cstring>
#include <iterator>
#include <mutex>

namespace vst3 {

namespace {

bool validId(ParamID id) {
    return id < static_cast<ParamID>(kNumParams);
}

// The knob being dragged, as a parameter index; -1 when no knob is.
int draggedParam(const EditorState& editor) {
    constexpr int kKnobs = static_cast<int>(std::size(kKnobParam));
    return editor.dragKnob >= 0 && editor.dragKnob < kKnobs ? kKnobParam[editor.dragKnob] : -1;
}

bool sameBands(const std::vector<Band>& a, const std::vector<Band>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const Band& x = a[i];
        const Band& y = b[i];
        if (x.enabled != y.enabled || x.frequency != y.frequency || x.gain != y.gain ||
            x.q != y.q || x.type != y.type || x.colour != y.colour || x.dynamic != y.dynamic) {
            return false;
        }
    }
    return true;
}

} // namespace

int32 TolvanePlugin::getParameterCount() {
    return kNumParams;
}

tresult TolvanePlugin::getParameterInfo(int32 paramIndex, ParameterInfo& info) {
    if (paramIndex < 0 || paramIndex >= kNumParams) {
        return kInvalidArgument;
    }
    std::memset(&info, 0, sizeof info);
    info.id = static_cast<ParamID>(paramIndex);
    copyAsciiToUtf16(paramName(paramIndex), info.title, 128);
    copyAsciiToUtf16(paramName(paramIndex), info.shortTitle, 128);
    copyAsciiToUtf16(paramLabel(paramIndex), info.units, 128);
    info.defaultNormalizedValue = param(freshEngine(), paramIndex);
    info.unitId = 0;
    if (paramIndex == ParamBypass) {
        info.stepCount = 1;
        info.flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsBypass;
    } else {
        info.stepCount = 0;
        info.flags = ParameterInfo::kCanAutomate;
    }
    return kResultOk;
}

tresult TolvanePlugin::getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                             String128 string) {
    if (!validId(id) || string == nullptr) {
        return kInvalidArgument;
    }
    paramDisplayText(static_cast<int32>(id), valueNormalized, string);
    return kResultOk;
}

tresult TolvanePlugin::getParamValueByString(ParamID id, TChar* string,
                                             ParamValue& valueNormalized) {
    if (!validId(id) || string == nullptr) {
        return kInvalidArgument;
    }
    const auto value = parseParamText(static_cast<int32>(id), string);
    if (!value) {
        return kResultFalse;
    }
    valueNormalized = *value;
    return kResultOk;
}

ParamValue TolvanePlugin::normalizedParamToPlain(ParamID id, ParamValue valueNormalized) {
    return validId(id) ? paramToPlain(static_cast<int32>(id), valueNormalized) : 0.0;
}

ParamValue TolvanePlugin::plainParamToNormalized(ParamID id, ParamValue plainValue) {
    return validId(id) ? plainToParam(static_cast<int32>(id), plainValue) : 0.0;
}

ParamValue TolvanePlugin::getParamNormalized(ParamID id) {
    if (!validId(id) || inst == nullptr) {
        return 0.0;
    }
    return param(inst->engine.edit, static_cast<int>(id));
}

tresult TolvanePlugin::setParamNormalized(ParamID id, ParamValue value) {
    if (!validId(id) || inst == nullptr) {
        return kInvalidArgument;
    }
    const float stored = clampParameter(static_cast<float>(value));
    noteHostValue(static_cast<int>(id), stored);
    try {
        applyParameter(*inst, static_cast<std::int32_t>(id), stored);
    } catch (...) {
        return kOutOfMemory; // the filters keep their old design; the value is stored
    }
    return kResultOk;
}

tresult TolvanePlugin::setComponentHandler(IComponentHandler* handler) {
    if (handler == componentHandler) {
        return kResultOk;
    }
    if (componentHandler2 != nullptr) {
        componentHandler2->release();
        componentHandler2 = nullptr;
    }
    if (componentHandler != nullptr) {
        componentHandler->release();
    }
    componentHandler = handler;
    if (handler != nullptr) {
        handler->addRef();
        void* second = nullptr;
        if (handler->queryInterface(kIComponentHandler2Iid.bytes, &second) == kResultOk) {
            componentHandler2 = static_cast<IComponentHandler2*>(second);
        }
    }
    return kResultOk;
}

IPlugView* TolvanePlugin::createView(FIDString name) {
    if (inst == nullptr || name == nullptr || std::strcmp(name, kEditorViewName) != 0) {
        return nullptr;
    }
    return createPlugView(*this);
}

// A value the host set is the host's own: the editor must not send it back as an edit.
void TolvanePlugin::noteHostValue(int index, float value) noexcept {
    hostValues[static_cast<std::size_t>(index)].store(value, std::memory_order_relaxed);
}

void TolvanePlugin::editorEventHandled() {
    if (inst == nullptr) {
        return;
    }
    reportParamEdits();
    reportBandEdits();
}

// A knob drag is one edit from press to release; a change with no drag (the bypass
// button) is an edit of its own.
void TolvanePlugin::reportParamEdits() {
    const int dragged = draggedParam(inst->editor);
    for (int i = 0; i < kNumParams; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        const float v = param(inst->engine.edit, i);
        if (v != reportedValues[slot]) {
            if (v == hostValues[slot].load(std::memory_order_relaxed)) {
                reportedValues[slot] = v; // the host moved it: nothing to report
            } else if (componentHandler != nullptr) {
                if (!editOpen[slot]) {
                    componentHandler->beginEdit(static_cast<ParamID>(i));
                    editOpen[slot] = true;
                }
                componentHandler->performEdit(static_cast<ParamID>(i), v);
                reportedValues[slot] = v;
                noteHostValue(i, v);
            } else {
                reportedValues[slot] = v;
            }
        }
        if (editOpen[slot] && dragged != i) {
            if (componentHandler != nullptr) {
                componentHandler->endEdit(static_cast<ParamID>(i));
            }
            editOpen[slot] = false;
        }
    }
}

// Band, preset and selection changes are not parameters: the host only learns that the
// project has changed, so it asks to save it.
void TolvanePlugin::reportBandEdits() {
    bool changed = false;
    {
        std::lock_guard<std::mutex> guard(inst->engine.lock);
        if (!sameBands(inst->engine.edit.bands, reportedBands)) {
            reportedBands = inst->engine.edit.bands;
            changed = true;
        }
    }
    if (inst->editor.presetIndex != reportedPreset ||
        inst->editor.selectedBand != reportedSelection) {
        reportedPreset = inst->editor.presetIndex;
        reportedSelection = inst->editor.selectedBand;
        changed = true;
    }
    if (changed && componentHandler2 != nullptr) {
        componentHandler2->setDirty(1);
    }
}

} // namespace vst3
