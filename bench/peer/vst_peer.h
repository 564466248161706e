// The benchmark's side of the VST 2.4 boundary: loading a plug-in module through its entry
// point, opening instances the way a DAW does, and finding parameters by name.
#pragma once

#include "host/vst_abi.h"

#include <string>

namespace peer {

constexpr float kSampleRate = 48000.0f;
constexpr int kMaxBlock = 512; // what the host callback promises as the largest block

using EntryPoint = AEffect* (*)(HostCallback);

// Answers what a plug-in may ask while it is created, started or run (any thread).
VstIntPtr VST_CALL hostCallback(AEffect* effect, std::int32_t opcode, std::int32_t index,
                                VstIntPtr value, void* ptr, float opt);

// A dlopen'ed plug-in module; unloaded when the last instance is long closed (the owner
// destroys it after every Instance made from it).
class Module {
  public:
    Module() = default;
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    ~Module();
    // dlopen + VSTPluginMain, falling back to `main` for older plug-ins.
    bool load(const std::string& path, std::string& error);
    EntryPoint entry() const { return entry_; }
    const std::string& path() const { return path_; }

  private:
    void* library_ = nullptr;
    EntryPoint entry_ = nullptr;
    std::string path_;
};

// One open plug-in instance; closing it is the creator's business (a loaded module only
// needs effClose, a statically linked one also frees its record).
class Instance {
  public:
    using Closer = void (*)(AEffect*);
    Instance() = default;
    Instance(AEffect* effect, Closer closer) : effect_(effect), closer_(closer) {}
    Instance(Instance&& other) noexcept;
    Instance& operator=(Instance&& other) noexcept;
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;
    ~Instance();
    AEffect* effect() const { return effect_; }
    explicit operator bool() const { return effect_ != nullptr; }

  private:
    AEffect* effect_ = nullptr;
    Closer closer_ = nullptr;
};

void closeWithEffClose(AEffect* effect);

// Creates an instance through `entry`, checks it is a stereo replacing effect and starts
// it: effOpen, rate, block size, effMainsChanged(1), effStartProcess.
Instance openInstance(EntryPoint entry, Instance::Closer closer, int blockSize, std::string& error);

VstIntPtr dispatch(AEffect* effect, std::int32_t opcode, std::int32_t index = 0,
                   VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
// A text request (parameter name, display, effect name...) read into a generous buffer.
std::string queryText(AEffect* effect, std::int32_t opcode, std::int32_t index = 0);
// The index of the parameter the plug-in names `name`, or -1.
int findParameter(AEffect* effect, const std::string& name);

} // namespace peer
