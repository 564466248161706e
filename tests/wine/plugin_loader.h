// Loading the plug-in the way a DAW does, shared by the wine test hosts: find the entry
// point in the loaded DLL, build an instance, and bring it to the running state.
#pragma once

#include "host/vst_abi.h"

#include <windows.h>

inline AEffect* loadRunningPlugin(HMODULE module, HostCallback callback, float sampleRate,
                                  VstIntPtr blockSize) {
    using Entry = AEffect*(VST_CALL*)(HostCallback);
    // Through void* because FARPROC's signature is a placeholder, not the real one.
    auto entry =
        reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, "VSTPluginMain")));
    AEffect* effect = entry != nullptr ? entry(callback) : nullptr;
    if (effect == nullptr || effect->magic != kEffectMagic) {
        return nullptr;
    }
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, sampleRate);
    effect->dispatcher(effect, effSetBlockSize, 0, blockSize, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    return effect;
}
