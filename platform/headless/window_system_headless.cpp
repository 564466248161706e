// The window system on Linux: no real windows. Inert until a test enables it, so the Linux
// module reports no editor; once enabled it logs every call and simulates editor windows
// well enough for the editor and host logic to run their window lifecycle in native tests.
#include "editor/editor_events.h"
#include "editor/window_system.h"
#include "platform/editor_window_options.h"
#include "platform/headless_backend.h"

#include <atomic>
#include <cmath>
#include <map>
#include <mutex>

namespace {

struct FakeWindow {
    EditorState* editor = nullptr; // the user-data slot
    int width = 0;                 // physical pixels
    int height = 0;
    double scale = 1.0;
    EditorWindowOptions options{};
};

struct Backend {
    std::recursive_mutex mutex; // the simulated messages call back into the backend
    std::vector<PlatformCall> calls;
    std::map<std::uintptr_t, FakeWindow> windows; // live windows only
    std::uintptr_t nextHandle = 0x1000;           // never reused, so dead handles stay dead
    std::uintptr_t nextToken = 0x7000;
    bool createFails = false;
    bool captured = false;
    int connectionFd = -1; // what editorWindowConnectionFd answers for a live window
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

namespace {

WindowHandle makeWindow(WindowHandle parent, int width, int height, EditorState* editor,
                        const EditorWindowOptions& options, const char* call) {
    if (!logCall(call, key(parent))) {
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
        FakeWindow& made = b.windows[key(window)];
        made.editor = editor; // creation stores the editor
        made.width = width;
        made.height = height;
        made.scale = usableScale(options.scale);
        made.options = options;
    }
    sendEvent(window, EditorEventKind::Open);
    return window;
}

} // namespace

WindowHandle createEditorWindow(WindowHandle parent, int width, int height, ModuleHandle /*module*/,
                                EditorState* editor) {
    return makeWindow(parent, width, height, editor, EditorWindowOptions{}, "createEditorWindow");
}

const char* editorParentType() {
    return "X11EmbedWindowID"; // the recorder stands in for the Linux module
}

WindowHandle createScaledEditorWindow(WindowHandle parent, int logicalWidth, int logicalHeight,
                                      ModuleHandle /*module*/, EditorState* editor,
                                      const EditorWindowOptions& options) {
    const double scale = usableScale(options.scale);
    return makeWindow(parent, scaledLength(logicalWidth, scale), scaledLength(logicalHeight, scale),
                      editor, options, "createScaledEditorWindow");
}

bool setEditorWindowScale(WindowHandle window, double scale) {
    if (!logCall("setEditorWindowScale", key(window)) || !std::isfinite(scale) || scale <= 0.0) {
        return false;
    }
    auto guard = lockBackend();
    auto it = backend().windows.find(key(window));
    if (it == backend().windows.end()) {
        return false;
    }
    FakeWindow& w = it->second;
    const int logicalWidth = static_cast<int>(std::lround(w.width / w.scale));
    const int logicalHeight = static_cast<int>(std::lround(w.height / w.scale));
    w.scale = scale;
    w.width = scaledLength(logicalWidth, scale);
    w.height = scaledLength(logicalHeight, scale);
    return true;
}

int editorWindowConnectionFd(WindowHandle window) {
    if (!logCall("editorWindowConnectionFd", key(window)) || !windowIsAliveQuiet(window)) {
        return -1;
    }
    auto guard = lockBackend();
    return backend().connectionFd;
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
    b.connectionFd = -1;
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

void headlessSetConnectionFd(int fd) {
    auto guard = lockBackend();
    backend().connectionFd = fd;
}

HeadlessWindowGeometry headlessWindowGeometry(WindowHandle window) {
    auto guard = lockBackend();
    auto it = backend().windows.find(key(window));
    if (it == backend().windows.end()) {
        return {};
    }
    return {true, it->second.width, it->second.height, it->second.scale};
}

// As the real backends deliver a window's input: positions from physical to logical
// pixels, then the event, then the hook; the lock is not held while the editor runs.
bool headlessSendInput(WindowHandle window, EditorEvent event) {
    EditorState* editor = nullptr;
    FakeWindow copy;
    {
        auto guard = lockBackend();
        auto it = backend().windows.find(key(window));
        if (it == backend().windows.end() || it->second.editor == nullptr) {
            return false;
        }
        editor = it->second.editor;
        copy = it->second;
    }
    if (eventHasPosition(event.kind)) {
        event.x = logicalCoordinate(event.x, copy.scale);
        event.y = logicalCoordinate(event.y, copy.scale);
    }
    const bool handled = handleEditorEvent(window, *editor, event);
    if (copy.options.afterEvent != nullptr && eventIsHooked(event.kind)) {
        copy.options.afterEvent(copy.options.afterEventContext);
    }
    return handled;
}

bool headlessCaptured() {
    auto guard = lockBackend();
    return backend().captured;
}
