#include "tests/vst3/editor_pictures.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace vst3check {

namespace {

// Colours this far apart in some channel count as different at a glance.
constexpr int kContrast = 40;
// Rounding the two rasterisers may differ by when the same edge is drawn at two scales.
constexpr int kSame = 3;
constexpr int kMinRun = 24;

// A colour some channel of which lies well outside the range its two neighbours span: a
// line of its own, not the blend an edge between the two leaves in its pixel row.
bool standsOut(std::uint32_t c, std::uint32_t before, std::uint32_t after) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int v = static_cast<int>((c >> shift) & 0xFF);
        const int a = static_cast<int>((before >> shift) & 0xFF);
        const int b = static_cast<int>((after >> shift) & 0xFF);
        if (v >= std::max(a, b) + kContrast / 2 || v <= std::min(a, b) - kContrast / 2) {
            return true;
        }
    }
    return false;
}

} // namespace

std::size_t colourCount(const Image& image) {
    std::set<std::uint32_t> colours;
    for (std::uint32_t p : image.pixels) {
        colours.insert(p & 0xFFFFFFu);
    }
    return colours.size();
}

std::vector<ThinLine> thinLines(const Image& one, std::size_t most) {
    std::vector<ThinLine> lines;
    // pixel(i, j): i along the line, j across it.
    for (bool horizontal : {true, false}) {
        const int along = horizontal ? one.width : one.height;
        const int across = horizontal ? one.height : one.width;
        const auto pixel = [&](int i, int j) { return horizontal ? one.at(i, j) : one.at(j, i); };
        for (int j = 2; j + 2 < across && lines.size() < most; ++j) {
            int i = 0;
            while (i < along) {
                const std::uint32_t c = pixel(i, j);
                const std::uint32_t before = pixel(i, j - 1);
                const std::uint32_t after = pixel(i, j + 1);
                int end = i;
                // Each side two pixels deep in one colour: a line on plain ground, not the
                // row beside an antialiased edge.
                while (end < along && pixel(end, j) == c && pixel(end, j - 1) == before &&
                       pixel(end, j - 2) == before && pixel(end, j + 1) == after &&
                       pixel(end, j + 2) == after) {
                    ++end;
                }
                const bool line = end - i >= kMinRun && channelDistance(c, before) >= kContrast &&
                                  channelDistance(c, after) >= kContrast &&
                                  standsOut(c, before, after);
                if (line && lines.size() < most) {
                    ThinLine l;
                    l.horizontal = horizontal;
                    l.x = horizontal ? i : j;
                    l.y = horizontal ? j : i;
                    l.length = end - i;
                    l.colour = c;
                    l.before = before;
                    l.after = after;
                    lines.push_back(l);
                }
                i = std::max(end, i + 1);
            }
        }
    }
    return lines;
}

std::string sharpAtTwo(const Image& two, const ThinLine& line) {
    const auto pixel = [&](int i, int j) { return line.horizontal ? two.at(i, j) : two.at(j, i); };
    const int j = 2 * (line.horizontal ? line.y : line.x);
    const int first = 2 * (line.horizontal ? line.x : line.y);
    const int across = line.horizontal ? two.height : two.width;
    if (j - 2 < 0 || j + 3 >= across) {
        return "outside the picture";
    }
    // Beside the line the neighbours' colours exactly; on it two pixels of the line's
    // colour, each far from the neighbours. (A stroke with a gradient differs a little
    // between its two rows, and from the scale-1 pixel, which samples the gradient at
    // another place.) The two pixels start at twice the scale-1 row, or one before it where
    // the rasteriser puts pixel centres on whole coordinates (GDI+); a shape's edge drawn
    // off the pixel grid may take a third pixel of its colour. What an enlarged, smoothed
    // picture has beside the line, a blend a quarter of the way to the line's colour, is
    // neither the neighbour's colour nor the line's, and fails.
    const auto fits = [&](int i, int start, int width) {
        bool ok = channelDistance(pixel(i, start - 1), line.before) <= kSame &&
                  channelDistance(pixel(i, start + width), line.after) <= kSame;
        for (int k = 0; k < width; ++k) {
            const std::uint32_t p = pixel(i, start + k);
            ok = ok && channelDistance(p, line.colour) <= kContrast / 2 &&
                 channelDistance(p, line.before) >= kContrast / 2 &&
                 channelDistance(p, line.after) >= kContrast / 2;
        }
        return ok;
    };
    // The ends are left out: they meet other shapes. A shape's edge that runs a little
    // off the horizontal shows it at scale 2, so the band is found in each column anew.
    const auto sharpColumn = [&](int i) {
        return fits(i, j, 2) || fits(i, j - 1, 2) || fits(i, j - 1, 3) || fits(i, j, 3);
    };
    for (int i = first + 2; i < first + 2 * line.length - 2; ++i) {
        if (!sharpColumn(i)) {
            char why[200];
            std::snprintf(why, sizeof why,
                          "%s line at %d,%d (length %d): across it %06X %06X %06X %06X %06X, "
                          "want %06X, %06X twice, %06X",
                          line.horizontal ? "horizontal" : "vertical", line.x, line.y, line.length,
                          pixel(i, j - 2), pixel(i, j - 1), pixel(i, j), pixel(i, j + 1),
                          pixel(i, j + 2), line.before, line.colour, line.after);
            return why;
        }
    }
    return {};
}

double finerThanDoubled(const Image& two) {
    std::size_t blocks = 0;
    std::size_t mixed = 0;
    for (int y = 0; y + 1 < two.height; y += 2) {
        for (int x = 0; x + 1 < two.width; x += 2) {
            const std::uint32_t c = two.at(x, y);
            ++blocks;
            mixed +=
                two.at(x + 1, y) != c || two.at(x, y + 1) != c || two.at(x + 1, y + 1) != c ? 1 : 0;
        }
    }
    return blocks == 0 ? 0.0 : static_cast<double>(mixed) / static_cast<double>(blocks);
}

bool writePpm(const Image& image, const std::string& path) {
    if (image.empty()) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    std::fprintf(file, "P6\n%d %d\n255\n", image.width, image.height);
    std::vector<unsigned char> row(static_cast<std::size_t>(image.width) * 3);
    bool ok = true;
    for (int y = 0; y < image.height && ok; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t p = image.at(x, y);
            row[static_cast<std::size_t>(x) * 3] = static_cast<unsigned char>(p >> 16);
            row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<unsigned char>(p >> 8);
            row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<unsigned char>(p);
        }
        ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    return std::fclose(file) == 0 && ok;
}

} // namespace vst3check
