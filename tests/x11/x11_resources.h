// What an editor may leave behind, measured from outside: the X server's clients and the
// resources they hold (X-Resource extension), and this process's resident memory.
#pragma once

#include <X11/Xlib.h>

struct ServerCounts {
    int clients = -1;
    long resources = -1; // windows, pixmaps, pictures, GCs, fonts... of every client
    bool valid() const { return clients >= 0 && resources >= 0; }
};

bool haveXRes(Display* display);
// All clients of the server and all their resources; invalid when the server will not say.
ServerCounts serverCounts(Display* display);

// The client that created `resource` (its resource base), 0 when none has it.
XID clientOf(Display* display, XID resource);
// Whether the client with resource base `base` is still connected.
bool clientConnected(Display* display, XID base);

// Resident set of this process in KiB (/proc/self/statm), -1 when unreadable.
long residentKiB();
