// A picture of a window read back from the window system, as every editor check holds one
// (on X11 and on Windows, for the VST 2.4 and the VST 3 editor alike), and the two
// comparisons they all make of pictures.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace vst3check {

// 0x00RRGGBB, top-down rows.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)] &
               0xFFFFFFu;
    }
    bool empty() const { return pixels.empty(); }
    bool sameAs(const Image& other) const {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
};

// Pixels that differ; every pixel of the larger when the sizes differ.
inline std::size_t differingPixels(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height) {
        return std::max(a.pixels.size(), b.pixels.size());
    }
    std::size_t n = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        n += (a.pixels[i] & 0xFFFFFFu) != (b.pixels[i] & 0xFFFFFFu) ? 1 : 0;
    }
    return n;
}

// The largest difference of any colour channel between two colours.
inline int channelDistance(std::uint32_t a, std::uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                         static_cast<int>((b >> shift) & 0xFF)));
    }
    return worst;
}

} // namespace vst3check
