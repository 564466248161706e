#include "dsp/plugin_instance.h"
#include "editor/input_pointer.h"
#include "input_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>

using inputtest::pointLParam;
using inputtest::wheelWParam;

TEST(InputPointer, PositionsAreSignedWords) {
    struct Case {
        int x;
        int y;
    };
    for (const Case c : {Case{0, 0}, Case{919, 579}, Case{-1, -1}, Case{-300, 1200},
                         Case{32767, -32768}, Case{-32768, 32767}}) {
        const MousePoint p = mousePointFromLParam(pointLParam(c.x, c.y));
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
    }
    // Bits above the two words (a sign-extended LPARAM) do not leak into y.
    const MousePoint p = mousePointFromLParam(static_cast<std::intptr_t>(0xFFFFFFFF0005FFFEull));
    EXPECT_EQ(p.x, -2);
    EXPECT_EQ(p.y, 5);
}

TEST(InputPointer, WheelDistanceIsSignedHighWord) {
    EXPECT_EQ(wheelDistanceFromWParam(wheelWParam(120, 0x0008)), 120);
    EXPECT_EQ(wheelDistanceFromWParam(wheelWParam(-120, 0x0004)), -120);
    EXPECT_EQ(wheelDistanceFromWParam(wheelWParam(-360)), -360);
    EXPECT_EQ(wheelDistanceFromWParam(0x0000FFFFu), 0); // key state only
}

TEST(InputPointer, DoubleClickNeedsShortTimeAndSmallDistance) {
    struct Case {
        std::uint32_t last;
        std::uint32_t now;
        int dx;
        int dy;
        bool expected;
    };
    const Case cases[] = {
        {1000, 1349, 7, 7, true},        {1000, 1350, 0, 0, false},
        {1000, 1349, 8, 0, false},       {1000, 1349, 0, 8, false},
        {1000, 1349, -7, -7, true},      {1000, 1349, -8, 0, false},
        {1000, 1000, 0, 0, true},        {0xFFFFFF00u, 0x40, 0, 0, true}, // wrap: 320 ms
        {0xFFFFFEA2u, 0x0, 0, 0, false},                                  // wrap: 350 ms
        {0x10, 0x5, 0, 0, false},                                         // clock went back
    };
    for (const Case& c : cases) {
        PluginInstance inst(nullptr);
        inst.lastClickTime = c.last;
        inst.lastClickX = 400;
        inst.lastClickY = 200;
        EXPECT_EQ(registerPress(inst, 400 + c.dx, 200 + c.dy, c.now), c.expected)
            << c.last << " -> " << c.now << " d=(" << c.dx << "," << c.dy << ")";
        // Every press becomes the previous one, double click or not.
        EXPECT_EQ(inst.lastClickTime, c.now);
        EXPECT_EQ(inst.lastClickX, 400 + c.dx);
        EXPECT_EQ(inst.lastClickY, 200 + c.dy);
    }
}
