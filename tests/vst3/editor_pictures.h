// What the editor checks ask of a captured picture, on either system: how many colours it
// has, whether a picture at content scale 2 is drawn at that scale (sharp two-pixel lines
// where scale 1 has one-pixel lines, detail finer than doubled pixels), and a PPM file of
// it for ImageMagick to turn into PNG.
#pragma once

#include "tests/vst3/editor_image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vst3check {

// Colours in the picture (an unpainted window has one).
std::size_t colourCount(const Image& image);

// A one-pixel line of the scale-1 picture: a run of one colour, with a different, uniform
// colour on each side, clearly apart from it and not a blend of the two (the row an
// antialiased edge leaves is not a line).
struct ThinLine {
    bool horizontal = true;
    int x = 0; // first pixel
    int y = 0;
    int length = 0;
    std::uint32_t colour = 0;
    std::uint32_t before = 0; // the colour above (left of) the line
    std::uint32_t after = 0;  // below (right of) it
};
std::vector<ThinLine> thinLines(const Image& one, std::size_t most = 40);

// At scale 2 the line is two pixels wide in its own colour (three where it is the edge of
// a shape off the pixel grid), and the pixels beside it are the neighbours' colours: drawn
// at the scale, not enlarged and smoothed. Empty when it holds, else where it fails.
std::string sharpAtTwo(const Image& two, const ThinLine& line);

// The share of 2x2 blocks (on even coordinates) of a scale-2 picture that are not one
// colour. A scale-1 picture with its pixels doubled has none; text and edges drawn at the
// scale have many.
double finerThanDoubled(const Image& two);

// Binary PPM (P6).
bool writePpm(const Image& image, const std::string& path);

} // namespace vst3check
