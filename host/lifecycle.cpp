#include "host/lifecycle.h"

#include "editor/window_system.h"
#include "host/editor_host.h"
#include "host/plugin_instance.h"
#include "host/process_state.h"

#include <memory>
#include <new>

namespace {

// The first live instance starts the graphics session (GDI+ on Windows) for the editors of
// every instance.
void countInstanceIn() {
    std::lock_guard<std::mutex> guard(processStateLock);
    if (instanceCount == 0) {
        graphicsToken = startGraphicsSession();
    }
    ++instanceCount; // only once the session is up, so a failure leaves the count true
}

// The last instance to go ends the graphics session, from an ordinary host thread.
void countInstanceOut() {
    std::lock_guard<std::mutex> guard(processStateLock);
    if (instanceCount > 0) {
        --instanceCount;
    }
    if (instanceCount == 0 && graphicsToken != 0) {
        shutdownGraphicsSession(graphicsToken);
        graphicsToken = 0;
    }
}

} // namespace

PluginInstance* createInstance(HostCallback callback) noexcept {
    try {
        // The constructor allocates its arrays; if one fails it throws and the vectors
        // built so far release themselves. Nothing may escape into the host.
        auto inst = std::make_unique<PluginInstance>(callback);
        countInstanceIn();
        return inst.release();
    } catch (...) {
        return nullptr;
    }
}

void destroyInstance(PluginInstance* inst) noexcept {
    if (inst == nullptr) {
        return;
    }
    closeEditor(*inst);
    countInstanceOut();
    delete inst;
}

void onModuleAttach(ModuleHandle module) noexcept {
    moduleHandle = module;
}

void onModuleDetach() noexcept {
    // The class's window procedure lives in this module, so the class must not outlive
    // the module's mapping. GDI+ is deliberately not
    // shut down here even if a host leaked instances: GdiplusShutdown must not be called
    // with the loader lock held (it waits for GDI+'s own thread, which needs that lock).
    std::lock_guard<std::mutex> guard(processStateLock);
    if (editorClassRegistered && moduleHandle != nullptr) {
        unregisterEditorWindowClass(moduleHandle);
        editorClassRegistered = false;
    }
}
