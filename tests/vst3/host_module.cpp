#include "tests/vst3/host_module.h"

#include <cstring>
#include <sys/stat.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vst3host {

namespace {

bool lastExit = false;
bool exitCalled = false;

bool isDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == S_IFDIR;
}

void* openLibrary(const std::string& path, std::string& error) {
#if defined(_WIN32)
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        error =
            "LoadLibrary failed for " + path + " (error " + std::to_string(GetLastError()) + ")";
    }
    return reinterpret_cast<void*>(module);
#else
    // A name without a directory means the file here, not one on the library path.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error = std::string("dlopen failed: ") + dlerror();
    }
    return handle;
#endif
}

void* symbol(void* library, const char* name) {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
#else
    return dlsym(library, name);
#endif
}

void closeLibrary(void* library) {
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(library));
#else
    dlclose(library);
#endif
}

} // namespace

std::string bundleBinary(const std::string& path) {
    if (!isDirectory(path)) {
        return path;
    }
    std::string bundle = path;
    while (!bundle.empty() && (bundle.back() == '/' || bundle.back() == '\\')) {
        bundle.pop_back();
    }
    const std::size_t slash = bundle.find_last_of("/\\");
    std::string name = slash == std::string::npos ? bundle : bundle.substr(slash + 1);
    if (name.size() > 5 && name.compare(name.size() - 5, 5, ".vst3") == 0) {
        name.resize(name.size() - 5);
    }
#if defined(_WIN32)
    return bundle + "/Contents/x86_64-win/" + name + ".vst3";
#else
    return bundle + "/Contents/x86_64-linux/" + name + ".so";
#endif
}

std::unique_ptr<Module> Module::load(const std::string& path, std::string& error) {
    const std::string binary = bundleBinary(path);
    void* library = openLibrary(binary, error);
    if (library == nullptr) {
        return nullptr;
    }
    std::unique_ptr<Module> module(new Module);
    module->library_ = library;
#if defined(_WIN32)
    auto entry = reinterpret_cast<vst3::InitDllProc>(symbol(library, "InitDll"));
    if (entry == nullptr || !entry()) {
        error = "InitDll missing or failed";
        return nullptr;
    }
#else
    auto entry = reinterpret_cast<vst3::ModuleEntryProc>(symbol(library, "ModuleEntry"));
    if (entry == nullptr || !entry(library)) {
        error = "ModuleEntry missing or failed";
        return nullptr;
    }
#endif
    auto getFactory = reinterpret_cast<vst3::GetFactoryProc>(symbol(library, "GetPluginFactory"));
    if (getFactory == nullptr) {
        error = "GetPluginFactory is not exported";
        return nullptr;
    }
    module->factory_ = Ref<vst3::IPluginFactory>::adopt(getFactory());
    if (!module->factory_) {
        error = "GetPluginFactory returned null";
        return nullptr;
    }
    return module->findClass(error) ? std::move(module) : nullptr;
}

std::unique_ptr<Module> Module::linked(vst3::IPluginFactory* factory, std::string& error) {
    std::unique_ptr<Module> module(new Module);
    factory->addRef();
    module->factory_ = Ref<vst3::IPluginFactory>::adopt(factory);
    return module->findClass(error) ? std::move(module) : nullptr;
}

bool Module::findClass(std::string& error) {
    vst3::PClassInfo info{};
    if (factory_->countClasses() < 1 || factory_->getClassInfo(0, &info) != vst3::kResultOk) {
        error = "the factory lists no class";
        return false;
    }
    std::memcpy(classId_, info.cid, 16);
    return true;
}

Module::~Module() {
    factory_.reset();
    if (library_ == nullptr) {
        return;
    }
#if defined(_WIN32)
    auto exit = reinterpret_cast<vst3::ExitDllProc>(symbol(library_, "ExitDll"));
#else
    auto exit = reinterpret_cast<vst3::ModuleExitProc>(symbol(library_, "ModuleExit"));
#endif
    lastExit = exit != nullptr && exit();
    exitCalled = true;
    closeLibrary(library_);
}

bool Module::lastExitResult() {
    return lastExit || !exitCalled;
}

} // namespace vst3host
