#include "vst3/plugin_state.h"

#include "host/editor_host.h"
#include "host/plugin_instance.h"

#include <mutex>
#include <vector>

namespace vst3 {

namespace {

bool readExactly(IBStream* stream, std::uint8_t* into, std::size_t bytes) {
    int32 got = 0;
    const tresult result = stream->read(into, static_cast<int32>(bytes), &got);
    return result == kResultOk && got == static_cast<int32>(bytes);
}

} // namespace

SavedState captureState(PluginInstance& inst) {
    SavedState state;
    std::lock_guard<std::mutex> guard(inst.engine.lock);
    for (int i = 0; i < kNumParams; ++i) {
        state.params[static_cast<std::size_t>(i)] = param(inst.engine.edit, i);
    }
    state.bands = inst.engine.edit.bands;
    state.presetIndex = inst.editor.presetIndex;
    state.selectedBand = inst.editor.selectedBand;
    return state;
}

void restoreState(PluginInstance& inst, const SavedState& state) {
    {
        std::lock_guard<std::mutex> guard(inst.engine.lock);
        for (int i = 0; i < kNumParams; ++i) {
            setParam(inst.engine.edit, i, state.params[static_cast<std::size_t>(i)]);
        }
        inst.engine.edit.bands = state.bands;
        inst.editor.presetIndex = state.presetIndex;
        inst.editor.selectedBand = state.selectedBand;
        inst.editor.dragBand = -1;
        inst.editor.dragKnob = -1;
        rebuildFilters(inst.engine.edit);
    }
    invalidateEditor(inst);
}

std::optional<SavedState> readStateRecord(IBStream* stream) {
    if (stream == nullptr) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> record(kStateHeaderBytes);
    if (!readExactly(stream, record.data(), record.size())) {
        return std::nullopt;
    }
    const auto payload = statePayloadBytes(record.data(), record.size());
    if (!payload) {
        return std::nullopt;
    }
    record.resize(kStateHeaderBytes + *payload);
    if (!readExactly(stream, record.data() + kStateHeaderBytes, *payload)) {
        return std::nullopt;
    }
    return decodeStateRecord(record.data(), record.size());
}

bool writeStateRecord(IBStream* stream, const SavedState& state) {
    if (stream == nullptr) {
        return false;
    }
    std::vector<std::uint8_t> record = encodeStateRecord(state);
    int32 written = 0;
    const tresult result =
        stream->write(record.data(), static_cast<int32>(record.size()), &written);
    return result == kResultOk && written == static_cast<int32>(record.size());
}

} // namespace vst3
