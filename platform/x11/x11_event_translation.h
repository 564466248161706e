// What one X event means for the editor window: an editor event to deliver, a repaint, a
// new size, or that the window is gone. A pure function of the event, so it is tested
// without a server; the pump supplies the key's keysym (looked up on its display).
#pragma once

#include "editor/editor_events.h"

#include <X11/Xlib.h>

enum class X11Action : int {
    Ignore,
    Deliver, // hand `event` to the editor
    Repaint, // part of the window was exposed
    Resize,  // the window is now `width` x `height`
    Gone,    // the window was destroyed (its parent went first)
};

struct X11Input {
    X11Action action = X11Action::Ignore;
    EditorEvent event{};
    int width = 0;
    int height = 0;
};

// `keysym` is the unshifted keysym of a KeyPress (XLookupKeysym index 0); other events
// ignore it.
X11Input translateXEvent(const XEvent& event, KeySym keysym);
