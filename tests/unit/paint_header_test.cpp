// Header, paint order and the per-paint resources, as recorded.
#include "paint_test_support.h"

#include <algorithm>

using namespace painttest;

namespace {

// The title drawn in the preset box (presetFont is the only 10-pixel font).
std::wstring presetBoxText(const Picture& pic) {
    const auto found =
        pic.where(CanvasOp::DrawString, [](const CanvasCall& c) { return c.font.sizePx == 10.0f; });
    EXPECT_EQ(found.size(), 1u);
    return found.empty() ? std::wstring() : pic.at(found[0]).text;
}

} // namespace

TEST(PaintHeader, PresetTitleFollowsIndex) {
    const std::wstring first = L"◄   01 • Master Modern Clarity   ►";
    const std::wstring second = L"◄   02 • 808 Sub Sculptor   ►";
    const std::wstring third = L"◄   03 • Master Bus Glue   ►";
    const std::pair<int, std::wstring> cases[] = {
        {-1, first}, {0, first}, {1, second}, {2, third}, {7, third}};
    for (const auto& [index, title] : cases) {
        auto inst = makeInstance();
        inst->editor.presetIndex = index;
        Picture pic(*inst);
        EXPECT_EQ(presetBoxText(pic), title) << "index " << index;
        const CanvasCall* call = findText(pic.canvas, title);
        ASSERT_NE(call, nullptr);
        EXPECT_TRUE(isBox(*call, 330, 11, 260, 30));
        EXPECT_EQ(call->format.horizontal, StringAlignmentCenter);
        EXPECT_EQ(call->format.line, StringAlignmentCenter);
    }
}

TEST(PaintHeader, WiderClientKeepsBadgesRightAndTextsFixed) {
    auto inst = makeInstance();
    Picture pic(*inst, 1200, 580);
    const struct {
        const wchar_t* text;
        float x;
        std::uint32_t colour;
    } badges[] = {{L"ZERO LATENCY", 920, 0xFF38BDF8},
                  {L"STEREO", 1012, 0xFFC084FC},
                  {L"580 LIMITER", 1104, 0xFF34D399}};
    for (const auto& b : badges) {
        const CanvasCall* call = findText(pic.canvas, b.text);
        ASSERT_NE(call, nullptr);
        EXPECT_TRUE(isBox(*call, b.x, 14, 85, 24));
        EXPECT_EQ(call->brush.argb, b.colour);
        EXPECT_EQ(call->font.sizePx, 9.0f);
        const auto fill = pic.where(CanvasOp::FillRectangle,
                                    [&](const CanvasCall& c) { return isBox(c, b.x, 14, 85, 24); });
        ASSERT_EQ(fill.size(), 1u);
        EXPECT_EQ(pic.at(fill[0]).brush.argb, (b.colour & 0xFFFFFFu) | 0x1C000000u);
    }
    EXPECT_TRUE(isBox(*findText(pic.canvas, L"MORVEL "), 48, 13, 0, 0));
    EXPECT_TRUE(isBox(*findText(pic.canvas, L"TOLVANE-Q™"), 106, 13, 0, 0));
    EXPECT_TRUE(isBox(*findText(pic.canvas, L"MULTI-BAND QUANTUM EQUALIZER"), 49, 32, 0, 0));
    EXPECT_TRUE(
        isBox(*findText(pic.canvas, L"◄   01 • Master Modern Clarity   ►"), 470, 11, 260, 30));
    EXPECT_EQ(findText(pic.canvas, L"TOLVANE-Q™")->brush.argb, 0xFFF0CB64u);
}

TEST(PaintHeader, RegionsAreDrawnBackToFront) {
    auto inst = makeInstance();
    Picture pic(*inst);
    const auto first = [&](CanvasOp op, std::function<bool(const CanvasCall&)> m) {
        const auto found = pic.where(op, m);
        return found.empty() ? SIZE_MAX : found.front();
    };
    const std::size_t badge = indexOfText(pic.canvas, L"580 LIMITER");
    const std::size_t glow =
        first(CanvasOp::FillEllipse, [](const CanvasCall& c) { return hasSize(c, 180, 150); });
    const std::size_t grid = first(CanvasOp::DrawLine, [](const CanvasCall& c) {
        return c.args[1] == c.args[3]; // first horizontal grid line
    });
    const std::size_t spectrum = first(CanvasOp::FillPath, [](const CanvasCall&) { return true; });
    const std::size_t nodes =
        first(CanvasOp::FillEllipse, [](const CanvasCall& c) { return hasSize(c, 13, 13); });
    const std::size_t panel =
        first(CanvasOp::FillRectangle, [](const CanvasCall& c) { return hasSize(c, 270, 68); });
    const std::size_t ruler = indexOfText(pic.canvas, L"C1");
    const std::size_t strip =
        first(CanvasOp::FillRectangleI, [](const CanvasCall& c) { return c.args[1] == 460.0f; });
    const std::size_t bypass = indexOfText(pic.canvas, L"ACTIVE");
    const std::size_t order[] = {badge, glow, grid, spectrum, nodes, panel, ruler, strip, bypass};
    EXPECT_TRUE(std::is_sorted(std::begin(order), std::end(order)));
    EXPECT_EQ(std::adjacent_find(std::begin(order), std::end(order)), std::end(order));
}

TEST(PaintHeader, EveryResourceIsReleasedWithinThePaint) {
    const int before = liveCanvasResources();
    auto inst = makeInstance();
    inst->engine.edit.spectrumDb.assign(kSpectrumBins, -20.0f);
    Picture pic(*inst);
    EXPECT_TRUE(unreleasedResources(pic.canvas).empty());
    EXPECT_EQ(liveCanvasResources(), before);
    EXPECT_GT(pic.calls().size(), 500u);
}
