// Routing of window messages to the editor: which are handled, the animation timer and
// the end of a drag.
#include "dsp/plugin_instance.h"
#include "editor/editor_window.h"
#include "input_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <tuple>

using inputtest::pointLParam;
using EditorMessages = inputtest::EditorInputTest;

TEST_F(EditorMessages, HandledMessagesAnswerTrueOthersGoToTheDefaultProcedure) {
    // Message, wParam, handled. Every key is handled, though only Delete acts (0x12E merely
    // shares its low byte); 0x0203 and 0x0204 are WM_LBUTTONDBLCLK and WM_RBUTTONDOWN.
    const std::tuple<std::uint32_t, std::uintptr_t, bool> cases[] = {
        {kWmTimer, 1, true},       {kWmCreate, 0, true},     {kWmDestroy, 0, true},
        {kWmKeyDown, 0x2E, true},  {kWmKeyDown, 0x41, true}, {kWmKeyDown, 0x08, true},
        {kWmKeyDown, 0x2D, true},  {kWmKeyDown, 0x2F, true}, {kWmKeyDown, 0x12E, true},
        {kWmLButtonUp, 0, true},   {kWmMouseWheel, 0, true}, {kWmMouseMove, 0, true},
        {kWmLButtonDown, 0, true}, {kWmPaint, 0, false},     {kWmKeyUp, 0x2E, false},
        {kWmChar, 0x41, false},    {0x0203, 0, false},       {0x0204, 0, false}};
    for (const auto& [msg, wParam, handled] : cases) {
        EXPECT_EQ(send(msg, wParam, pointLParam(2000, 2000)), handled) << std::hex << msg;
    }
    // Only the WM_KEYDOWN of Delete removed a band; other keys and WM_KEYUP did not.
    EXPECT_EQ(inst->bands.size(), 6u);
}

TEST_F(EditorMessages, EveryTimerIdTicksAndRepaintsAndThePhaseIsNeverWrapped) {
    inst->animPhase = 100.0f;
    const std::uintptr_t ids[] = {1, 2, 0, 0xFFFF};
    for (int i = 0; i < 25; ++i) {
        EXPECT_TRUE(send(kWmTimer, ids[i % 4]));
    }
    EXPECT_NEAR(inst->animPhase, 101.0f, 1e-4f); // 25 steps of 0.04
    EXPECT_EQ(invalidations(), 25);
}

TEST_F(EditorMessages, CreateAndDestroyRunTheAnimationTimer) {
    send(kWmCreate);
    ASSERT_EQ(headlessCount("startAnimationTimer"), 1);
    EXPECT_EQ(headlessCalls().back().arg, reinterpret_cast<std::uintptr_t>(window));
    send(kWmDestroy);
    ASSERT_EQ(headlessCount("stopAnimationTimer"), 1);
    EXPECT_EQ(headlessCalls().back().arg, reinterpret_cast<std::uintptr_t>(window));
}

TEST_F(EditorMessages, ReleaseEndsEitherDragWithoutRepaint) {
    // dragBand, dragKnob, capture releases expected.
    for (const auto& [band, knob, releases] :
         {std::array{-1, -1, 0}, {2, -1, 1}, {-1, 3, 1}, {0, 0, 1}, {-1, 7, 1}}) {
        inst->dragBand = band;
        inst->dragKnob = knob;
        clearLog();
        release();
        EXPECT_EQ(inst->dragBand, -1);
        EXPECT_EQ(inst->dragKnob, -1);
        EXPECT_EQ(headlessCount("releaseMouse"), releases) << band << "," << knob;
        EXPECT_EQ(invalidations(), 0);
    }
}

TEST_F(EditorMessages, MoveWithoutAValidDragChangesNothing) {
    const auto before = inst->bands;
    for (std::int32_t stale : {-1, 7}) { // 7 names no band of seven
        inst->dragBand = stale;
        markNotRebuilt();
        clearLog();
        for (int y : {-10, 100, 300, 520}) {
            move(200, y);
        }
        EXPECT_EQ(invalidations(), 0) << stale;
        EXPECT_FALSE(rebuilt());
        EXPECT_EQ(inst->bands[4].frequency, before[4].frequency);
    }
}
