// The window system on Linux: no real windows. Inert until a test enables it, so the Linux
// module reports no editor; once enabled it logs every call and simulates editor windows
// well enough for the editor and host logic to run their window lifecycle in native tests.
#include "editor/editor_events.h"
#include "editor/window_system.h"
#include "platform/headless_backend.h"

#include <atomic>
#include <map>
#include <mutex>

namespace {

struct FakeWindow {
    EditorState* editor = nullptr; // the user-data slot
};

struct Backend {
    std::recursive_mutex mutex; // the simulated messages call back into the backend
    std::vector<PlatformCall> calls;
    std::map<std::uintptr_t, FakeWindow> windows; // live windows only
    std::uintptr_t nextHandle = 0x1000;           // never reused, so dead handles stay dead
    std::uintptr_t nextToken = 0x7000;
    bool createFails = false;
    bool captured = false;
};

std::atomic<bool> enabledFlag{false};

Backend& backend() {
    static Backend instance;
    return instance;
}

std::uintptr_t key(WindowHandle window) {
    return reinterpret_cast<std::uintptr_t>(window);
}

bool enabled() {
    return enabledFlag.load(std::memory_order_relaxed);
}

// Logs the call and answers whether the backend is enabled; when it is not, the caller
// does nothing and gives the answer of a system without windows.
bool logCall(const char* name, std::uintptr_t arg = 0) {
    if (!enabled()) {
        return false;
    }
    std::lock_guard<std::recursive_mutex> guard(backend().mutex);
    // The real window system never throws; a log entry that cannot be allocated is dropped
    // so the recorder behaves the same under allocation-failure tests.
    try {
        backend().calls.push_back({name, arg});
    } catch (...) {
    }
    return true;
}

std::lock_guard<std::recursive_mutex> lockBackend() {
    return std::lock_guard<std::recursive_mutex>(backend().mutex);
}

char moduleImage; // its address stands in for the process's module handle

// Delivers an event the way the system would: to the editor logic, only while the
// window's user-data slot holds an editor.
void sendEvent(WindowHandle window, EditorEventKind kind) {
    // Looked up under the lock, delivered without it: the handler calls back in.
    EditorState* editor = headlessWindowEditor(window);
    if (editor != nullptr) {
        EditorEvent event;
        event.kind = kind;
        handleEditorEvent(window, *editor, event);
    }
}

bool windowIsAliveQuiet(WindowHandle window) {
    auto guard = lockBackend();
    return backend().windows.count(key(window)) != 0;
}

// Close, then the user data is cleared and the handle dies.
void tearDown(WindowHandle window) {
    sendEvent(window, EditorEventKind::Close);
    auto guard = lockBackend();
    backend().windows.erase(key(window));
}

} // namespace

bool platformHasEditor() {
    return enabled();
}

ModuleHandle processModuleHandle() {
    return &moduleImage;
}

bool registerEditorWindowClass(ModuleHandle module) {
    return logCall("registerEditorWindowClass", key(module));
}

void unregisterEditorWindowClass(ModuleHandle module) {
    logCall("unregisterEditorWindowClass", key(module));
}

WindowHandle createEditorWindow(WindowHandle parent, int /*width*/, int /*height*/,
                                ModuleHandle /*module*/, EditorState* editor) {
    if (!logCall("createEditorWindow", key(parent))) {
        return nullptr;
    }
    WindowHandle window = nullptr;
    {
        auto guard = lockBackend();
        Backend& b = backend();
        if (b.createFails) {
            return nullptr;
        }
        window = reinterpret_cast<WindowHandle>(b.nextHandle);
        b.nextHandle += 0x10;
        b.windows[key(window)].editor = editor; // creation stores the editor
    }
    sendEvent(window, EditorEventKind::Open);
    return window;
}

bool windowIsAlive(WindowHandle window) {
    return logCall("windowIsAlive", key(window)) && windowIsAliveQuiet(window);
}

void destroyWindow(WindowHandle window) {
    if (logCall("destroyWindow", key(window)) && windowIsAliveQuiet(window)) {
        tearDown(window);
    }
}

void invalidateWindow(WindowHandle window) {
    logCall("invalidateWindow", key(window));
}
void startAnimationTimer(WindowHandle window) {
    logCall("startAnimationTimer", key(window));
}
void stopAnimationTimer(WindowHandle window) {
    logCall("stopAnimationTimer", key(window));
}

void captureMouse(WindowHandle window) {
    if (logCall("captureMouse", key(window))) {
        auto guard = lockBackend();
        backend().captured = true;
    }
}

void releaseMouse() {
    if (logCall("releaseMouse")) {
        auto guard = lockBackend();
        backend().captured = false;
    }
}

void pumpEditorWindow(WindowHandle window) {
    logCall("pumpEditorWindow", key(window));
}

std::uintptr_t startGraphicsSession() {
    if (!logCall("startGraphicsSession")) {
        return 0;
    }
    auto guard = lockBackend();
    return backend().nextToken++;
}

void shutdownGraphicsSession(std::uintptr_t token) {
    logCall("shutdownGraphicsSession", token);
}

// ---- test control ----

void headlessEnable(bool enabled) {
    enabledFlag.store(enabled, std::memory_order_relaxed);
}

void headlessReset() {
    auto guard = lockBackend();
    Backend& b = backend();
    b.calls.clear();
    b.windows.clear();
    b.createFails = false;
    b.captured = false;
}

const std::vector<PlatformCall>& headlessCalls() {
    return backend().calls;
}

int headlessCount(const std::string& name) {
    auto guard = lockBackend();
    int count = 0;
    for (const PlatformCall& call : backend().calls) {
        count += call.name == name ? 1 : 0;
    }
    return count;
}

void headlessSetCreateFails(bool fails) {
    auto guard = lockBackend();
    backend().createFails = fails;
}

EditorState* headlessWindowEditor(WindowHandle window) {
    auto guard = lockBackend();
    auto it = backend().windows.find(key(window));
    return it == backend().windows.end() ? nullptr : it->second.editor;
}

void headlessKillWindow(WindowHandle window) {
    if (windowIsAliveQuiet(window)) {
        tearDown(window);
    }
}

bool headlessCaptured() {
    auto guard = lockBackend();
    return backend().captured;
}
