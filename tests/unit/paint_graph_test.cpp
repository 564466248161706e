// The response graph as recorded: node and panel placement, curves, ruler and edge cases.
#include "paint_test_support.h"

#include <algorithm>

using namespace painttest;

namespace {

constexpr std::uint32_t kViolet = 0xFFC084FC;
constexpr std::uint32_t kRed = 0xFFF87171;
constexpr std::uint32_t kTeal = 0xFF10B0A0;

// Core discs: 13-pixel discs of unselected bands, 16-pixel white disc of the selected one.
std::vector<std::size_t> nodeCores(const Picture& pic) {
    return pic.where(CanvasOp::FillEllipse, [](const CanvasCall& c) {
        return hasSize(c, 13, 13) || (hasSize(c, 16, 16) && c.brush.argb == 0xFFFFFFFF);
    });
}

// Filled band-curve areas of a band colour (alpha 0x24).
std::size_t curveFills(const Picture& pic, std::uint32_t colour) {
    const std::uint32_t fill = (colour & 0xFFFFFFu) | 0x24000000u;
    return pic.count(CanvasOp::FillPath, [&](const CanvasCall& c) { return c.brush.argb == fill; });
}

std::vector<std::size_t> panels(const Picture& pic) {
    return pic.where(CanvasOp::FillRectangle,
                     [](const CanvasCall& c) { return hasSize(c, 270, 68) && c.brush.gradient; });
}

// The sum curve is the one polyline drawn with the 2.2-pixel pen.
const CanvasCall& sumLine(const Picture& pic) {
    const auto lines = pic.where(CanvasOp::DrawLines, [](const CanvasCall& c) {
        return c.pen.argb == 0xFFFFF06E && near(c.pen.width, 2.2);
    });
    EXPECT_EQ(lines.size(), 1u);
    return pic.at(lines.at(0));
}

} // namespace

TEST(PaintGraph, DefaultNodesSitOnTheMappedPositions) {
    auto inst = makeInstance();
    Picture pic(*inst);
    const auto cores = nodeCores(pic);
    ASSERT_EQ(cores.size(), 7u);
    // Band 5 (2900 Hz, +2.8 dB) is selected: white 16-pixel core.
    const CanvasCall& selected = pic.at(cores[4]);
    EXPECT_TRUE(isBox(selected, 643.0 - 8, 216.7 - 8, 16, 16, 0.05));
    EXPECT_EQ(selected.brush.argb, 0xFFFFFFFFu);
    // Band 1 (30 Hz, 0 dB): 13-pixel core in the band colour.
    const CanvasCall& first = pic.at(cores[0]);
    EXPECT_TRUE(isBox(first, 93.7 - 6.5, 238.5 - 6.5, 13, 13, 0.05));
    EXPECT_EQ(first.brush.argb, kRed);
    // Numbers are 1-based and centred on the node.
    const CanvasCall* five = findText(pic.canvas, L"5");
    ASSERT_NE(five, nullptr);
    EXPECT_TRUE(isBox(*five, 643.0 - 6, 216.7 - 6, 12, 12, 0.05));
    EXPECT_EQ(five->brush.argb, 0xFF141824u);
}

TEST(PaintGraph, PanelPlacementFollowsTheNode) {
    struct Case {
        double frequency;
        double gain;
        double px;
        double py;
    };
    // ny = 135.9 (<= 137) puts the panel below; ny = 138.3 above; edges clamp to 50 / W - 320.
    const Case cases[] = {
        {1000.0, 13.2, 380.05, 157.93},
        {1000.0, 12.9, 380.05, 52.26},
        {20.0, 0.0, 50.0, 238.5 - 86},
        {20000.0, 0.0, 600.0, 238.5 - 86},
    };
    for (const Case& c : cases) {
        auto inst = makeInstance();
        setBands(*inst, {band(Bell, c.frequency, c.gain, kViolet)});
        inst->editor.selectedBand = 0;
        Picture pic(*inst);
        const auto found = panels(pic);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_TRUE(isBox(pic.at(found[0]), c.px, c.py, 270, 68, 0.02))
            << c.frequency << " Hz " << c.gain << " dB at " << pic.at(found[0]).args[0] << ", "
            << pic.at(found[0]).args[1];
    }
}

TEST(PaintGraph, NoteChipsOverlapInTableOrder) {
    auto inst = makeInstance();
    Picture pic(*inst);
    const auto a4 = pic.where(CanvasOp::FillRectangle, [](const CanvasCall& c) {
        return isBox(c, 402.4, 435, 28, 18, 0.05);
    });
    const auto c5 = pic.where(CanvasOp::FillRectangle, [](const CanvasCall& c) {
        return isBox(c, 423.2, 435, 28, 18, 0.05);
    });
    ASSERT_EQ(a4.size(), 1u);
    ASSERT_EQ(c5.size(), 1u);
    EXPECT_LT(a4[0], c5[0]);
    EXPECT_LT(indexOfText(pic.canvas, L"A4 (440)"), indexOfText(pic.canvas, L"C5"));
    EXPECT_EQ(findText(pic.canvas, L"A4 (440)")->formatId, findText(pic.canvas, L"C1")->formatId);
}

