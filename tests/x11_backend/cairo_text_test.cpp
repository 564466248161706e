// Text through the Cairo canvas: the face chain the editor's family resolves to, glyphs
// borrowed from the fallback face, and GDI+'s placement of lines in their layout box.
#include "platform/x11/cairo_canvas.h"
#include "platform/x11/cairo_font_chain.h"
#include "tests/x11_backend/canvas_pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr const wchar_t* kEditorFamily = L"Segoe UI"; // what the editor asks for
constexpr std::uint32_t kWhite = 0xFFFFFFFF;

// Draws `text` on a fresh black surface and answers it.
cairo_surface_t* drawText(const wchar_t* text, float size, CanvasRect box,
                          CanvasAlignment horizontal = StringAlignmentNear,
                          CanvasAlignment line = StringAlignmentNear,
                          CanvasFontStyle style = FontStyleRegular, int width = 200,
                          int height = 100) {
    cairo_surface_t* surface = blackSurface(width, height);
    Canvas* canvas = openCairoCanvas(surface, nullptr);
    CanvasFontFamily* family = createFontFamily(kEditorFamily);
    CanvasFont* font = createFont(family, size, style);
    CanvasStringFormat* format = createStringFormat(horizontal, line);
    CanvasBrush* brush = createSolidBrush(kWhite);
    drawString(canvas, text, font, box, format, brush);
    deleteBrush(brush);
    deleteStringFormat(format);
    deleteFont(font);
    deleteFontFamily(family);
    closeCairoCanvas(canvas);
    return surface;
}

std::shared_ptr<const FontChain> editorChain() {
    return findFontChain("Segoe UI", false);
}

double centre(int a, int b) {
    return (a + b) / 2.0;
}

} // namespace

TEST(CairoText, EditorFamilyResolvesToOpenSansWithDejaVuBehind) {
    const auto chain = editorChain();
    ASSERT_NE(chain, nullptr);
    ASSERT_GE(chain->links.size(), 2u);
    // Open Sans lays lines 1.362 em apart, its ascent 1.069 em (2789 and 2189 of 2048).
    EXPECT_NEAR(chain->lineSpacingEm, 1.362, 0.002);
    EXPECT_NEAR(chain->ascentEm, 1.069, 0.002);
    EXPECT_EQ(linkFor(*chain, U'A'), 0);
    EXPECT_EQ(linkFor(*chain, U'\u2122'), 0); // ™ is Open Sans's own
    EXPECT_GT(linkFor(*chain, U'\u25C4'), 0);
    EXPECT_GT(linkFor(*chain, U'\u25BA'), 0);
}

// A borrowed arrow is a triangle: its tip column has far less ink than its base. A
// missing glyph would be an empty box with equal sides, or nothing.
TEST(CairoText, PresetArrowsDrawAsArrowsFromTheFallbackFace) {
    cairo_surface_t* left = drawText(L"\u25C4", 40.0f, {10, 10, 0, 0});
    const PixelBox l = inkAll(left, 100);
    ASSERT_GT(l.count, 100);
    EXPECT_LT(2 * inkInColumn(left, l.left, 0, 100, 100), inkInColumn(left, l.right, 0, 100, 100));
    cairo_surface_destroy(left);

    cairo_surface_t* right = drawText(L"\u25BA", 40.0f, {10, 10, 0, 0});
    const PixelBox r = inkAll(right, 100);
    ASSERT_GT(r.count, 100);
    EXPECT_GT(inkInColumn(right, r.left, 0, 100, 100),
              2 * inkInColumn(right, r.right, 0, 100, 100));
    cairo_surface_destroy(right);
}

TEST(CairoText, ArrowsAndLettersShareOneLine) {
    cairo_surface_t* s = drawText(L"\u25C4   01 \u2022 A   \u25BA", 14.0f, {0, 0, 200, 30},
                                  StringAlignmentCenter, StringAlignmentCenter);
    const PixelBox all = inkAll(s);
    ASSERT_GT(all.count, 0);
    // Ink at both ends and in the middle, on one line.
    EXPECT_GT(inkIn(s, all.left, 0, all.left + 8, 30).count, 10);
    EXPECT_GT(inkIn(s, all.right - 7, 0, all.right + 1, 30).count, 10);
    EXPECT_GT(inkIn(s, 90, 0, 110, 30).count, 10);
    EXPECT_LT(all.bottom - all.top, 20);
    EXPECT_NEAR(centre(all.left, all.right), 100.0, 2.0);
    cairo_surface_destroy(s);
}

