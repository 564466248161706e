// What an input handler asks of the window once it has finished editing the instance.
// Handlers fill this in while they hold the instance lock; the caller applies it after
// releasing the lock, so no window-system call is made with the lock held.
#pragma once

using WindowHandle = void*;

struct InputEffect {
    bool repaint = false;        // invalidate the whole client area, no erase
    bool capture = false;        // a drag started: take the mouse capture
    bool releaseCapture = false; // a drag ended: give the capture back
};

// UI thread, instance lock NOT held.
void applyInputEffect(WindowHandle window, const InputEffect& effect);