TEST(PaintGraph, SmallGainHasNoCurveButANodeAndAShareOfTheSum) {
    auto inst = makeInstance();
    setBands(*inst, {band(Bell, 1000.0, 0.1, kTeal)});
    inst->editor.selectedBand = -1;
    Picture pic(*inst);
    EXPECT_EQ(curveFills(pic, kTeal), 0u);
    EXPECT_EQ(nodeCores(pic).size(), 1u);
    // x = 515 is 1 kHz: 0.1 dB lifts the sum by 0.78 pixels.
    const CanvasCall& sum = sumLine(pic);
    const auto at1k = std::find_if(sum.points.begin(), sum.points.end(),
                                   [](const CanvasPoint& p) { return p.x == 515.0f; });
    ASSERT_NE(at1k, sum.points.end());
    EXPECT_NEAR(at1k->y, 238.5 - 0.1 * 373.0 / 48.0, 0.02);
}

TEST(PaintGraph, DisabledSelectedBandKeepsGlowPanelAndChipOnly) {
    auto inst = makeInstance();
    inst->engine.edit.bands[4].enabled = false;
    Picture pic(*inst);
    const std::uint32_t glow = (kViolet & 0xFFFFFFu) | 0x16000000u;
    EXPECT_EQ(pic.count(CanvasOp::FillEllipse,
                        [&](const CanvasCall& c) {
                            return hasSize(c, 180, 150) && c.brush.argb == glow;
                        }),
              1u);
    EXPECT_EQ(panels(pic).size(), 1u);
    EXPECT_EQ(nodeCores(pic).size(), 6u);
    EXPECT_EQ(curveFills(pic, kViolet), 0u);
    // The fifth chip still in the selected style: band colour fill.
    EXPECT_EQ(pic.count(CanvasOp::FillRectangle,
                        [](const CanvasCall& c) {
                            return isBox(c, 594, 496, 22, 22) && c.brush.argb == kViolet;
                        }),
              1u);
}

TEST(PaintGraph, NoBandsGiveFlatSumAndNoNodes) {
    auto inst = makeInstance();
    setBands(*inst, {});
    inst->editor.selectedBand = 4; // stale index: no glow, no panel
    Picture pic(*inst);
    EXPECT_TRUE(nodeCores(pic).empty());
    EXPECT_TRUE(panels(pic).empty());
    const CanvasCall& sum = sumLine(pic);
    EXPECT_EQ(sum.points.size(), 416u);
    for (const CanvasPoint& p : sum.points) {
        ASSERT_EQ(p.y, 238.5f);
    }
}

TEST(PaintGraph, EmptySpectrumLiesOnTheBottomEdge) {
    auto inst = makeInstance();
    inst->engine.edit.spectrumDb.clear();
    Picture pic(*inst);
    const auto lines = pic.where(CanvasOp::DrawLines,
                                 [](const CanvasCall& c) { return c.pen.argb == 0x5AB9CDEB; });
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(pic.at(lines[0]).points.size(), 416u);
    for (const CanvasPoint& p : pic.at(lines[0]).points) {
        ASSERT_EQ(p.y, 425.0f);
    }
    const auto fills = pic.where(CanvasOp::FillPath, [](const CanvasCall& c) {
        return c.brush.gradient && c.brush.argb == 0x237887AF;
    });
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_TRUE(pic.at(fills[0]).path.closed);
    EXPECT_EQ(pic.at(fills[0]).path.points.size(), 418u); // two base corners added
}

TEST(PaintGraph, BandWithoutFilterEntryIsSkippedNotReadPastTheEnd) {
    auto inst = makeInstance();
    setBands(*inst, {band(Bell, 1000.0, 6.0, kTeal), band(Bell, 100.0, 6.0, kViolet)});
    inst->engine.edit.filters.resize(1); // lists momentarily out of step
    Picture pic(*inst);
    // The first band keeps its curve; the second draws no curve but still a node.
    EXPECT_EQ(curveFills(pic, kTeal), 1u);
    EXPECT_EQ(curveFills(pic, kViolet), 0u);
    EXPECT_EQ(nodeCores(pic).size(), 2u);
    // At 100 Hz only the 1 kHz bell contributes: far below its +6 dB peak.
    const CanvasCall& sum = sumLine(pic);
    const float x100 = frequencyToX(100.0, 920);
    const auto near100 = std::min_element(sum.points.begin(), sum.points.end(),
                                          [&](const CanvasPoint& a, const CanvasPoint& b) {
                                              return std::fabs(a.x - x100) < std::fabs(b.x - x100);
                                          });
    EXPECT_GT(near100->y, gainToY(1.0));
}
