#include "tests/x11/x11_session.h"

#include "editor/layout.h"
#include "tests/x11/x11_check.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>

#include <chrono>
#include <thread>

bool openHostDisplay(HostWindow& host, std::string& error) {
    host.display = XOpenDisplay(nullptr);
    if (host.display == nullptr) {
        error = "cannot open the X display (DISPLAY is not set or no server answers)";
        return false;
    }
    int event = 0, firstError = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(host.display, &event, &firstError, &major, &minor)) {
        error = "the X server has no XTEST extension";
    } else if (!XDamageQueryExtension(host.display, &host.damageEventBase, &firstError)) {
        error = "the X server has no DAMAGE extension";
    } else {
        return true;
    }
    closeHostDisplay(host);
    return false;
}

void closeHostDisplay(HostWindow& host) {
    if (host.display != nullptr) {
        XCloseDisplay(host.display);
        host.display = nullptr;
    }
}

namespace {

// Waits for the MapNotify of `window`; a server that never maps it fails the wait.
bool waitForMap(Display* display, Window window) {
    const auto start = std::chrono::steady_clock::now();
    XEvent event;
    while (std::chrono::steady_clock::now() - start < xcheck::kDeadline) {
        XSync(display, False);
        if (XCheckTypedWindowEvent(display, window, MapNotify, &event)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

} // namespace

bool createParentWindow(HostWindow& host) {
    Display* d = host.display;
    const int screen = DefaultScreen(d);
    host.parent = XCreateSimpleWindow(d, RootWindow(d, screen), 0, 0, kEditorWidth, kEditorHeight,
                                      0, BlackPixel(d, screen), BlackPixel(d, screen));
    if (host.parent == 0) {
        return false;
    }
    XStoreName(d, host.parent, "Tolvane-Q X11 test host");
    // A window manager must not resize the frame under the editor.
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = kEditorWidth;
    hints.min_height = hints.max_height = kEditorHeight;
    XSetWMNormalHints(d, host.parent, &hints);
    XSelectInput(d, host.parent, StructureNotifyMask);
    XMapWindow(d, host.parent);
    if (!waitForMap(d, host.parent)) {
        return false;
    }
    XSetInputFocus(d, host.parent, RevertToParent, CurrentTime);
    XSync(d, False);
    return true;
}

void destroyParentWindow(HostWindow& host) {
    if (host.parent != 0) {
        XDestroyWindow(host.display, host.parent);
        XSync(host.display, False);
        host.parent = 0;
    }
}

std::vector<Window> childWindows(Display* display, Window parent) {
    Window root = 0, parentOfParent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> found;
    if (XQueryTree(display, parent, &root, &parentOfParent, &children, &count) != 0) {
        found.assign(children, children + count);
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

bool windowGeometry(Display* display, Window window, WindowGeometry& geometry) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0) {
        return false;
    }
    geometry.x = attributes.x;
    geometry.y = attributes.y;
    geometry.width = attributes.width;
    geometry.height = attributes.height;
    geometry.depth = attributes.depth;
    geometry.viewable = attributes.map_state == IsViewable;
    return true;
}
