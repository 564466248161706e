// GDI+'s line breaking and alignment on made-up advances: no fonts involved.
#include "platform/x11/cairo_text_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every character 10 px wide, spaces 4 px.
std::vector<LaidGlyph> glyphsOf(const std::u32string& text) {
    std::vector<LaidGlyph> glyphs;
    for (char32_t c : text) {
        glyphs.push_back({c, 0, 0, c == U' ' ? 4.0 : (c == U'\n' ? 0.0 : 10.0)});
    }
    return glyphs;
}

std::u32string lineText(const std::u32string& text, const TextLine& line) {
    return text.substr(line.begin, line.end - line.begin);
}

TextFrame frame(CanvasRect box, CanvasAlignment h, CanvasAlignment v) {
    TextFrame f;
    f.layout = box;
    f.horizontal = h;
    f.line = v;
    f.padding = 2.0;
    f.lineSpacing = 15.0;
    return f;
}

} // namespace

TEST(TextLayout, UnboundedTextIsOneLineWithoutTrailingSpaces) {
    const auto lines = breakLines(glyphsOf(U"ab cd  "), 0.0);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_DOUBLE_EQ(lines[0].width, 44.0); // "ab cd": four letters and one space
}

TEST(TextLayout, NewlinesEndLines) {
    const std::u32string text = U"ab\ncde\n\nf";
    const auto lines = breakLines(glyphsOf(text), 0.0);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lineText(text, lines[0]), U"ab\n");
    EXPECT_EQ(lineText(text, lines[1]), U"cde\n");
    EXPECT_DOUBLE_EQ(lines[2].width, 0.0);
    EXPECT_DOUBLE_EQ(lines[3].width, 10.0);
}

TEST(TextLayout, WrapsBeforeTheWordThatOverflows) {
    const std::u32string text = U"LOW CUT MID";
    const auto lines = breakLines(glyphsOf(text), 40.0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lineText(text, lines[0]), U"LOW ");
    EXPECT_EQ(lineText(text, lines[1]), U"CUT ");
    EXPECT_EQ(lineText(text, lines[2]), U"MID");
    EXPECT_DOUBLE_EQ(lines[0].width, 30.0); // the trailing space does not count
}

TEST(TextLayout, WordsThatFitShareALine) {
    const auto lines = breakLines(glyphsOf(U"A4 (440)"), 90.0);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_DOUBLE_EQ(lines[0].width, 74.0);
}

TEST(TextLayout, AWordWiderThanTheBoxBreaksBetweenCharacters) {
    const std::u32string text = U"ABCDEFG";
    const auto lines = breakLines(glyphsOf(text), 25.0);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lineText(text, lines[0]), U"AB");
    EXPECT_EQ(lineText(text, lines[3]), U"G");
}

TEST(TextLayout, EveryLineTakesAtLeastOneCharacter) {
    const auto lines = breakLines(glyphsOf(U"WIDE"), 1e-3);
    EXPECT_EQ(lines.size(), 4u);
}

TEST(TextLayout, NearAlignedLinesStartAfterThePadding) {
    EXPECT_DOUBLE_EQ(lineLeft(frame({100, 0, 0, 0}, StringAlignmentNear, StringAlignmentNear), 50),
                     102.0);
    EXPECT_DOUBLE_EQ(
        lineLeft(frame({100, 0, 80, 20}, StringAlignmentNear, StringAlignmentNear), 50), 102.0);
}

TEST(TextLayout, CentredLinesSitInTheMiddleOfTheBox) {
    EXPECT_DOUBLE_EQ(
        lineLeft(frame({100, 0, 80, 20}, StringAlignmentCenter, StringAlignmentNear), 50), 115.0);
    // Without a width the point is the centre.
    EXPECT_DOUBLE_EQ(
        lineLeft(frame({100, 0, 0, 0}, StringAlignmentCenter, StringAlignmentNear), 50), 75.0);
}

TEST(TextLayout, FarAlignedLinesEndBeforeThePadding) {
    EXPECT_DOUBLE_EQ(lineLeft(frame({100, 0, 80, 20}, StringAlignmentFar, StringAlignmentNear), 50),
                     128.0);
    EXPECT_DOUBLE_EQ(lineLeft(frame({100, 0, 0, 0}, StringAlignmentFar, StringAlignmentNear), 50),
                     48.0);
}

TEST(TextLayout, LineAlignmentPlacesTheWholeBlock) {
    const CanvasRect box{0, 100, 50, 60};
    EXPECT_DOUBLE_EQ(blockTop(frame(box, StringAlignmentNear, StringAlignmentNear), 2), 100.0);
    EXPECT_DOUBLE_EQ(blockTop(frame(box, StringAlignmentNear, StringAlignmentCenter), 2), 115.0);
    EXPECT_DOUBLE_EQ(blockTop(frame(box, StringAlignmentNear, StringAlignmentFar), 2), 130.0);
    EXPECT_DOUBLE_EQ(blockTop(frame({0, 100, 0, 0}, StringAlignmentNear, StringAlignmentCenter), 1),
                     92.5);
}

TEST(TextLayout, WrapWidthIsTheBoxLessItsPadding) {
    EXPECT_DOUBLE_EQ(wrapWidth(frame({0, 0, 0, 30}, StringAlignmentNear, StringAlignmentNear)),
                     0.0);
    EXPECT_DOUBLE_EQ(wrapWidth(frame({0, 0, 50, 0}, StringAlignmentNear, StringAlignmentNear)),
                     46.0);
    EXPECT_GT(wrapWidth(frame({0, 0, 3, 0}, StringAlignmentNear, StringAlignmentNear)), 0.0);
}

TEST(TextLayout, OnlyABoxWithAnAreaClips) {
    EXPECT_TRUE(clipsToBox(frame({0, 0, 10, 10}, StringAlignmentNear, StringAlignmentNear)));
    EXPECT_FALSE(clipsToBox(frame({0, 0, 10, 0}, StringAlignmentNear, StringAlignmentNear)));
    EXPECT_FALSE(clipsToBox(frame({0, 0, 0, 0}, StringAlignmentNear, StringAlignmentNear)));
}

TEST(TextLayout, Utf8OfEveryLength) {
    EXPECT_EQ(toUtf8(U"A"), "A");
    EXPECT_EQ(toUtf8(U"\u00e9"), "\xC3\xA9");
    EXPECT_EQ(toUtf8(U"\u25C4\u2122"), "\xE2\x97\x84\xE2\x84\xA2");
    EXPECT_EQ(toUtf8(U"\U0001F3B5"), "\xF0\x9F\x8E\xB5");
    const char32_t bad[] = {0xD800, 0x110000, 0};
    EXPECT_EQ(toUtf8(bad), "\xEF\xBF\xBD\xEF\xBF\xBD");
}
