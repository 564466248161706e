// Makes the display connections a plug-in opens in this scope synchronous.
//
// The plug-in draws over its own connection, and the server carries out its requests in
// its own time: after effEditIdle returns, part of a paint may still wait in a socket,
// and a capture would show half a picture. Xlib opens every display synchronously while
// its public `_Xdebug` switch is set (the same as XSynchronize): each request is then
// answered before the call that made it returns, so when effEditIdle returns the server
// has done all of the paint, and its damage events reach us before our own XSync answer.
// Only the openings that need it (the picture's, the host-window-first teardown) are
// slowed down this way; the timing and leak checks open the editor normally.
#pragma once

#include <X11/Xlib.h>

class SynchronousDisplays {
  public:
    SynchronousDisplays() : previous_(_Xdebug) { _Xdebug = 1; }
    ~SynchronousDisplays() { _Xdebug = previous_; }
    SynchronousDisplays(const SynchronousDisplays&) = delete;
    SynchronousDisplays& operator=(const SynchronousDisplays&) = delete;

  private:
    int previous_;
};
