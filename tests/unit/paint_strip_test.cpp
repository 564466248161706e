// The control strip as recorded: value texts, bypass, chips, meters and their order.
#include "paint_test_support.h"

#include <cmath>

using namespace painttest;

namespace {

// Segments of the meter at y: 4.5 by 8 boxes at y + 2.
std::vector<std::uint32_t> meterSegments(const Picture& pic, float y) {
    std::vector<std::uint32_t> colours;
    for (const std::size_t i : pic.where(CanvasOp::FillRectangle, [&](const CanvasCall& c) {
             return hasSize(c, 4.5, 8) && near(c.args[1], y + 2.0);
         })) {
        colours.push_back(pic.at(i).brush.argb);
    }
    return colours;
}

} // namespace

TEST(PaintStrip, DefaultValueTextsAndActiveButton) {
    auto inst = makeInstance();
    Picture pic(*inst);
    struct Expect {
        const wchar_t* text;
        float x;
        std::uint32_t colour;
    };
    const Expect expected[] = {
        {L"85%", 80, 0xFFC084FC},
        {L"90%", 190, 0xFFF0CB64},
        {L"92%", 300, 0xFF34D399},
        {L"+0.0 dB", 410, 0xFF38BDF8},
    };
    for (const Expect& e : expected) {
        const CanvasCall* call = findText(pic.canvas, e.text);
        ASSERT_NE(call, nullptr) << "missing value text";
        EXPECT_TRUE(isBox(*call, e.x, 507, 0, 0));
        EXPECT_EQ(call->brush.argb, e.colour);
        EXPECT_EQ(call->font.sizePx, 11.0f);
    }
    const CanvasCall* status = findText(pic.canvas, L"ACTIVE");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->brush.argb, 0xFFD1FAE5u);
    EXPECT_EQ(status->formatId, 0);
    const auto lamp = pic.where(CanvasOp::FillEllipse,
                                [](const CanvasCall& c) { return isBox(c, 802, 505, 10, 10); });
    ASSERT_EQ(lamp.size(), 1u);
    EXPECT_EQ(pic.at(lamp[0]).brush.argb, 0xFF34D399u);
}

TEST(PaintStrip, BypassFromExactlyOneHalf) {
    auto inst = makeInstance();
    setParam(inst->engine.edit, ParamBypass, 0.5f);
    Picture pic(*inst);
    EXPECT_EQ(findText(pic.canvas, L"ACTIVE"), nullptr);
    const CanvasCall* status = findText(pic.canvas, L"BYPASS");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->brush.argb, 0xFFFCA5A5u);
    const auto box = pic.where(CanvasOp::FillRectangle,
                               [](const CanvasCall& c) { return isBox(c, 790, 492, 105, 38); });
    ASSERT_EQ(box.size(), 1u);
    EXPECT_EQ(pic.at(box[0]).brush.argb, 0xFF301218u);
    EXPECT_EQ(pic.at(box[0]).brush.argbTo, 0xFF1C0A0Eu);
}

TEST(PaintStrip, AddChipAfterSevenBandsIsDrawnBeforeTheMeters) {
    auto inst = makeInstance();
    Picture pic(*inst);
    const auto add = pic.where(CanvasOp::FillRectangle, [](const CanvasCall& c) {
        return isBox(c, 672, 496, 22, 22) && c.brush.argb == 0xFF1A2030;
    });
    ASSERT_EQ(add.size(), 1u);
    const auto meters = pic.where(CanvasOp::FillRectangle, [](const CanvasCall& c) {
        return hasSize(c, 100, 12) && near(c.args[0], 670);
    });
    ASSERT_EQ(meters.size(), 2u);
    EXPECT_LT(add[0], meters[0]);
    EXPECT_TRUE(isBox(pic.at(meters[0]), 670, 490, 100, 12));
    EXPECT_TRUE(isBox(pic.at(meters[1]), 670, 508, 100, 12));
    EXPECT_LT(indexOfText(pic.canvas, L"+"), indexOfText(pic.canvas, L"L"));
}

TEST(PaintStrip, MeterSegmentsFollowThePeak) {
    struct Case {
        float peak;
        std::size_t lit;
    };
    const Case cases[] = {{0.7f, 16}, {0.3f, 7}, {-0.5f, 0}, {0.0f, 0}, {0.46f, 11}, {NAN, 0}};
    for (const Case& c : cases) {
        auto inst = makeInstance();
        inst->engine.peakL = c.peak;
        inst->engine.peakR = 0.0f;
        Picture pic(*inst);
        EXPECT_EQ(meterSegments(pic, 490.0f).size(), c.lit) << "peak " << c.peak;
        EXPECT_TRUE(meterSegments(pic, 508.0f).empty());
    }
    auto inst = makeInstance();
    inst->engine.peakR = 0.7f;
    Picture pic(*inst);
    const auto colours = meterSegments(pic, 508.0f);
    ASSERT_EQ(colours.size(), 16u);
    EXPECT_EQ(std::count(colours.begin(), colours.end(), 0xFF34D399u), 10);
    EXPECT_EQ(std::count(colours.begin(), colours.end(), 0xFFFACC15u), 4);
    EXPECT_EQ(colours[14], 0xFFF87171u);
    EXPECT_EQ(colours[15], 0xFFF87171u);
}
