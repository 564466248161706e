#include "editor/input_hit.h"
#include "editor/layout.h"
#include "input_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using inputtest::bell;

TEST(InputHit, NodeRadiusIsSixteenPixelsInclusive) {
    // 20 Hz / +24 dB sits exactly at (45, 52).
    const std::vector<Band> corner = {bell(20.0, 24.0)};
    EXPECT_EQ(hitBandNode(corner, 61, 52), 0);
    EXPECT_EQ(hitBandNode(corner, 29, 52), 0);
    EXPECT_EQ(hitBandNode(corner, 45, 68), 0);
    EXPECT_EQ(hitBandNode(corner, 62, 52), -1);
    EXPECT_EQ(hitBandNode(corner, 56, 64), -1); // 16.28 px on the diagonal
    // A node 0.1 px right of x 45: a press 16 px to its left is 16.1 px away.
    const double f = 20.0 * std::pow(1000.0, 0.1 / 830.0);
    const std::vector<Band> shifted = {bell(f, 24.0)};
    ASSERT_NEAR(frequencyToX(f, kEditorWidth), 45.1f, 1e-4f);
    EXPECT_EQ(hitBandNode(shifted, 29, 52), -1);
    EXPECT_EQ(hitBandNode(shifted, 30, 52), 0);
}

TEST(InputHit, LaterBandWinsAndDisabledBandsAreSkipped) {
    const std::vector<Band> overlapping = {bell(1000.0, 0.0), bell(1000.0, 0.0), bell(1100.0, 1.0)};
    const int x = inputtest::nodeX(overlapping[0]);
    const int y = inputtest::nodeY(overlapping[0]);
    EXPECT_EQ(hitBandNode(overlapping, x, y), 2);
    std::vector<Band> topDisabled = overlapping;
    topDisabled[2].enabled = false;
    EXPECT_EQ(hitBandNode(topDisabled, x, y), 1);
    topDisabled[1].enabled = false;
    topDisabled[0].enabled = false;
    EXPECT_EQ(hitBandNode(topDisabled, x, y), -1);
}

TEST(InputHit, TypeButtonsOfPanelAboveNode) {
    // 2900 Hz, +2.8 dB: node (642.978, 216.742), panel at (507.978, 130.742), so the row
    // spans y 136.74..154.74 and BELL x 515.98..551.98: the fractional bounds count.
    const Band band = bell(2900.0, 2.8);
    struct Case {
        int x;
        int y;
        int expected;
    };
    const Case cases[] = {
        {516, 137, 0},  {551, 154, 0},  {552, 140, -1}, {553, 140, -1},
        {554, 140, 1},  {595, 140, 1},  {596, 140, -1}, {598, 140, 2},
        {642, 140, 3},  {686, 140, 4},  {730, 140, 5},  {765, 140, 5},
        {766, 140, -1}, {515, 140, -1}, {520, 136, -1}, {520, 155, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hitTypeButton(band, c.x, c.y), c.expected) << c.x << "," << c.y;
    }
}

TEST(InputHit, TypeButtonsOfPanelBelowHighNodeAndAtEdges) {
    // 20 Hz, +24 dB: node (45, 52) -> panel pinned at px 50, below the node at py 74.
    const Band low = bell(20.0, 24.0);
    EXPECT_EQ(hitTypeButton(low, 58, 80), 0);
    EXPECT_EQ(hitTypeButton(low, 94, 98), 0);
    EXPECT_EQ(hitTypeButton(low, 57, 80), -1);
    EXPECT_EQ(hitTypeButton(low, 95, 98), -1);
    EXPECT_EQ(hitTypeButton(low, 96, 98), 1);
    EXPECT_EQ(hitTypeButton(low, 94, 99), -1);
    // 20 kHz: px pinned at 600, so NOTCH spans 822..858.
    const Band high = bell(20000.0, 24.0);
    EXPECT_EQ(hitTypeButton(high, 822, 80), 5);
    EXPECT_EQ(hitTypeButton(high, 858, 80), 5);
    EXPECT_EQ(hitTypeButton(high, 859, 80), -1);
}

TEST(InputHit, ChipsAndAddChip) {
    EXPECT_EQ(hitBandChip(7, 490, 496), 0);
    EXPECT_EQ(hitBandChip(7, 512, 518), 0);
    EXPECT_EQ(hitBandChip(7, 513, 507), -1); // the 3-pixel gap between chips
    EXPECT_EQ(hitBandChip(7, 516, 507), 1);
    EXPECT_EQ(hitBandChip(7, 500, 495), -1);
    EXPECT_EQ(hitBandChip(7, 500, 519), -1);
    EXPECT_EQ(hitBandChip(7, 646, 507), 6);
    EXPECT_EQ(hitBandChip(7, 672, 507), -1); // where chip 7 would be
    EXPECT_TRUE(hitAddChip(7, 672, 507));
    EXPECT_TRUE(hitAddChip(7, 694, 518));
    EXPECT_FALSE(hitAddChip(7, 695, 507));
    EXPECT_EQ(hitBandChip(12, 776, 507), 11);
    EXPECT_EQ(hitBandChip(12, 798, 507), 11);
}

TEST(InputHit, KnobsAreTwentyTwoPixelCircles) {
    for (int k = 0; k < 4; ++k) {
        const int cx = kKnobCentreX[k];
        EXPECT_EQ(hitKnob(cx + 22, 520), k);
        EXPECT_EQ(hitKnob(cx - 22, 520), k);
        EXPECT_EQ(hitKnob(cx, 498), k);
        EXPECT_EQ(hitKnob(cx, 542), k);
        EXPECT_EQ(hitKnob(cx + 23, 520), -1);
        EXPECT_EQ(hitKnob(cx, 497), -1);
        EXPECT_EQ(hitKnob(cx + 15, 536), k);  // 225 + 256 = 481
        EXPECT_EQ(hitKnob(cx + 16, 536), -1); // 256 + 256 = 512
    }
    EXPECT_EQ(hitKnob(77, 520), 0);
    EXPECT_EQ(hitKnob(78, 520), -1);
}

TEST(InputHit, PresetBoxAndBypassBounds) {
    EXPECT_TRUE(inPresetBox(330, 11));
    EXPECT_TRUE(inPresetBox(590, 41));
    EXPECT_FALSE(inPresetBox(329, 20));
    EXPECT_FALSE(inPresetBox(591, 20));
    EXPECT_FALSE(inPresetBox(400, 42));
    EXPECT_FALSE(inPresetBox(400, 10));
    EXPECT_TRUE(inPresetColumn(400));
    EXPECT_TRUE(inBypassButton(790, 492));
    EXPECT_TRUE(inBypassButton(895, 530));
    EXPECT_FALSE(inBypassButton(789, 500));
    EXPECT_FALSE(inBypassButton(896, 500));
    EXPECT_FALSE(inBypassButton(800, 491));
    EXPECT_FALSE(inBypassButton(800, 531));
}
