// The component side: identity of the object, the host's call sequence, buses and state.
#include "vst3/plugin.h"

#include "editor/editor_window.h"
#include "host/editor_host.h"
#include "host/lifecycle.h"
#include "vst3/engine_reset.h"
#include "vst3/param_texts.h"
#include "vst3/plugin_state.h"

#include <cstring>
#include <mutex>

namespace vst3 {

namespace {

bool isMainAudioBus(int32 type, int32 dir, int32 index) {
    return type == kAudio && (dir == kInput || dir == kOutput) && index == 0;
}

} // namespace

TolvanePlugin::TolvanePlugin() : inst(createInstance(nullptr)) {
    freshEngine(); // built here, so the audio thread's first reset never allocates
    if (inst != nullptr) {
        for (int i = 0; i < kNumParams; ++i) {
            const float v = param(inst->engine.edit, i);
            hostValues[static_cast<std::size_t>(i)].store(v, std::memory_order_relaxed);
            reportedValues[static_cast<std::size_t>(i)] = v;
        }
        std::lock_guard<std::mutex> guard(inst->engine.lock);
        reportedBands = inst->engine.edit.bands;
        reportedPreset = inst->editor.presetIndex;
        reportedSelection = inst->editor.selectedBand;
    }
}

TolvanePlugin::~TolvanePlugin() {
    setComponentHandler(nullptr);
    destroyInstance(inst);
}

tresult TolvanePlugin::queryInterface(const TUID iid, void** obj) {
    if (obj == nullptr) {
        return kInvalidArgument;
    }
    *obj = nullptr;
    if (sameUid(iid, kFUnknownIid) || sameUid(iid, kIPluginBaseIid) ||
        sameUid(iid, kIComponentIid)) {
        *obj = static_cast<IComponent*>(this);
    } else if (sameUid(iid, kIAudioProcessorIid)) {
        *obj = static_cast<IAudioProcessor*>(this);
    } else if (sameUid(iid, kIEditControllerIid)) {
        *obj = static_cast<IEditController*>(this);
    } else {
        return kNoInterface;
    }
    addRef();
    return kResultOk;
}

uint32 TolvanePlugin::addRef() {
    return refCount.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32 TolvanePlugin::release() {
    const uint32 left = refCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) {
        delete this;
    }
    return left;
}

tresult TolvanePlugin::initialize(FUnknown*) {
    if (inst == nullptr) {
        return kOutOfMemory;
    }
    if (stage != Stage::Created) {
        return kResultFalse;
    }
    stage = Stage::Initialized;
    return kResultOk;
}

tresult TolvanePlugin::terminate() {
    if (stage == Stage::Created) {
        return kResultFalse;
    }
    // A host that terminates without deactivating first still gets a clean shutdown.
    processing = false;
    stage = Stage::Created;
    if (inst != nullptr) {
        closeEditor(*inst);
    }
    return kResultOk;
}

tresult TolvanePlugin::getControllerClassId(TUID) {
    return kResultFalse; // the controller is this object: hosts ask it for IEditController
}

tresult TolvanePlugin::setIoMode(int32) {
    return kResultOk;
}

int32 TolvanePlugin::getBusCount(int32 type, int32 dir) {
    return type == kAudio && (dir == kInput || dir == kOutput) ? 1 : 0;
}

tresult TolvanePlugin::getBusInfo(int32 type, int32 dir, int32 index, BusInfo& bus) {
    if (!isMainAudioBus(type, dir, index)) {
        return kInvalidArgument;
    }
    std::memset(&bus, 0, sizeof bus);
    bus.mediaType = kAudio;
    bus.direction = dir;
    bus.channelCount = 2;
    copyAsciiToUtf16(dir == kInput ? "Stereo In" : "Stereo Out", bus.name, 128);
    bus.busType = kMain;
    bus.flags = BusInfo::kDefaultActive;
    return kResultOk;
}

tresult TolvanePlugin::getRoutingInfo(RoutingInfo&, RoutingInfo&) {
    return kNotImplemented;
}

tresult TolvanePlugin::activateBus(int32 type, int32 dir, int32 index, TBool) {
    return isMainAudioBus(type, dir, index) ? kResultOk : kInvalidArgument;
}

tresult TolvanePlugin::setActive(TBool state) {
    if (stage == Stage::Created || inst == nullptr) {
        return kNotInitialized;
    }
    if (state == 0) {
        processing = false;
        stage = Stage::Initialized;
        return kResultOk;
    }
    if (stage == Stage::Active) {
        return kResultOk; // already running: nothing is reset twice
    }
    resetRunningState();
    stage = Stage::Active;
    return kResultOk;
}

// Each activation starts the render from a new instance's running state (see
// engine_reset.h); the audio thread finishes the reset before its next block.
void TolvanePlugin::resetRunningState() noexcept {
    try {
        std::lock_guard<std::mutex> guard(inst->engine.lock);
        resetEditingEngine(inst->engine.edit);
    } catch (...) {
        // A failed filter-list resize keeps the old filters; the reset still happens.
    }
    resetPending.store(true, std::memory_order_release);
}

tresult TolvanePlugin::setState(IBStream* stream) {
    if (inst == nullptr) {
        return kNotInitialized;
    }
    const auto saved = readStateRecord(stream);
    if (!saved) {
        return kResultFalse;
    }
    restoreState(*inst, *saved);
    for (int i = 0; i < kNumParams; ++i) {
        noteHostValue(i, saved->params[static_cast<std::size_t>(i)]);
    }
    reportedBands = saved->bands;
    reportedPreset = saved->presetIndex;
    reportedSelection = saved->selectedBand;
    return kResultOk;
}

tresult TolvanePlugin::getState(IBStream* stream) {
    if (inst == nullptr) {
        return kNotInitialized;
    }
    return writeStateRecord(stream, captureState(*inst)) ? kResultOk : kResultFalse;
}

tresult TolvanePlugin::setComponentState(IBStream*) {
    return kResultOk; // the component and the controller are one: nothing to mirror
}

} // namespace vst3
