// GDI+'s DrawString layout, on glyph advances alone so it can be checked without fonts:
// lines break at '\n' and, inside a layout box of some width, before the word that would
// overflow it (a word wider than the box breaks between characters); trailing spaces do
// not count for alignment; GDI+'s default format pads each line by 1/6 em on both sides;
// a box without width or height aligns the text to its edge point instead.
#pragma once

#include "editor/canvas.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct LaidGlyph {
    char32_t ch = 0;
    int link = 0;            // the face of the font chain that draws it
    unsigned long index = 0; // the glyph in that face
    double advance = 0.0;    // pixels
};

struct TextLine {
    std::size_t begin = 0; // glyph range [begin, end), the breaking '\n' included
    std::size_t end = 0;
    double width = 0.0; // advances without trailing spaces and the '\n'
};

// maxWidth <= 0: lines end only at '\n'.
std::vector<TextLine> breakLines(const std::vector<LaidGlyph>& glyphs, double maxWidth);

struct TextFrame {
    CanvasRect layout{};
    CanvasAlignment horizontal = StringAlignmentNear;
    CanvasAlignment line = StringAlignmentNear;
    double padding = 0.0;     // 1/6 em
    double lineSpacing = 0.0; // pixels from one line's top to the next
};

// The width lines wrap at: the box's less the padding; 0 when the box has no width.
double wrapWidth(const TextFrame& frame);
// Where a line of the given width starts.
double lineLeft(const TextFrame& frame, double lineWidth);
// The first line's top.
double blockTop(const TextFrame& frame, std::size_t lineCount);
// Whether GDI+ clips the text to its box (it does when the box has an area).
bool clipsToBox(const TextFrame& frame);

std::string toUtf8(std::u32string_view text);
