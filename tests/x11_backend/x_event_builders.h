// XEvents as the server would deliver them, built by hand for the backend's tests.
#pragma once

#include <X11/Xlib.h>

namespace xevents {

inline XEvent button(int type, unsigned int which, int x, int y, Time time = 0) {
    XEvent e{};
    e.type = type;
    e.xbutton.button = which;
    e.xbutton.x = x;
    e.xbutton.y = y;
    e.xbutton.time = time;
    return e;
}

inline XEvent motion(int x, int y) {
    XEvent e{};
    e.type = MotionNotify;
    e.xmotion.x = x;
    e.xmotion.y = y;
    return e;
}

} // namespace xevents
