// Pixels of a Cairo image surface for the canvas tests: surfaces start opaque black, so
// every pixel read back is opaque and its premultiplied value is the colour itself.
#pragma once

#include "editor/canvas.h"

#include <cairo.h>

#include <cstdint>

struct PixelBox {
    int left = 0;
    int top = 0;
    int right = -1; // inclusive; right < left: no ink at all
    int bottom = -1;
    int count = 0;
};

// An ARGB32 surface filled with opaque black; the caller destroys it.
cairo_surface_t* blackSurface(int width, int height);
// 0xAARRGGBB of pixel (x, y).
std::uint32_t pixelAt(cairo_surface_t* surface, int x, int y);
int red(std::uint32_t argb);
int green(std::uint32_t argb);
int blue(std::uint32_t argb);
// Pixels inside [x0, x1) x [y0, y1) brighter than `threshold` in any channel, and the box
// around them.
PixelBox inkIn(cairo_surface_t* surface, int x0, int y0, int x1, int y1, int threshold = 40);
PixelBox inkAll(cairo_surface_t* surface, int threshold = 40);
// Lit pixels of one column inside the rows [y0, y1).
int inkInColumn(cairo_surface_t* surface, int x, int y0, int y1, int threshold = 40);
