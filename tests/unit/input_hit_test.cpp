// Hit geometry of the editor's controls, fractional and inclusive bounds included.
#include "editor/input_hit.h"
#include "editor/layout.h"
#include "input_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

using inputtest::bell;

TEST(InputHit, NodeRadiusIsSixteenPixelsInclusive) {
    // 20 Hz / +24 dB sits exactly at (45, 52); 16.28 px on the diagonal misses.
    for (const auto& [x, y, hit] :
         {std::array{61, 52, 0}, {29, 52, 0}, {45, 68, 0}, {62, 52, -1}, {56, 64, -1}}) {
        EXPECT_EQ(hitBandNode({bell(20.0, 24.0)}, x, y), hit) << x << "," << y;
    }
    // A node 0.1 px right of x 45: a press 16 px to its left is 16.1 px away.
    const double f = 20.0 * std::pow(1000.0, 0.1 / 830.0);
    ASSERT_NEAR(frequencyToX(f, kEditorWidth), 45.1f, 1e-4f);
    EXPECT_EQ(hitBandNode({bell(f, 24.0)}, 29, 52), -1);
    EXPECT_EQ(hitBandNode({bell(f, 24.0)}, 30, 52), 0);
}

TEST(InputHit, LaterBandWinsAndDisabledBandsAreSkipped) {
    // 1000 Hz / 0 dB sits at (515.05, 238.5), 1100 Hz / +1 dB at (526.5, 230.73): all three
    // nodes cover (515, 239).
    std::vector<Band> bands = {bell(1000.0, 0.0), bell(1000.0, 0.0), bell(1100.0, 1.0)};
    for (int expected : {2, 1, 0, -1}) {
        EXPECT_EQ(hitBandNode(bands, 515, 239), expected);
        if (expected >= 0) {
            bands[static_cast<std::size_t>(expected)].enabled = false; // uncover the next one
        }
    }
}

TEST(InputHit, TypeButtonsFollowThePanelIncludingFractionalAndPinnedBounds) {
    // Node frequency (gain +2.8 dB at 2900 Hz, else +24 dB), x, y, button.
    // 2900 Hz: node (642.978, 216.742), panel above it at (507.978, 130.742): the row spans
    // y 136.74..154.74 and BELL x 515.98..551.98. 20 Hz: node (45, 52), panel pinned at
    // px 50 and below the node at py 74. 20 kHz: px pinned at 600, so NOTCH is 822..858.
    const int cases[][4] = {
        {2900, 516, 137, 0},  {2900, 551, 154, 0},  {2900, 552, 140, -1}, {2900, 553, 140, -1},
        {2900, 554, 140, 1},  {2900, 595, 140, 1},  {2900, 596, 140, -1}, {2900, 598, 140, 2},
        {2900, 642, 140, 3},  {2900, 686, 140, 4},  {2900, 730, 140, 5},  {2900, 765, 140, 5},
        {2900, 766, 140, -1}, {2900, 515, 140, -1}, {2900, 520, 136, -1}, {2900, 520, 155, -1},
        {20, 58, 80, 0},      {20, 94, 98, 0},      {20, 57, 80, -1},     {20, 95, 98, -1},
        {20, 96, 98, 1},      {20, 94, 99, -1},     {20000, 822, 80, 5},  {20000, 858, 80, 5},
        {20000, 859, 80, -1},
    };
    for (const auto& [frequency, x, y, button] : cases) {
        const Band band = bell(frequency, frequency == 2900 ? 2.8 : 24.0);
        EXPECT_EQ(hitTypeButton(band, x, y), button) << frequency << " Hz at " << x << "," << y;
    }
}

TEST(InputHit, ChipsPresetBoxAndBypassIncludeBothBounds) {
    // Band count, x, y, chip: chips sit 26 px apart with a 3-pixel gap between them.
    const int cases[][4] = {
        {7, 490, 496, 0},   {7, 512, 518, 0},   {7, 513, 507, -1}, {7, 516, 507, 1},
        {7, 500, 495, -1},  {7, 500, 519, -1},  {7, 646, 507, 6},  {7, 672, 507, -1},
        {12, 776, 507, 11}, {12, 798, 507, 11},
    };
    for (const auto& [count, x, y, chip] : cases) {
        EXPECT_EQ(hitBandChip(count, x, y), chip) << count << ": " << x << "," << y;
    }
    EXPECT_TRUE(hitAddChip(7, 672, 507)); // where chip 7 would be
    EXPECT_TRUE(hitAddChip(7, 694, 518));
    EXPECT_FALSE(hitAddChip(7, 695, 507));
    // Preset box x 330..590, y 11..41; bypass button x 790..895, y 492..530.
    EXPECT_TRUE(inPresetBox(330, 11) && inPresetBox(590, 41) && inPresetColumn(400));
    for (const auto& [x, y] : {std::array{329, 20}, {591, 20}, {400, 42}, {400, 10}}) {
        EXPECT_FALSE(inPresetBox(x, y)) << x << "," << y;
    }
    EXPECT_TRUE(inBypassButton(790, 492) && inBypassButton(895, 530));
    for (const auto& [x, y] : {std::array{789, 500}, {896, 500}, {800, 491}, {800, 531}}) {
        EXPECT_FALSE(inBypassButton(x, y)) << x << "," << y;
    }
}

TEST(InputHit, KnobsAreTwentyTwoPixelCircles) {
    // Offsets from the centre: 15² + 16² = 481 is inside, 16² + 16² = 512 is not.
    const int centreX[4] = {55, 165, 275, 385};
    const int offsets[][3] = {{22, 0, 1}, {-22, 0, 1}, {0, -22, 1}, {0, 22, 1},
                              {23, 0, 0}, {0, -23, 0}, {15, 16, 1}, {16, 16, 0}};
    for (int k = 0; k < 4; ++k) {
        for (const auto& [dx, dy, inside] : offsets) {
            EXPECT_EQ(hitKnob(centreX[k] + dx, 520 + dy), inside ? k : -1)
                << "knob " << k << " +" << dx << "," << dy;
        }
    }
    EXPECT_EQ(hitKnob(77, 520), 0);
    EXPECT_EQ(hitKnob(78, 520), -1);
}
