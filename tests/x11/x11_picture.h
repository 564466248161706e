// Pixels of a window as the X server holds them, and a PNG of them.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

// 0x00RRGGBB, top-down rows.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)] &
               0xFFFFFFu;
    }
    bool sameAs(const Picture& other) const {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
};

// XGetImage of the rectangle; an empty picture when the server refuses (window gone or
// not viewable). Children of the same depth are part of a window's image.
Picture captureWindow(Display* display, Window window, int x, int y, int width, int height);
// Pixels of the two pictures that differ; all of them when the sizes differ.
std::size_t differingPixels(const Picture& a, const Picture& b);

// Through a cairo image surface; false when there is nothing to write or writing failed.
bool savePng(const Picture& picture, const char* path);
