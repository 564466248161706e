#include "tests/x11/xtest_input.h"

#include "tests/x11/editor_pump.h"

#include <X11/extensions/XTest.h>

#include <chrono>

void XTestInput::moveTo(int x, int y) {
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display_, editor_, DefaultRootWindow(display_), x, y, &rootX, &rootY,
                          &child);
    XTestFakeMotionEvent(display_, -1, rootX, rootY, CurrentTime);
}

void XTestInput::button(unsigned button, bool down) {
    XTestFakeButtonEvent(display_, button, down ? True : False, CurrentTime);
}

void XTestInput::send() {
    XSync(display_, False);
}

void XTestInput::keepApart() {
    pump_.forAtLeast(std::chrono::milliseconds(kDoubleClickMs + 50));
}

void XTestInput::drag(int fromX, int fromY, int toX, int toY) {
    keepApart();
    moveTo(fromX, fromY);
    button(1, true);
    for (int step = 1; step <= 8; ++step) {
        moveTo(fromX + (toX - fromX) * step / 8, fromY + (toY - fromY) * step / 8);
    }
    button(1, false);
    send();
}

void XTestInput::click(int x, int y) {
    keepApart();
    moveTo(x, y);
    button(1, true);
    button(1, false);
    send();
}

void XTestInput::doubleClick(int x, int y) {
    keepApart();
    moveTo(x, y);
    for (int i = 0; i < 2; ++i) {
        button(1, true);
        button(1, false);
    }
    send();
}

void XTestInput::wheel(int notches, int x, int y) {
    moveTo(x, y);
    const unsigned wheelButton = notches > 0 ? 4 : 5;
    for (int i = 0; i < (notches > 0 ? notches : -notches); ++i) {
        button(wheelButton, true);
        button(wheelButton, false);
    }
    send();
}

bool XTestInput::key(unsigned long keysym) {
    const KeyCode code = XKeysymToKeycode(display_, keysym);
    if (code == 0) {
        return false;
    }
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    send();
    return true;
}
