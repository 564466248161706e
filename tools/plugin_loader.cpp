#include "tools/plugin_loader.h"

#include <dlfcn.h>

namespace {

using EntryPoint = AEffect* (*)(HostCallback);

// The host side of the callback: we are a VST 2.4 host and have nothing else to offer.
VstIntPtr hostCallback(AEffect*, std::int32_t opcode, std::int32_t, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

EntryPoint findEntry(void* library) {
    void* symbol = dlsym(library, "VSTPluginMain");
    if (symbol == nullptr) {
        symbol = dlsym(library, "main");
    }
    return reinterpret_cast<EntryPoint>(symbol);
}

bool checkRecord(const AEffect& effect, std::string& error) {
    if (effect.magic != kEffectMagic) {
        error = "the entry point did not return a VST 2.4 record";
    } else if (effect.numInputs != 2 || effect.numOutputs != 2) {
        error = "only stereo effects (2 inputs, 2 outputs) are supported";
    } else if (effect.processReplacing == nullptr || effect.dispatcher == nullptr) {
        error = "the plug-in cannot process replacing";
    } else {
        return true;
    }
    return false;
}

} // namespace

VstIntPtr dispatch(AEffect* effect, std::int32_t opcode, std::int32_t index, VstIntPtr value,
                   void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string queryText(AEffect* effect, std::int32_t opcode, std::int32_t index) {
    char buffer[256] = {};
    dispatch(effect, opcode, index, 0, buffer);
    buffer[sizeof(buffer) - 1] = '\0';
    return buffer;
}

bool loadPlugin(const std::string& path, LoadedPlugin& plugin, std::string& error) {
    // A bare file name would make dlopen search the library path instead of the directory.
    const std::string resolved = path.find('/') == std::string::npos ? "./" + path : path;
    plugin.library = dlopen(resolved.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (plugin.library == nullptr) {
        const char* reason = dlerror();
        error = "cannot load " + path + ": " + (reason ? reason : "unknown error");
        return false;
    }
    EntryPoint entry = findEntry(plugin.library);
    if (entry == nullptr) {
        error = path + " exports neither VSTPluginMain nor main";
    } else if ((plugin.effect = entry(hostCallback)) == nullptr) {
        error = "the plug-in refused to create an instance";
    } else if (checkRecord(*plugin.effect, error)) {
        return true;
    }
    unloadPlugin(plugin);
    return false;
}

void unloadPlugin(LoadedPlugin& plugin) {
    if (plugin.effect != nullptr && plugin.effect->magic == kEffectMagic &&
        plugin.effect->dispatcher != nullptr) {
        dispatch(plugin.effect, effClose);
    }
    plugin.effect = nullptr;
    if (plugin.library != nullptr) {
        dlclose(plugin.library);
        plugin.library = nullptr;
    }
}
