// Real pointer and key events for the editor through the XTEST extension, as a user's
// mouse and keyboard would make them: the server generates the events, stamps their
// times and sends them to the plug-in's connection. Positions are in editor pixels.
//
// Each gesture is sent in one flush and our connection synced: when a call returns, the
// server has generated all of the gesture's events and queued them for the plug-in, in
// order. The plug-in takes them in its next idle rounds; a check then waits, idling, for
// the change the gesture must make.
#pragma once

#include <X11/Xlib.h>

class EditorPump;

// The plug-in's double-click rule: two presses within 350 ms and 8 pixels, decided from
// the X event times.
constexpr int kDoubleClickMs = 350;

class XTestInput {
  public:
    XTestInput(Display* display, Window editor, EditorPump& pump)
        : display_(display), editor_(editor), pump_(pump) {}

    // Left-button gestures at editor pixels. Each idles at least the double-click time
    // before its press, so no two gestures made here pair into a double click.
    // Press, eight steps of motion with the button held, release at the end point.
    void drag(int fromX, int fromY, int toX, int toY);
    void click(int x, int y);
    // Press, release, press, release in one flush: the server stamps them milliseconds
    // apart.
    void doubleClick(int x, int y);
    // Wheel notches at (x, y): away from the user (button 4) when positive.
    void wheel(int notches, int x, int y);
    // Press and release of the key for `keysym`; false when the keyboard has no such key.
    bool key(unsigned long keysym);

  private:
    // The previous press was stamped when the server handled it, before its send()
    // returned; idling from here on keeps the two stamps at least this far apart.
    void keepApart();
    void moveTo(int x, int y);
    void button(unsigned button, bool down);
    void send(); // flush and wait until the server has handled the requests

    Display* display_;
    Window editor_;
    EditorPump& pump_;
};
