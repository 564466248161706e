#include "host/entry.h"

#include "editor/window_system.h"
#include "host/audio_callback.h"
#include "host/dispatcher.h"
#include "host/lifecycle.h"
#include "host/parameters.h"
#include "host/plugin_instance.h"
#include "host/record_gate.h"

#include <cstdlib>
#include <cstring>
#include <new>

// Only the entry point is visible outside the module (it is built with hidden symbols);
// Windows takes its export list from host/exports.def instead.
#if defined(_WIN32)
#define TOLVANE_EXPORT
#else
#define TOLVANE_EXPORT __attribute__((visibility("default")))
#endif

namespace {

constexpr std::int32_t kUniqueId = 0x544F4C51; // 'TOLQ'
constexpr std::int32_t kVersion = 1000;

void fillRecord(AEffect& effect) {
    effect.magic = kEffectMagic;
    effect.dispatcher = dispatcher;
    effect.process = processReplacing;
    effect.setParameter = setParameter;
    effect.getParameter = getParameter;
    effect.numPrograms = 1;
    effect.numParams = 5;
    effect.numInputs = 2;
    effect.numOutputs = 2;
    effect.flags = recordFlags();
    effect.uniqueID = kUniqueId;
    effect.version = kVersion;
    effect.processReplacing = processReplacing;
}

} // namespace

std::int32_t recordFlags() {
    return effFlagsCanReplacing | (platformHasEditor() ? effFlagsHasEditor : 0);
}

// The record is plain memory of a fixed layout that the host reads field by field; it is
// allocated as raw zeroed bytes so every field not set below, padding included, is zero.
// The call gate lives right behind it.
extern "C" TOLVANE_EXPORT AEffect* VSTPluginMain(HostCallback audioMaster) {
    try {
        void* memory = std::calloc(1, sizeof(HostRecord));
        if (memory == nullptr) {
            return nullptr;
        }
        auto* record = new (memory) HostRecord(); // value-initialised: zero bytes
        AEffect* effect = &record->effect;
        fillRecord(*effect);
        PluginInstance* inst = createInstance(audioMaster);
        if (inst == nullptr) {
            releaseRecord(effect);
            return nullptr;
        }
        inst->effect = effect;
        linkInstance(*effect, inst);
        return effect;
    } catch (...) {
        return nullptr;
    }
}

void releaseRecord(AEffect* effect) {
    if (effect != nullptr) {
        HostRecord* record = &hostRecord(*effect);
        record->~HostRecord();
        std::free(record);
    }
}
