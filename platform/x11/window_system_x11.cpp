// The rest of editor/window_system.h for X11: what any thread may ask of a window only
// sets its slot's flags, which its pump reads on the UI thread.
#include "editor/window_system.h"
#include "platform/x11/cairo_canvas.h"
#include "platform/x11/x11_window.h"

#include <atomic>

namespace {

std::atomic<std::uintptr_t> lastSession{0};
std::atomic<int> liveSessions{0};

char moduleImage; // its address stands in for a module handle, which X has no use for

} // namespace

bool platformHasEditor() {
    return true;
}

ModuleHandle processModuleHandle() {
    return &moduleImage;
}

bool registerEditorWindowClass(ModuleHandle /*module*/) {
    return true; // X has no window classes
}

void unregisterEditorWindowClass(ModuleHandle /*module*/) {}

void invalidateWindow(WindowHandle window) {
    if (X11WindowFlags* flags = x11WindowFlags(window)) {
        flags->invalidated.store(true);
    }
}

// The first tick comes a period after the start.
void startAnimationTimer(WindowHandle window) {
    if (X11WindowFlags* flags = x11WindowFlags(window)) {
        flags->lastTickNs.store(steadyNowNs());
        flags->animating.store(true);
    }
}

void stopAnimationTimer(WindowHandle window) {
    if (X11WindowFlags* flags = x11WindowFlags(window)) {
        flags->animating.store(false);
    }
}

// X grabs the pointer for the window a button was pressed in until the button goes up,
// so motion outside it keeps coming without an explicit grab.
void captureMouse(WindowHandle /*window*/) {}

void releaseMouse() {}

std::uintptr_t startGraphicsSession() {
    liveSessions.fetch_add(1);
    const std::uintptr_t token = lastSession.fetch_add(1) + 1;
    return token != 0 ? token : lastSession.fetch_add(1) + 1; // 0 means "not started"
}

// The faces looked up for text are the only process-wide graphics state; they go with
// the last session.
void shutdownGraphicsSession(std::uintptr_t token) {
    if (token == 0) {
        return;
    }
    int live = liveSessions.load();
    while (live > 0 && !liveSessions.compare_exchange_weak(live, live - 1)) {
    }
    if (live == 1) {
        releaseCairoFontCache();
    }
}
