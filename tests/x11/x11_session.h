// The host's side of the X display: its own connection, the 920x580 top-level window a
// DAW would give the editor, and the windows the plug-in creates in it.
#pragma once

#include <X11/Xlib.h>

#include <string>
#include <vector>

struct HostWindow {
    Display* display = nullptr;
    Window parent = 0;
    int damageEventBase = 0; // the DAMAGE extension's first event code
};

// Opens DISPLAY and checks for the extensions the checks rely on (XTEST for input, DAMAGE
// to see paints); `error` says what is missing.
bool openHostDisplay(HostWindow& host, std::string& error);
void closeHostDisplay(HostWindow& host);

// Creates and maps the black 920x580 parent, waits until the server has mapped it and
// gives it the keyboard focus, as a window manager gives it to the host's frame.
bool createParentWindow(HostWindow& host);
void destroyParentWindow(HostWindow& host);

std::vector<Window> childWindows(Display* display, Window parent);

struct WindowGeometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int depth = 0;
    bool viewable = false;
};

bool windowGeometry(Display* display, Window window, WindowGeometry& geometry);
