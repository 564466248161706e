// Decoding of the mouse messages' parameters and the double-click rule.
#include "dsp/plugin_instance.h"
#include "editor/input_pointer.h"
#include "input_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <tuple>

using inputtest::pointLParam;
using inputtest::wheelWParam;

TEST(InputPointer, PositionsAndWheelDistanceAreSignedWords) {
    for (const auto& c : {std::array{0, 579}, {-1, -1}, {32767, -32768}, {-32768, 32767}}) {
        const MousePoint p = mousePointFromLParam(pointLParam(c[0], c[1]));
        EXPECT_EQ(p.x, c[0]);
        EXPECT_EQ(p.y, c[1]);
    }
    // Bits above the two words (a sign-extended LPARAM) do not leak into y.
    const MousePoint p = mousePointFromLParam(static_cast<std::intptr_t>(0xFFFFFFFF0005FFFEull));
    EXPECT_EQ(p.x, -2);
    EXPECT_EQ(p.y, 5);
    EXPECT_EQ(wheelDistanceFromWParam(wheelWParam(120, 0x0008)), 120);
    EXPECT_EQ(wheelDistanceFromWParam(wheelWParam(-120, 0x0004)), -120);
    EXPECT_EQ(wheelDistanceFromWParam(0x0000FFFFu), 0); // key state only
}

TEST(InputPointer, DoubleClickNeedsShortTimeAndSmallDistance) {
    // Previous press at (400, 200): its tick, this tick, offset, double click. The last three
    // cross the counter's wrap (320 ms, then 350 ms) or see the clock go back.
    const std::tuple<std::uint32_t, std::uint32_t, int, int, bool> cases[] = {
        {1000, 1349, 7, 7, true},  {1000, 1350, 0, 0, false},       {1000, 1349, 8, 0, false},
        {1000, 1349, 0, 8, false}, {1000, 1349, -7, -7, true},      {1000, 1349, -8, 0, false},
        {1000, 1000, 0, 0, true},  {0xFFFFFF00u, 0x40, 0, 0, true}, {0xFFFFFEA2u, 0x0, 0, 0, false},
        {0x10, 0x5, 0, 0, false}};
    for (const auto& [last, now, dx, dy, expected] : cases) {
        PluginInstance inst(nullptr);
        inst.lastClickTime = last;
        inst.lastClickX = 400;
        inst.lastClickY = 200;
        EXPECT_EQ(registerPress(inst, 400 + dx, 200 + dy, now), expected)
            << last << " -> " << now << " d=(" << dx << "," << dy << ")";
        // Every press becomes the previous one, double click or not.
        EXPECT_EQ(inst.lastClickTime, now);
        EXPECT_EQ(inst.lastClickX, 400 + dx);
        EXPECT_EQ(inst.lastClickY, 200 + dy);
    }
}