// From a point: 1/6 em of padding before the line, the baseline one ascent below it.
TEST(CairoText, TextFromAPointStartsAfterThePaddingBelowTheAscent) {
    const float size = 30.0f;
    cairo_surface_t* s = drawText(L"H", size, {20, 10, 0, 0});
    const PixelBox ink = inkAll(s, 100);
    const auto chain = editorChain();
    const double baseline = 10.0 + size * chain->ascentEm;
    // H's side bearing in Open Sans is about 0.1 em; its cap height 0.714 em.
    EXPECT_NEAR(ink.left, 20.0 + size / 6.0 + 0.1 * size, 2.0);
    EXPECT_NEAR(ink.bottom + 1.0, baseline, 1.5);
    EXPECT_NEAR(ink.bottom + 1.0 - ink.top, 0.714 * size, 1.5);
    cairo_surface_destroy(s);
}

TEST(CairoText, CentredTextSitsInTheMiddleOfItsBox) {
    const CanvasRect box{40, 20, 120, 60};
    const float size = 20.0f;
    cairo_surface_t* s = drawText(L"HOH", size, box, StringAlignmentCenter, StringAlignmentCenter);
    const PixelBox ink = inkAll(s, 100);
    EXPECT_NEAR(centre(ink.left, ink.right), 100.0, 1.5);
    const auto chain = editorChain();
    const double top = box.y + (box.h - size * chain->lineSpacingEm) / 2.0;
    EXPECT_NEAR(ink.bottom + 1.0, top + size * chain->ascentEm, 1.5);
    cairo_surface_destroy(s);
}

TEST(CairoText, FarAlignedTextEndsBeforeThePadding) {
    const float size = 24.0f;
    cairo_surface_t* s =
        drawText(L"HH", size, {20, 10, 150, 40}, StringAlignmentFar, StringAlignmentFar);
    const PixelBox ink = inkAll(s, 100);
    EXPECT_NEAR(ink.right + 1.0, 170.0 - size / 6.0 - 0.1 * size, 2.0);
    // The last line's descent ends at the box's bottom; the caps end at its baseline.
    const auto chain = editorChain();
    EXPECT_NEAR(ink.bottom + 1.0, 50.0 - size * chain->descentEm, 1.5);
    cairo_surface_destroy(s);
}

// "LOW CUT" in a band panel's type button: two lines, each centred.
TEST(CairoText, NarrowBoxesWrapAtSpaces) {
    const float size = 12.0f;
    cairo_surface_t* wide =
        drawText(L"LOW CUT", size, {10, 10, 180, 60}, StringAlignmentCenter, StringAlignmentCenter);
    cairo_surface_t* narrow =
        drawText(L"LOW CUT", size, {10, 10, 40, 60}, StringAlignmentCenter, StringAlignmentCenter);
    const PixelBox one = inkAll(wide);
    const PixelBox two = inkAll(narrow);
    const auto chain = editorChain();
    EXPECT_NEAR((two.bottom - two.top) - (one.bottom - one.top), size * chain->lineSpacingEm, 2.0);
    EXPECT_LT(two.right - two.left, 0.6 * (one.right - one.left));
    EXPECT_NEAR(centre(two.left, two.right), 30.0, 2.0);
    cairo_surface_destroy(wide);
    cairo_surface_destroy(narrow);
}

TEST(CairoText, BoxedTextIsClippedToTheBoxAndPointTextIsNot) {
    const CanvasRect box{20, 20, 30, 20};
    cairo_surface_t* boxed = drawText(L"WWWWWWWWWW", 16.0f, box);
    EXPECT_GT(inkIn(boxed, 20, 20, 51, 41).count, 20);
    EXPECT_EQ(inkIn(boxed, 52, 0, 200, 100, 0).count, 0);
    EXPECT_EQ(inkIn(boxed, 0, 42, 200, 100, 0).count, 0);
    cairo_surface_t* free = drawText(L"WWWWWWWWWW", 16.0f, {20, 20, 0, 0});
    EXPECT_GT(inkIn(free, 52, 0, 200, 100).count, 50);
    cairo_surface_destroy(boxed);
    cairo_surface_destroy(free);
}

