#include "platform/x11/cairo_text_layout.h"

#include <algorithm>

namespace {

constexpr char32_t kNewline = U'\n';
constexpr char32_t kSpace = U' ';

// Where the line starting at `start` ends: after its '\n', after the spaces before the
// word that overflows, or before the overflowing character when the word alone does.
// Every line takes at least one glyph.
std::size_t lineEnd(const std::vector<LaidGlyph>& glyphs, std::size_t start, double maxWidth) {
    double width = 0.0;
    std::size_t afterSpaces = 0;
    for (std::size_t i = start; i < glyphs.size(); ++i) {
        const LaidGlyph& g = glyphs[i];
        if (g.ch == kNewline) {
            return i + 1;
        }
        if (g.ch == kSpace) {
            width += g.advance;
            afterSpaces = i + 1;
            continue;
        }
        if (maxWidth > 0.0 && i > start && width + g.advance > maxWidth) {
            return afterSpaces > start ? afterSpaces : i;
        }
        width += g.advance;
    }
    return glyphs.size();
}

double visibleWidth(const std::vector<LaidGlyph>& glyphs, std::size_t begin, std::size_t end) {
    while (end > begin && (glyphs[end - 1].ch == kNewline || glyphs[end - 1].ch == kSpace)) {
        --end;
    }
    double width = 0.0;
    for (std::size_t i = begin; i < end; ++i) {
        width += glyphs[i].advance;
    }
    return width;
}

// Where an extent starts when aligned in [at, at + room]; a room of 0 aligns to `at`.
double alignStart(CanvasAlignment a, double at, double room, double extent) {
    switch (a) {
    case StringAlignmentCenter:
        return at + (room - extent) / 2.0;
    case StringAlignmentFar:
        return at + room - extent;
    default:
        return at;
    }
}

void appendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        c = 0xFFFD; // not a character: the replacement character stands in for it
    }
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

} // namespace

std::vector<TextLine> breakLines(const std::vector<LaidGlyph>& glyphs, double maxWidth) {
    std::vector<TextLine> lines;
    std::size_t begin = 0;
    while (begin < glyphs.size()) {
        const std::size_t end = lineEnd(glyphs, begin, maxWidth);
        lines.push_back({begin, end, visibleWidth(glyphs, begin, end)});
        begin = end;
    }
    return lines;
}

double wrapWidth(const TextFrame& frame) {
    if (!(frame.layout.w > 0.0f)) {
        return 0.0;
    }
    // A box narrower than its padding still wraps, one character a line.
    return std::max(frame.layout.w - 2.0 * frame.padding, 1e-3);
}

// The padding sits on both sides of the line, so it shifts near and far lines inwards and
// leaves centred ones where they are.
double lineLeft(const TextFrame& frame, double lineWidth) {
    const double room = frame.layout.w > 0.0f ? frame.layout.w : 0.0;
    const double padded = lineWidth + 2.0 * frame.padding;
    return alignStart(frame.horizontal, frame.layout.x, room, padded) + frame.padding;
}

double blockTop(const TextFrame& frame, std::size_t lineCount) {
    const double room = frame.layout.h > 0.0f ? frame.layout.h : 0.0;
    const double height = static_cast<double>(lineCount) * frame.lineSpacing;
    return alignStart(frame.line, frame.layout.y, room, height);
}

bool clipsToBox(const TextFrame& frame) {
    return frame.layout.w > 0.0f && frame.layout.h > 0.0f;
}

std::string toUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        appendUtf8(out, c);
    }
    return out;
}
