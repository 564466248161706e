// The editor checks' picture judgements must be able to fail: a scale-2 picture that is
// the scale-1 picture enlarged and smoothed, or only doubled, is told apart from one drawn
// at scale 2. Pictures are made here: a panel with one-pixel frame lines, a diagonal edge
// with antialiasing, and the same drawn at twice the size.
#include "tests/vst3/editor_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using vst3check::Image;

namespace {

constexpr std::uint32_t kGround = 0x0F121C;
constexpr std::uint32_t kPanel = 0x122434;
constexpr std::uint32_t kFrame = 0x216082;
constexpr std::uint32_t kInk = 0xE0E0E0;

std::uint32_t mix(std::uint32_t a, std::uint32_t b, double t) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const double x = ((a >> shift) & 0xFF) * (1.0 - t) + ((b >> shift) & 0xFF) * t;
        out |= static_cast<std::uint32_t>(std::lround(x)) << shift;
    }
    return out;
}

// The test picture at `scale`: ground, a panel from (20,20) to (100,60) with a frame line
// one unit wide on its top and left, and a slanted edge drawn with coverage-based
// antialiasing, all in units that become `scale` pixels.
Image draw(int scale) {
    Image image;
    image.width = 120 * scale;
    image.height = 80 * scale;
    image.pixels.assign(static_cast<std::size_t>(image.width * image.height), kGround);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double ux = (x + 0.5) / scale;
            const double uy = (y + 0.5) / scale;
            std::uint32_t c = kGround;
            if (ux >= 20 && ux < 100 && uy >= 20 && uy < 60) {
                c = (uy < 21 || ux < 21) ? kFrame : kPanel;
            }
            // The edge y = 0.37 x + 5 over the ground, coverage by vertical distance.
            if (ux < 15) {
                const double d = uy - (0.37 * ux + 5.0);
                const double cover = std::clamp(0.5 - d * scale, 0.0, 1.0);
                c = mix(c, kInk, cover);
            }
            image.pixels[static_cast<std::size_t>(y * image.width + x)] = c;
        }
    }
    return image;
}

Image doubled(const Image& one) {
    Image two;
    two.width = one.width * 2;
    two.height = one.height * 2;
    two.pixels.resize(static_cast<std::size_t>(two.width * two.height));
    for (int y = 0; y < two.height; ++y) {
        for (int x = 0; x < two.width; ++x) {
            two.pixels[static_cast<std::size_t>(y * two.width + x)] = one.at(x / 2, y / 2);
        }
    }
    return two;
}

// Bilinear enlargement, as an image viewer or a compositor scaling a window does.
Image smoothed(const Image& one) {
    Image two = doubled(one);
    for (int y = 0; y < two.height; ++y) {
        for (int x = 0; x < two.width; ++x) {
            const double sx = std::clamp((x + 0.5) / 2.0 - 0.5, 0.0, one.width - 1.0);
            const double sy = std::clamp((y + 0.5) / 2.0 - 0.5, 0.0, one.height - 1.0);
            const int x0 = static_cast<int>(sx);
            const int y0 = static_cast<int>(sy);
            const int x1 = std::min(x0 + 1, one.width - 1);
            const int y1 = std::min(y0 + 1, one.height - 1);
            const std::uint32_t top = mix(one.at(x0, y0), one.at(x1, y0), sx - x0);
            const std::uint32_t bottom = mix(one.at(x0, y1), one.at(x1, y1), sx - x0);
            two.pixels[static_cast<std::size_t>(y * two.width + x)] = mix(top, bottom, sy - y0);
        }
    }
    return two;
}

int sharpLines(const Image& one, const Image& two) {
    int sharp = 0;
    for (const auto& line : vst3check::thinLines(one)) {
        sharp += vst3check::sharpAtTwo(two, line).empty() ? 1 : 0;
    }
    return sharp;
}

} // namespace

TEST(EditorPictures, FindsTheFrameLinesNotTheAntialiasedEdge) {
    const auto lines = vst3check::thinLines(draw(1));
    ASSERT_EQ(lines.size(), 2u); // the panel's top and left frame lines
    for (const auto& line : lines) {
        EXPECT_EQ(line.colour, kFrame);
        EXPECT_GE(line.length, 24);
    }
}

TEST(EditorPictures, DrawnAtScaleTwoPasses) {
    const Image one = draw(1);
    const Image two = draw(2);
    EXPECT_EQ(sharpLines(one, two), 2);
    EXPECT_GT(vst3check::finerThanDoubled(two), 0.001);
}

TEST(EditorPictures, SmoothedEnlargementFailsTheLines) {
    const Image one = draw(1);
    EXPECT_EQ(sharpLines(one, smoothed(one)), 0);
}

TEST(EditorPictures, DoubledPixelsHaveNoFinerDetail) {
    const Image one = draw(1);
    EXPECT_EQ(sharpLines(one, doubled(one)), 2);
    EXPECT_EQ(vst3check::finerThanDoubled(doubled(one)), 0.0);
}

TEST(EditorPictures, DifferingPixelsCountsAndSizesMatter) {
    Image a = draw(1);
    Image b = a;
    EXPECT_EQ(vst3check::differingPixels(a, b), 0u);
    b.pixels[5] ^= 1;
    b.pixels[900] ^= 0x010000;
    EXPECT_EQ(vst3check::differingPixels(a, b), 2u);
    EXPECT_EQ(vst3check::differingPixels(a, draw(2)), draw(2).pixels.size());
}
