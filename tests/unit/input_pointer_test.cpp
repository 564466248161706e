// The double-click rule.
#include "editor/input_pointer.h"
#include "host/plugin_instance.h"
#include "input_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <tuple>

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
        inst.editor.lastClickTime = last;
        inst.editor.lastClickX = 400;
        inst.editor.lastClickY = 200;
        EXPECT_EQ(registerPress(inst.editor, 400 + dx, 200 + dy, now), expected)
            << last << " -> " << now << " d=(" << dx << "," << dy << ")";
        // Every press becomes the previous one, double click or not.
        EXPECT_EQ(inst.editor.lastClickTime, now);
        EXPECT_EQ(inst.editor.lastClickX, 400 + dx);
        EXPECT_EQ(inst.editor.lastClickY, 200 + dy);
    }
}
