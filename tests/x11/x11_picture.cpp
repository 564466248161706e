#include "tests/x11/x11_picture.h"

#include <X11/Xutil.h>
#include <cairo.h>

#include <cstring>

namespace {

// One colour channel of an XImage pixel, scaled to 8 bits whatever the mask's width.
std::uint32_t channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (((mask >> shift) & 1u) == 0) {
        ++shift;
    }
    const unsigned long top = mask >> shift;
    const unsigned long value = (pixel & mask) >> shift;
    return static_cast<std::uint32_t>((value * 255u + top / 2) / top);
}

} // namespace

Picture captureWindow(Display* display, Window window, int x, int y, int width, int height) {
    Picture picture;
    XImage* image = XGetImage(display, window, x, y, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return picture;
    }
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            const unsigned long p = XGetPixel(image, col, row);
            picture.pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                           static_cast<std::size_t>(col)] = channel(p, image->red_mask) << 16 |
                                                            channel(p, image->green_mask) << 8 |
                                                            channel(p, image->blue_mask);
        }
    }
    XDestroyImage(image);
    return picture;
}

bool savePng(const Picture& picture, const char* path) {
    if (picture.pixels.empty()) {
        return false;
    }
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture.width, picture.height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return false;
    }
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int row = 0; row < picture.height; ++row) {
        // RGB24 keeps each pixel as a native-endian 32-bit 0x00RRGGBB, as Picture does.
        std::memcpy(data + static_cast<std::ptrdiff_t>(row) * stride,
                    picture.pixels.data() + static_cast<std::size_t>(row) * picture.width,
                    static_cast<std::size_t>(picture.width) * 4);
    }
    cairo_surface_mark_dirty(surface);
    const bool written = cairo_surface_write_to_png(surface, path) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return written;
}
