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
        inst->presetIndex = index;
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

TEST(PaintHeader, BackgroundAndHeaderBandsUseIntegerCalls) {
    auto inst = makeInstance();
    Picture pic(*inst);
    const auto& calls = pic.calls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[0].op, CanvasOp::CreateLineBrushI);
    EXPECT_EQ(calls[0].brush.argb, 0xFF0A0D14u);
    EXPECT_EQ(calls[0].brush.to.y, 580.0f);
    EXPECT_EQ(calls[1].op, CanvasOp::FillRectangleI);
    EXPECT_TRUE(isBox(calls[1], 0, 0, 920, 580));
    const auto logo = pic.where(CanvasOp::FillRectangleI, [](const CanvasCall& c) {
        return c.args[2] == 3.0f; // the four 3-pixel bars
    });
    ASSERT_EQ(logo.size(), 4u);
    EXPECT_TRUE(isBox(pic.at(logo[2]), 32, 11, 3, 30));
    EXPECT_EQ(pic.at(logo[0]).brush.argb, 0xFFCAA134u);
    EXPECT_EQ(pic.at(logo[1]).brush.argb, 0xFFF0CB64u);
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
    inst->spectrumDb.assign(kSpectrumBins, -20.0f);
    Picture pic(*inst);
    EXPECT_TRUE(unreleasedResources(pic.canvas).empty());
    EXPECT_EQ(liveCanvasResources(), before);
    EXPECT_GT(pic.calls().size(), 500u);
}

TEST(PaintHeader, SharedResourcesAreCreatedInTableOrderAndReleasedInReverse) {
    auto inst = makeInstance();
    Picture pic(*inst);
    const auto& calls = pic.calls();
    // The tail of the log releases the fourteen shared resources.
    ASSERT_GE(calls.size(), 14u);
    std::vector<int> released;
    for (std::size_t i = calls.size() - 14; i < calls.size(); ++i) {
        released.push_back(calls[i].resource);
    }
    std::vector<const CanvasCall*> created;
    for (auto it = released.rbegin(); it != released.rend(); ++it) {
        const auto c = std::find_if(calls.begin(), calls.end(), [&](const CanvasCall& call) {
            return call.resource == *it && call.op != CanvasOp::DeleteBrush &&
                   call.op != CanvasOp::DeletePen && call.op != CanvasOp::DeleteFont &&
                   call.op != CanvasOp::DeleteFontFamily && call.op != CanvasOp::DeleteStringFormat;
        });
        ASSERT_NE(c, calls.end());
        created.push_back(&*c);
    }
    ASSERT_EQ(created.size(), 14u);
    EXPECT_EQ(created[0]->op, CanvasOp::CreatePen); // dividerPen
    EXPECT_EQ(created[0]->pen.argb, 0xFF1E263Au);
    EXPECT_EQ(created[1]->text, L"Segoe UI");
    const float sizes[] = {14.0f, 9.0f, 10.0f, 11.0f, 8.5f};
    const CanvasFontStyle styles[] = {FontStyleBold, FontStyleRegular, FontStyleRegular,
                                      FontStyleBold, FontStyleRegular};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(created[2 + i]->font.sizePx, sizes[i]);
        EXPECT_EQ(created[2 + i]->font.style, styles[i]);
    }
    const std::uint32_t brushes[] = {0xFFDCE6F5, 0xFF7382A5, 0xFFF0CB64, 0xFFCAA134};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(created[7 + i]->brush.argb, brushes[i]);
    }
    EXPECT_EQ(created[11]->op, CanvasOp::CreateStringFormat);
    EXPECT_EQ(created[12]->pen.argb, 0xFF141824u); // gridPen
    EXPECT_EQ(created[13]->pen.width, 1.5f);       // zeroLinePen
    for (std::size_t i = 1; i < created.size(); ++i) {
        EXPECT_LT(created[i - 1], created[i]);
    }
}
