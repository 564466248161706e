// X errors on the editor's own display connections. Xlib reports errors asynchronously to
// one process-wide handler, whose default prints and exits: a host that destroys our
// parent window first, or a parent id that is no window, must cost the editor its window,
// never the host its process. While any of our displays is open our handler is installed;
// it counts errors on our displays and passes every other one to the handler it replaced.
#pragma once

#include <X11/Xlib.h>

void trapErrorsOn(Display* display);
void untrapErrorsOn(Display* display);
// Errors seen on `display` since it was trapped.
unsigned long trappedErrors(Display* display);
