#include "bench/peer/vst_peer.h"

#include "bench/peer/host_opcodes.h"

#include <cstdio>
#include <dlfcn.h>
#include <utility>

namespace peer {

namespace {

VstIntPtr answerText(void* ptr, const char* text) {
    if (ptr != nullptr) {
        // Host strings are 64 bytes in the ABI; a plug-in's buffer may be no larger.
        std::snprintf(static_cast<char*>(ptr), 64, "%s", text);
    }
    return ptr != nullptr ? 1 : 0;
}

bool isStereoReplacing(const AEffect& effect, std::string& error) {
    if (effect.numInputs != 2 || effect.numOutputs != 2) {
        error = "not a stereo effect (2 inputs, 2 outputs)";
    } else if (effect.processReplacing == nullptr || effect.dispatcher == nullptr) {
        error = "the plug-in cannot process replacing";
    } else {
        return true;
    }
    return false;
}

} // namespace

// No transport (a null time record), no automation, nothing the plug-in can do to the host
// window: an offline host with a fixed rate and block size.
VstIntPtr VST_CALL hostCallback(AEffect*, std::int32_t opcode, std::int32_t, VstIntPtr, void* ptr,
                                float) {
    switch (opcode) {
    case masterVersion:
        return 2400;
    case masterGetSampleRate:
        return static_cast<VstIntPtr>(kSampleRate);
    case masterGetBlockSize:
        return kMaxBlock;
    case masterGetAutomationState:
        return 1; // automation off
    case masterGetLanguage:
        return 1; // English
    case masterGetVendorString:
        return answerText(ptr, "Morvel Audio");
    case masterGetProductString:
        return answerText(ptr, "tolvane_peer_bench");
    case masterGetVendorVersion:
        return 1000;
    default:
        return 0; // including masterGetTime: no time information
    }
}

Module::~Module() {
    if (library_ != nullptr) {
        dlclose(library_);
    }
}

bool Module::load(const std::string& path, std::string& error) {
    // A bare file name would make dlopen search the library path instead of the directory.
    const std::string resolved = path.find('/') == std::string::npos ? "./" + path : path;
    library_ = dlopen(resolved.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) {
        const char* reason = dlerror();
        error = "cannot load " + path + ": " + (reason ? reason : "unknown error");
        return false;
    }
    void* symbol = dlsym(library_, "VSTPluginMain");
    if (symbol == nullptr) {
        symbol = dlsym(library_, "main");
    }
    entry_ = reinterpret_cast<EntryPoint>(symbol);
    path_ = path;
    if (entry_ == nullptr) {
        error = path + " exports neither VSTPluginMain nor main";
    }
    return entry_ != nullptr;
}

Instance::Instance(Instance&& other) noexcept
    : effect_(std::exchange(other.effect_, nullptr)), closer_(other.closer_) {}

Instance& Instance::operator=(Instance&& other) noexcept {
    if (this != &other) {
        Instance old(std::move(*this));
        effect_ = std::exchange(other.effect_, nullptr);
        closer_ = other.closer_;
    }
    return *this;
}

Instance::~Instance() {
    if (effect_ != nullptr && closer_ != nullptr) {
        dispatch(effect_, kEffStopProcess);
        dispatch(effect_, effMainsChanged, 0, 0);
        closer_(effect_);
    }
}

void closeWithEffClose(AEffect* effect) {
    dispatch(effect, effClose);
}

Instance openInstance(EntryPoint entry, Instance::Closer closer, int blockSize,
                      std::string& error) {
    AEffect* effect = entry(hostCallback);
    if (effect == nullptr) {
        error = "the plug-in refused to create an instance";
        return {};
    }
    if (effect->magic != kEffectMagic || effect->dispatcher == nullptr) {
        error = "the entry point did not return a VST 2.4 record"; // nothing we could close
        return {};
    }
    Instance instance(effect, closer);
    if (!isStereoReplacing(*effect, error)) {
        return {};
    }
    dispatch(effect, effOpen);
    dispatch(effect, effSetSampleRate, 0, 0, nullptr, kSampleRate);
    dispatch(effect, effSetBlockSize, 0, blockSize);
    // Some plug-ins process nothing until they are switched on and told processing starts.
    dispatch(effect, effMainsChanged, 0, 1);
    dispatch(effect, kEffStartProcess);
    return instance;
}

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

int findParameter(AEffect* effect, const std::string& name) {
    for (int i = 0; i < effect->numParams; ++i) {
        if (queryText(effect, effGetParamName, i) == name) {
            return i;
        }
    }
    return -1;
}

} // namespace peer
