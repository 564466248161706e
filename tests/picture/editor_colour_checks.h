// The editor picture's colour checks, shared by the Windows (wine) and Linux (Xvfb) test
// hosts so that both platforms are held to the same pixels. Each host captures its own
// picture (any type with `std::uint32_t at(int x, int y)` answering 0xRRGGBB) and reports
// through its own check function; how much more a platform's rasteriser may differ is the
// host's allowance per kind of check.
#pragma once

#include "editor/layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace editorcolours {

inline int channel(std::uint32_t rgb, int shift) {
    return static_cast<int>((rgb >> shift) & 0xFF);
}

// The largest difference over the three channels.
inline int colourDistance(std::uint32_t a, std::uint32_t b) {
    int worst = 0;
    for (int shift : {0, 8, 16}) {
        worst = std::max(worst, std::abs(channel(a, shift) - channel(b, shift)));
    }
    return worst;
}

// The colour a vertical two-stop gradient gives at row y (sampled at pixel centres).
inline std::uint32_t gradientAt(std::uint32_t top, std::uint32_t bottom, double y0, double y1,
                                int y) {
    const double t = (y - y0) / (y1 - y0);
    std::uint32_t out = 0;
    for (int shift : {0, 8, 16}) {
        const double c = channel(top, shift) + (channel(bottom, shift) - channel(top, shift)) * t;
        out |= static_cast<std::uint32_t>(std::lround(c)) << shift;
    }
    return out;
}

inline std::string hex(std::uint32_t rgb) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(rgb & 0xFFFFFFu));
    return text;
}

// What a check looks at, for the platform's allowance.
enum class Kind { Shape, Text, Curve };

// One pixel in a solid area of a known colour.
struct PixelCheck {
    const char* what;
    int x;
    int y;
    std::uint32_t rgb;
    int tolerance;
};

// Anti-aliased text and thin curves: somewhere in the box a pixel reaches the colour.
struct RegionCheck {
    const char* what;
    int left, top, right, bottom; // right and bottom exclusive
    std::uint32_t rgb;
    int tolerance;
    Kind kind;
};

inline std::vector<PixelCheck> solidAreaChecks() {
    const int h = kEditorHeight;
    return {
        {"background gradient", 20, 448, gradientAt(0x0A0D14, 0x06080D, 0, h, 448), 4},
        {"background gradient", 900, 445, gradientAt(0x0A0D14, 0x06080D, 0, h, 445), 4},
        {"header gradient", 300, 8, gradientAt(0x10141F, 0x0A0D14, 0, 52, 8), 4},
        {"header gradient", 300, 40, gradientAt(0x10141F, 0x0A0D14, 0, 52, 40), 4},
        {"control strip gradient", 600, 565, gradientAt(0x0E111A, 0x080A10, 460, h, 565), 4},
        {"control strip divider", 450, 460, 0x1E263A, 8},
        {"logo bar gold", 33, 25, 0xF0CB64, 4},
        {"logo bar dark gold", 21, 30, 0xCAA134, 4},
        {"bypass lamp green", 807, 510, 0x34D399, 4},
        {"VAVU coupling value arc", 55, 502, 0xC084FC, 12},
        {"172 sieve value arc", 165, 502, 0xF0CB64, 12},
        {"580 limiter value arc", 275, 502, 0x34D399, 12},
        {"add chip between the meters", 675, 505, 0x1A2030, 6},
        {"left meter first segment lit", 674, 496, 0x34D399, 8},
        {"right meter first segment lit", 674, 514, 0x34D399, 8},
    };
}

// The spectrum outline is 0x5AB9CDEB over the dark graph: about 475060 where the line
// covers a pixel. Below the 0 dB line in the bass range only the spectrum reaches that
// tint; the bass line moves from bar to bar, so the whole range is searched.
inline std::vector<RegionCheck> textAndCurveChecks() {
    return {
        {"vendor word drawn", 48, 13, 104, 32, 0xDCE6F5, 40, Kind::Text},
        {"product word drawn in gold", 106, 13, 200, 32, 0xF0CB64, 40, Kind::Text},
        {"tagline drawn", 49, 32, 200, 46, 0x7382A5, 40, Kind::Text},
        {"ZERO LATENCY badge text", 640, 14, 725, 38, 0x38BDF8, 60, Kind::Text},
        {"ACTIVE text", 820, 503, 890, 522, 0xD1FAE5, 50, Kind::Text},
        {"VAVU value text", 80, 507, 130, 521, 0xC084FC, 50, Kind::Text},
        {"sum curve crosses 1 kHz", 514, 52, 517, 425, 0xFFF06E, 30, Kind::Shape},
        {"spectrum shows the bass and kick (40 to 200 Hz)", 128, 250, 321, 420, 0x475060, 35,
         Kind::Curve},
    };
}

// Runs every check on `picture`; `allowance(kind)` is what the platform may add to a
// check's tolerance, `report(ok, line)` the host's way of counting a result.
template <class Picture, class Allowance, class Report>
void checkEditorColours(const Picture& picture, Allowance&& allowance, Report&& report) {
    for (const PixelCheck& c : solidAreaChecks()) {
        const std::uint32_t seen = picture.at(c.x, c.y);
        const int tolerance = c.tolerance + allowance(Kind::Shape);
        report(colourDistance(seen, c.rgb) <= tolerance,
               std::string(c.what) + " at (" + std::to_string(c.x) + "," + std::to_string(c.y) +
                   "): want " + hex(c.rgb) + " +-" + std::to_string(tolerance) + ", saw " +
                   hex(seen));
    }
    for (const RegionCheck& c : textAndCurveChecks()) {
        int best = 256;
        std::uint32_t closest = 0;
        for (int y = c.top; y < c.bottom; ++y) {
            for (int x = c.left; x < c.right; ++x) {
                const int d = colourDistance(picture.at(x, y), c.rgb);
                if (d < best) {
                    best = d;
                    closest = picture.at(x, y);
                }
            }
        }
        const int tolerance = c.tolerance + allowance(c.kind);
        report(best <= tolerance, std::string(c.what) + ": want a pixel near " + hex(c.rgb) +
                                      " +-" + std::to_string(tolerance) + ", closest " +
                                      hex(closest));
    }
}

} // namespace editorcolours
