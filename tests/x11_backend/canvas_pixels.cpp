#include "tests/x11_backend/canvas_pixels.h"

#include <algorithm>

cairo_surface_t* blackSurface(int width, int height) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    return surface;
}

std::uint32_t pixelAt(cairo_surface_t* surface, int x, int y) {
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    return *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
}

int red(std::uint32_t argb) {
    return static_cast<int>((argb >> 16) & 0xFFu);
}
int green(std::uint32_t argb) {
    return static_cast<int>((argb >> 8) & 0xFFu);
}
int blue(std::uint32_t argb) {
    return static_cast<int>(argb & 0xFFu);
}

namespace {
bool lit(std::uint32_t argb, int threshold) {
    return std::max({red(argb), green(argb), blue(argb)}) > threshold;
}
} // namespace

PixelBox inkIn(cairo_surface_t* surface, int x0, int y0, int x1, int y1, int threshold) {
    PixelBox box{x1, y1, x0 - 1, y0 - 1, 0};
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (lit(pixelAt(surface, x, y), threshold)) {
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                       std::max(box.bottom, y), box.count + 1};
            }
        }
    }
    return box;
}

PixelBox inkAll(cairo_surface_t* surface, int threshold) {
    return inkIn(surface, 0, 0, cairo_image_surface_get_width(surface),
                 cairo_image_surface_get_height(surface), threshold);
}

int inkInColumn(cairo_surface_t* surface, int x, int y0, int y1, int threshold) {
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        count += lit(pixelAt(surface, x, y), threshold) ? 1 : 0;
    }
    return count;
}
