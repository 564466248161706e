// Loading a VST 2.4 plug-in module and talking to it the way a host does.
#pragma once

#include "host/vst_abi.h"

#include <string>

struct LoadedPlugin {
    void* library = nullptr;
    AEffect* effect = nullptr;
};

// dlopen + the exported entry point (VSTPluginMain, or `main` for older plug-ins), then
// checks that the record is a stereo effect that can process replacing.
bool loadPlugin(const std::string& path, LoadedPlugin& plugin, std::string& error);
// effClose and dlclose.
void unloadPlugin(LoadedPlugin& plugin);

VstIntPtr dispatch(AEffect* effect, std::int32_t opcode, std::int32_t index = 0,
                   VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);

// A text request (name, label, display, vendor...) read into a generous buffer.
std::string queryText(AEffect* effect, std::int32_t opcode, std::int32_t index = 0);
