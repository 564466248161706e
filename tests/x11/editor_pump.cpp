#include "tests/x11/editor_pump.h"

void EditorPump::watch(Window window) {
    unwatch(true);
    damage_ = XDamageCreate(display_, window, XDamageReportNonEmpty);
    XSync(display_, False);
    // A new damage record reports what the window already shows; that is no paint.
    takeEvents();
}

void EditorPump::unwatch(bool windowAlive) {
    if (damage_ != 0 && windowAlive) {
        XDamageDestroy(display_, damage_);
        XSync(display_, False);
    }
    damage_ = 0;
}

void EditorPump::round() {
    effect_->dispatcher(effect_, effEditIdle, 0, 0, nullptr, 0.0f);
    XSync(display_, False);
    paints_ += takeEvents() ? 1 : 0;
}

bool EditorPump::takeEvents() {
    bool damaged = false;
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == damageEventBase_ + XDamageNotify && damage_ != 0 &&
            reinterpret_cast<const XDamageNotifyEvent*>(&event)->damage == damage_) {
            damaged = true;
            // Emptied again, so that the next paint reports anew.
            XDamageSubtract(display_, damage_, None, None);
        }
    }
    return damaged;
}

void EditorPump::forAtLeast(std::chrono::milliseconds time) {
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < time) {
        round();
        rest();
    }
}
