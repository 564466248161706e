#include "platform/x11/x11_event_translation.h"

#include <X11/keysym.h>

namespace {

X11Input deliver(EditorEventKind kind, int x = 0, int y = 0) {
    X11Input in;
    in.action = X11Action::Deliver;
    in.event.kind = kind;
    in.event.x = x;
    in.event.y = y;
    return in;
}

X11Input wheel(int steps) {
    X11Input in = deliver(EditorEventKind::Wheel);
    in.event.wheelSteps = steps;
    return in;
}

// Buttons 4 and 5 are the wheel's notches away from and towards the user; X sends each
// notch as a press and a release, and the press alone counts.
X11Input buttonPress(const XButtonEvent& b) {
    switch (b.button) {
    case Button1: {
        X11Input in = deliver(EditorEventKind::Press, b.x, b.y);
        in.event.time = static_cast<std::uint32_t>(b.time); // server milliseconds, wrapping
        return in;
    }
    case Button4:
        return wheel(1);
    case Button5:
        return wheel(-1);
    default:
        return {};
    }
}

X11Input buttonRelease(const XButtonEvent& b) {
    return b.button == Button1 ? deliver(EditorEventKind::Release, b.x, b.y) : X11Input{};
}

X11Input keyPress(KeySym keysym) {
    if (keysym != XK_Delete && keysym != XK_KP_Delete) {
        return {};
    }
    X11Input in = deliver(EditorEventKind::Key);
    in.event.key = EditorKey::Delete;
    return in;
}

X11Input resize(const XConfigureEvent& c) {
    X11Input in;
    in.action = X11Action::Resize;
    in.width = c.width;
    in.height = c.height;
    return in;
}

X11Input action(X11Action a) {
    X11Input in;
    in.action = a;
    return in;
}

} // namespace

X11Input translateXEvent(const XEvent& event, KeySym keysym) {
    switch (event.type) {
    case ButtonPress:
        return buttonPress(event.xbutton);
    case ButtonRelease:
        return buttonRelease(event.xbutton);
    case MotionNotify:
        return deliver(EditorEventKind::Move, event.xmotion.x, event.xmotion.y);
    case KeyPress:
        return keyPress(keysym);
    case Expose:
        return action(X11Action::Repaint);
    case ConfigureNotify:
        return resize(event.xconfigure);
    case DestroyNotify:
        return action(X11Action::Gone);
    default:
        return {};
    }
}
