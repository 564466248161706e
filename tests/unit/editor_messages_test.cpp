// Routing of window messages to the editor: which are handled, the animation timer and
// the end of a drag.
#include "dsp/plugin_instance.h"
#include "editor/editor_window.h"
#include "input_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>

using inputtest::EditorInputTest;
using inputtest::pointLParam;

namespace {

using EditorMessages = EditorInputTest;

} // namespace

TEST_F(EditorMessages, HandledMessagesAnswerTrueOthersGoToTheDefaultProcedure) {
    struct Case {
        std::uint32_t msg;
        std::uintptr_t wParam;
        bool handled;
    };
    const Case cases[] = {
        {kWmTimer, 1, true},
        {kWmCreate, 0, true},
        {kWmDestroy, 0, true},
        {kWmKeyDown, 0x2E, true},
        {kWmKeyDown, 0x41, true},
        {kWmLButtonUp, 0, true},
        {kWmMouseWheel, 0, true},
        {kWmMouseMove, 0, true},
        {kWmLButtonDown, 0, true},
        {kWmPaint, 0, false},
        {kWmKeyUp, 0x2E, false},
        {kWmChar, 0x41, false},
        {0x0005, 0, false} /*WM_SIZE*/,
        {0x0014, 0, false} /*WM_ERASEBKGND*/,
        {0x0203, 0, false} /*WM_LBUTTONDBLCLK*/,
        {0x0204, 0, false} /*WM_RBUTTONDOWN*/,
        {0x0207, 0, false} /*WM_MBUTTONDOWN*/,
        {0x0082, 0, false} /*WM_NCDESTROY*/,
    };
    for (const Case& c : cases) {
        EXPECT_EQ(send(c.msg, c.wParam, pointLParam(2000, 2000)), c.handled) << std::hex << c.msg;
    }
    // Only the WM_KEYDOWN of Delete removed a band; WM_KEYUP of Delete did not.
    EXPECT_EQ(inst->bands.size(), 6u);
}

TEST_F(EditorMessages, EveryTimerIdTicksAndRepaints) {
    float expected = 0.0f;
    for (std::uintptr_t id : {1u, 2u, 0u, 0xFFFFu}) {
        clearLog();
        EXPECT_TRUE(send(kWmTimer, id));
        expected += 0.04f;
        EXPECT_EQ(inst->animPhase, expected) << id;
        EXPECT_EQ(invalidations(), 1);
    }
}

TEST_F(EditorMessages, TwentyFiveTicksAddOneAndThePhaseIsNeverWrapped) {
    for (float start : {0.0f, 3.0f, 100.0f}) {
        inst->animPhase = start;
        for (int i = 0; i < 25; ++i) {
            send(kWmTimer, 1);
        }
        EXPECT_NEAR(inst->animPhase, start + 1.0f, 1e-4f) << start;
    }
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
    struct Case {
        std::int32_t band;
        std::int32_t knob;
        int releases;
    };
    for (const Case c :
         {Case{-1, -1, 0}, Case{2, -1, 1}, Case{-1, 3, 1}, Case{0, 0, 1}, Case{-1, 7, 1}}) {
        inst->dragBand = c.band;
        inst->dragKnob = c.knob;
        clearLog();
        release();
        EXPECT_EQ(inst->dragBand, -1);
        EXPECT_EQ(inst->dragKnob, -1);
        EXPECT_EQ(headlessCount("releaseMouse"), c.releases) << c.band << "," << c.knob;
        EXPECT_EQ(invalidations(), 0);
    }
}

TEST_F(EditorMessages, MoveWithoutDragChangesNothing) {
    const auto before = inst->bands;
    markNotRebuilt();
    for (int y : {-10, 100, 300, 520}) {
        move(200, y);
    }
    EXPECT_EQ(invalidations(), 0);
    EXPECT_FALSE(rebuilt());
    EXPECT_EQ(inst->bands[4].frequency, before[4].frequency);
}
