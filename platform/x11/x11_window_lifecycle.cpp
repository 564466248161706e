// Opening and closing the editor window. Each window has a display connection of its own:
// the host's connection belongs to the host's threads, and ours is used only by the
// window's pump and release, one at a time under its gate.
#include "editor/canvas.h"
#include "editor/window_system.h"
#include "platform/x11/x11_error_trap.h"
#include "platform/x11/x11_window.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr long kEditorEvents = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                               PointerMotionMask | KeyPressMask | StructureNotifyMask;

// The child window inside `parent`, mapped, or 0. No background: every paint covers the
// whole window, and a server-side clear first would only flicker.
::Window createChild(Display* display, ::Window parent, int width, int height) {
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;
    attributes.event_mask = kEditorEvents;
    const ::Window window =
        XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(std::max(width, 1)),
                      static_cast<unsigned>(std::max(height, 1)), 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
    XMapWindow(display, window);
    // Errors come back asynchronously: the round trip makes a bad parent show up here.
    XSync(display, False);
    return trappedErrors(display) == 0 ? window : 0;
}

void closeConnection(Display* display, ::Window window, bool windowGone) {
    if (window != 0 && !windowGone) {
        XDestroyWindow(display, window);
    }
    XSync(display, False); // any error of the teardown arrives while still trapped
    untrapErrorsOn(display);
    XCloseDisplay(display);
}

// The X side of a new window, or null when no display can be reached or the parent is
// not a window of it.
std::shared_ptr<X11Window> openX11Window(::Window parent, int width, int height) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return nullptr;
    }
    std::shared_ptr<X11Window> w;
    ::Window window = 0;
    try {
        trapErrorsOn(display);
        window = createChild(display, parent, width, height);
        w = window != 0 ? std::make_shared<X11Window>() : nullptr;
    } catch (...) {
        w = nullptr; // out of memory: the connection is closed below
    }
    if (w == nullptr) {
        closeConnection(display, window, false);
        return nullptr;
    }
    w->display = display;
    w->window = window;
    w->width = std::max(width, 0);
    w->height = std::max(height, 0);
    w->layer = createCanvasLayer(); // without one the editor draws everything directly
    return w;
}

void releaseX11Window(X11Window& w) {
    releasePaintSurfaces(w);
    destroyCanvasLayer(w.layer);
    w.layer = nullptr;
    closeConnection(w.display, w.window, w.windowGone);
    w.display = nullptr;
    w.window = 0;
    w.closed = true;
}

void deliverKind(X11Window& w, EditorEventKind kind) {
    EditorEvent event;
    event.kind = kind;
    deliverToEditor(w, event);
}

} // namespace

// UI thread (effEditOpen). `parent` is the host's X Window id.
WindowHandle createEditorWindow(WindowHandle parent, int width, int height, ModuleHandle /*module*/,
                                EditorState* editor) {
    return openEditorWindow(parent, width, height, editor, EditorWindowOptions{});
}

WindowHandle openEditorWindow(WindowHandle parent, int width, int height, EditorState* editor,
                              const EditorWindowOptions& options) {
    if (parent == nullptr) {
        return nullptr;
    }
    const auto parentId = static_cast<::Window>(reinterpret_cast<std::uintptr_t>(parent));
    const std::shared_ptr<X11Window> w = openX11Window(parentId, width, height);
    if (w == nullptr) {
        return nullptr;
    }
    const std::lock_guard<std::mutex> gate(w->gate);
    w->editor = editor; // null: a window that shows nothing, as on Windows
    w->scale = usableScale(options.scale);
    w->options = options;
    if (addX11Window(w) == nullptr) {
        releaseX11Window(*w);
        return nullptr;
    }
    deliverKind(*w, EditorEventKind::Open);
    XFlush(w->display);
    return w->handle;
}

// Any thread, without a lock: a host asks this before every repaint request, which may
// come from its audio thread.
bool windowIsAlive(WindowHandle window) {
    return x11WindowFlags(window) != nullptr;
}

// Any thread. Taking the window out of the registry first makes every later call with
// its handle a no-op; the gate then waits for a pump that is running on the UI thread.
// Must not be called from one of the window's own handlers (the gate is not recursive).
void destroyWindow(WindowHandle window) {
    const std::shared_ptr<X11Window> w = takeX11Window(window);
    if (w == nullptr) {
        return;
    }
    const std::lock_guard<std::mutex> gate(w->gate);
    deliverKind(*w, EditorEventKind::Close);
    releaseX11Window(*w);
}