TEST(CairoText, NewlineStartsASecondLine) {
    const float size = 16.0f;
    cairo_surface_t* one = drawText(L"HH", size, {10, 10, 0, 0});
    cairo_surface_t* two = drawText(L"HH\r\nHH", size, {10, 10, 0, 0});
    const auto chain = editorChain();
    EXPECT_NEAR(inkAll(two).bottom - inkAll(one).bottom, size * chain->lineSpacingEm, 1.5);
    EXPECT_EQ(inkAll(two).right, inkAll(one).right);
    cairo_surface_destroy(one);
    cairo_surface_destroy(two);
}

TEST(CairoText, BoldHasMoreInkThanRegular) {
    cairo_surface_t* regular = drawText(L"MORVEL", 20.0f, {10, 10, 0, 0});
    cairo_surface_t* bold = drawText(L"MORVEL", 20.0f, {10, 10, 0, 0}, StringAlignmentNear,
                                     StringAlignmentNear, FontStyleBold);
    EXPECT_GT(inkAll(bold, 128).count, inkAll(regular, 128).count * 6 / 5);
    cairo_surface_destroy(regular);
    cairo_surface_destroy(bold);
}

TEST(CairoText, NullFormatIsTheDefaultFormat) {
    cairo_surface_t* surface = blackSurface(200, 100);
    Canvas* canvas = openCairoCanvas(surface, nullptr);
    CanvasFontFamily* family = createFontFamily(kEditorFamily);
    CanvasFont* font = createFont(family, 18.0f, FontStyleRegular);
    CanvasBrush* brush = createSolidBrush(kWhite);
    drawString(canvas, L"ACTIVE", font, {30, 20, 0, 0}, nullptr, brush);
    drawString(canvas, L"", font, {30, 60, 0, 0}, nullptr, brush);
    deleteBrush(brush);
    deleteFont(font);
    deleteFontFamily(family);
    closeCairoCanvas(canvas);
    cairo_surface_t* near = drawText(L"ACTIVE", 18.0f, {30, 20, 0, 0});
    EXPECT_GT(inkAll(surface).count, 50);
    EXPECT_EQ(inkIn(surface, 0, 55, 200, 100, 0).count, 0);
    EXPECT_EQ(std::memcmp(cairo_image_surface_get_data(surface), cairo_image_surface_get_data(near),
                          static_cast<std::size_t>(cairo_image_surface_get_stride(near)) * 100),
              0);
    cairo_surface_destroy(surface);
    cairo_surface_destroy(near);
}

TEST(CairoText, GradientBrushesColourText) {
    cairo_surface_t* surface = blackSurface(200, 60);
    Canvas* canvas = openCairoCanvas(surface, nullptr);
    CanvasFontFamily* family = createFontFamily(kEditorFamily);
    CanvasFont* font = createFont(family, 30.0f, FontStyleBold);
    CanvasBrush* brush = createLineBrushI(0, 0, 200, 0, 0xFFFF0000, 0xFF0000FF, WrapModeTile);
    drawString(canvas, L"IIIIIIIIIIIIIIII", font, {0, 5, 0, 0}, nullptr, brush);
    deleteBrush(brush);
    deleteFont(font);
    deleteFontFamily(family);
    closeCairoCanvas(canvas);
    const PixelBox ink = inkAll(surface, 100);
    ASSERT_GT(ink.count, 100);
    int reddest = 0;
    int bluest = 0;
    for (int y = ink.top; y <= ink.bottom; ++y) {
        reddest = std::max(reddest, red(pixelAt(surface, ink.left + 2, y)));
        bluest = std::max(bluest, blue(pixelAt(surface, ink.right - 2, y)));
    }
    EXPECT_GT(reddest, 150);
    EXPECT_GT(bluest, 150);
    cairo_surface_destroy(surface);
}
