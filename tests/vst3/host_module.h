// Loading a VST 3 module as hosts do: the bundle's binary for this system, the module entry
// (ModuleEntry on Linux, InitDll on Windows), the factory, and the reverse on unload.
#pragma once

#include "tests/vst3/host_com.h"

#include <memory>
#include <string>

namespace vst3host {

class Module {
  public:
    // `path` is a bundle directory (Name.vst3/) or the binary inside it. Null on failure,
    // with the reason in `error`.
    static std::unique_ptr<Module> load(const std::string& path, std::string& error);
    // The plug-in linked into this program (the sanitizer builds): a module without a
    // library, over the factory given.
    static std::unique_ptr<Module> linked(vst3::IPluginFactory* factory, std::string& error);
    ~Module(); // drops the factory, calls the module exit, unloads
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    vst3::IPluginFactory* factory() const { return factory_.get(); }
    // The first class's ID, as the factory lists it.
    const char* classId() const { return classId_; }
    // What the module exit answered when the last module was unloaded (true when no
    // library was unloaded).
    static bool lastExitResult();

  private:
    Module() = default;
    bool findClass(std::string& error);
    void* library_ = nullptr;
    Ref<vst3::IPluginFactory> factory_;
    char classId_[16] = {};
};

// The binary a bundle holds for this system (Contents/x86_64-linux/Name.so or
// Contents/x86_64-win/Name.vst3); a path that is not a directory is returned as it is.
std::string bundleBinary(const std::string& path);

} // namespace vst3host
