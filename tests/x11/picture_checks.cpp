#include "tests/x11/picture_checks.h"

#include "editor/layout.h"
#include "tests/x11/x11_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The wine test's tolerances hold GDI+ to the editor's colours. Cairo draws the same
// shapes with its own rasteriser, so each check here allows a little more:
// - kShapeAllowance on solid fills, gradients and thick arcs: pixman forms gradient
//   colours with its own fixed-point steps and rounding (a level or two from GDI+'s) and
//   places anti-aliased arc edges by its own coverage rule.
// - kTextAllowance on text: FreeType with fontconfig's hinting renders the same fonts with
//   other glyph shapes and coverage than GDI+ does, so the fullest pixel of a small word
//   may stay further from the brush colour. The thin curves get less or none (their rows
//   below): the spectrum's tint lies close to the graph's other colours.
// All stay well below the distance to the neighbouring colours in each box, so a wrong
// colour or a missing element still fails.
constexpr int kShapeAllowance = 4;
constexpr int kTextAllowance = 10;

int channel(std::uint32_t rgb, int shift) {
    return static_cast<int>((rgb >> shift) & 0xFF);
}

int colourDistance(std::uint32_t a, std::uint32_t b) {
    int worst = 0;
    for (int shift : {0, 8, 16}) {
        worst = std::max(worst, std::abs(channel(a, shift) - channel(b, shift)));
    }
    return worst;
}

// The colour a vertical two-stop gradient gives at row y (sampled at pixel centres).
std::uint32_t gradientAt(std::uint32_t top, std::uint32_t bottom, double y0, double y1, int y) {
    const double t = (y - y0) / (y1 - y0);
    std::uint32_t out = 0;
    for (int shift : {0, 8, 16}) {
        const double c = channel(top, shift) + (channel(bottom, shift) - channel(top, shift)) * t;
        out |= static_cast<std::uint32_t>(std::lround(c)) << shift;
    }
    return out;
}

std::string hex(std::uint32_t rgb) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(rgb & 0xFFFFFFu));
    return text;
}

struct PixelCheck {
    const char* what;
    int x;
    int y;
    std::uint32_t rgb;
    int tolerance; // the wine test's
};

void checkPixel(const Picture& p, const PixelCheck& c) {
    const std::uint32_t seen = p.at(c.x, c.y);
    const int tolerance = c.tolerance + kShapeAllowance;
    xcheck::check(colourDistance(seen, c.rgb) <= tolerance,
                  std::string(c.what) + " at (" + std::to_string(c.x) + "," + std::to_string(c.y) +
                      "): want " + hex(c.rgb) + " +-" + std::to_string(tolerance) + ", saw " +
                      hex(seen));
}

struct Box {
    int left;
    int top;
    int right; // exclusive
    int bottom;
};

struct RegionCheck {
    const char* what;
    Box box;
    std::uint32_t rgb;
    int tolerance; // the wine test's
    int allowance; // what cairo's rendering may add to it
};

void checkRegion(const Picture& p, const RegionCheck& c) {
    int best = 256;
    std::uint32_t closest = 0;
    for (int y = c.box.top; y < c.box.bottom; ++y) {
        for (int x = c.box.left; x < c.box.right; ++x) {
            const int d = colourDistance(p.at(x, y), c.rgb);
            if (d < best) {
                best = d;
                closest = p.at(x, y);
            }
        }
    }
    const int tolerance = c.tolerance + c.allowance;
    xcheck::check(best <= tolerance, std::string(c.what) + ": want a pixel near " + hex(c.rgb) +
                                         " +-" + std::to_string(tolerance) + ", closest " +
                                         hex(closest));
}

} // namespace

void checkSolidAreas(const Picture& p) {
    const int h = kEditorHeight;
    const PixelCheck checks[] = {
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
    for (const PixelCheck& c : checks) {
        checkPixel(p, c);
    }
}

void checkTextAndCurves(const Picture& p) {
    // The spectrum outline is 0x5AB9CDEB over the dark graph: about 475060 where the line
    // covers a pixel. Below the 0 dB line in the bass range only the spectrum reaches that
    // tint; the bass line moves from bar to bar, so the whole range is searched.
    const RegionCheck checks[] = {
        {"vendor word drawn", {48, 13, 104, 32}, 0xDCE6F5, 40, kTextAllowance},
        {"product word drawn in gold", {106, 13, 200, 32}, 0xF0CB64, 40, kTextAllowance},
        {"tagline drawn", {49, 32, 200, 46}, 0x7382A5, 40, kTextAllowance},
        {"ZERO LATENCY badge text", {640, 14, 725, 38}, 0x38BDF8, 60, kTextAllowance},
        {"ACTIVE text", {820, 503, 890, 522}, 0xD1FAE5, 50, kTextAllowance},
        {"VAVU value text", {80, 507, 130, 521}, 0xC084FC, 50, kTextAllowance},
        {"sum curve crosses 1 kHz", {514, 52, 517, 425}, 0xFFF06E, 30, kShapeAllowance},
        {"spectrum shows the bass and kick (40 to 200 Hz)", {128, 250, 321, 420}, 0x475060, 35, 0},
    };
    for (const RegionCheck& c : checks) {
        checkRegion(p, c);
    }
}
