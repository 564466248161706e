// The editor window's share of the host's idle call: its pending X input, its animation
// timer and its repaint, all on the UI thread with the window's gate held.
#include "editor/window_system.h"
#include "platform/x11/x11_event_translation.h"
#include "platform/x11/x11_window.h"

namespace {

// Events handled per pump at most, so a flood of motion cannot starve the host's loop;
// the rest wait for the next idle call.
constexpr int kEventsPerPump = 512;

// The editor window takes the keyboard when clicked, so Delete reaches it; X sends keys
// to the focus window, not to the one under the pointer.
void focusOnPress(X11Window& w, const XEvent& e) {
    XSetInputFocus(w.display, w.window, RevertToParent, e.xbutton.time);
}

void handleXEvent(X11Window& w, XEvent& e) {
    if (e.xany.window != w.window) {
        return;
    }
    const KeySym keysym = e.type == KeyPress ? XLookupKeysym(&e.xkey, 0) : NoSymbol;
    const X11Input in = translateXEvent(e, keysym);
    switch (in.action) {
    case X11Action::Deliver:
        if (in.event.kind == EditorEventKind::Press) {
            focusOnPress(w, e);
        }
        deliverInput(w, in.event);
        break;
    case X11Action::Repaint:
        w.exposed = true;
        break;
    case X11Action::Resize:
        w.exposed = w.exposed || in.width != w.width || in.height != w.height;
        w.width = in.width;
        w.height = in.height;
        break;
    case X11Action::Gone:
        w.windowGone = true;
        break;
    case X11Action::Ignore:
        break;
    }
}

void drainEvents(X11Window& w) {
    for (int n = 0; n < kEventsPerPump && !w.windowGone && XPending(w.display) > 0; ++n) {
        XEvent e;
        XNextEvent(w.display, &e);
        handleXEvent(w, e);
    }
}

bool tickIfDue(X11Window& w) {
    X11WindowFlags& flags = *w.flags;
    if (!flags.animating.load()) {
        return false;
    }
    const std::int64_t now = steadyNowNs();
    if (now - flags.lastTickNs.load() < w.tickPeriodNs) {
        return false;
    }
    flags.lastTickNs.store(now);
    EditorEvent tick;
    tick.kind = EditorEventKind::Tick;
    deliverInput(w, tick);
    return true;
}

} // namespace

// A handler must never throw into the host's idle call.
bool deliverToEditor(X11Window& w, const EditorEvent& event) {
    if (w.editor == nullptr) {
        return false;
    }
    try {
        return handleEditorEvent(w.handle, *w.editor, event);
    } catch (...) {
        return true;
    }
}

void deliverInput(X11Window& w, EditorEvent event) {
    if (eventHasPosition(event.kind)) {
        event.x = logicalCoordinate(event.x, w.scale);
        event.y = logicalCoordinate(event.y, w.scale);
    }
    deliverToEditor(w, event);
    if (w.options.afterEvent != nullptr && eventIsHooked(event.kind)) {
        try {
            w.options.afterEvent(w.options.afterEventContext);
        } catch (...) {
        }
    }
}

// Repaints only when something changed: an invalidation, an exposure, a tick.
void pumpEditorWindow(WindowHandle window) {
    const std::shared_ptr<X11Window> w = findX11Window(window);
    if (w == nullptr) {
        return;
    }
    const std::lock_guard<std::mutex> gate(w->gate);
    if (w->closed || w->windowGone) {
        return;
    }
    drainEvents(*w);
    const bool ticked = tickIfDue(*w);
    const bool invalidated = w->flags->invalidated.exchange(false);
    if (ticked || invalidated || w->exposed) {
        w->exposed = false;
        paintX11Window(*w);
    }
    XFlush(w->display);
}
