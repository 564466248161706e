// Pixels of a window as the X server holds them, the windows inside it, and a PNG of them.
#pragma once

#include "tests/vst3/editor_image.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <vector>

// 0x00RRGGBB, top-down rows: the one picture type of every editor check.
using Picture = vst3check::Image;
using vst3check::differingPixels;

// XGetImage of the rectangle; an empty picture when the server refuses (window gone or
// not viewable). Children of the same depth are part of a window's image.
Picture captureWindow(Display* display, Window window, int x, int y, int width, int height);

// Through a cairo image surface; false when there is nothing to write or writing failed.
bool savePng(const Picture& picture, const char* path);

// The windows directly inside `parent`, as the server has them now.
inline std::vector<Window> childWindows(Display* display, Window parent) {
    Window root = 0;
    Window up = 0;
    Window* list = nullptr;
    unsigned int count = 0;
    std::vector<Window> out;
    if (XQueryTree(display, parent, &root, &up, &list, &count) != 0) {
        out.assign(list, list + count);
    }
    if (list != nullptr) {
        XFree(list);
    }
    return out;
}

// One pixel of a 24-bit window, 0xRRGGBB; 0 when the server refuses.
inline unsigned long pixelAt(Display* display, Window window, int x, int y) {
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return 0;
    }
    const unsigned long value = XGetPixel(image, 0, 0) & 0xFFFFFFu;
    XDestroyImage(image);
    return value;
}
