// Routing of the editor's neutral events: which are handled, the animation timer, keys and
// the end of a drag.
#include "editor/editor_events.h"
#include "host/plugin_instance.h"
#include "input_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

using inputtest::event;
using EditorEvents = inputtest::EditorInputTest;

TEST_F(EditorEvents, EveryInputEventIsHandledAndOnlyDeleteRemovesABand) {
    const EditorEventKind kinds[] = {EditorEventKind::Tick,  EditorEventKind::Open,
                                     EditorEventKind::Close, EditorEventKind::Release,
                                     EditorEventKind::Wheel, EditorEventKind::Move,
                                     EditorEventKind::Press};
    for (EditorEventKind kind : kinds) {
        EXPECT_TRUE(send(event(kind, 2000, 2000))) << static_cast<int>(kind);
    }
    EXPECT_EQ(inst->engine.edit.bands.size(), 7u);
    key(EditorKey::Other);
    EXPECT_EQ(inst->engine.edit.bands.size(), 7u);
    key(EditorKey::Delete);
    EXPECT_EQ(inst->engine.edit.bands.size(), 6u);
}

TEST_F(EditorEvents, EveryTickRepaintsAndThePhaseIsNeverWrapped) {
    inst->editor.animPhase = 100.0f;
    for (int i = 0; i < 25; ++i) {
        EXPECT_TRUE(send(event(EditorEventKind::Tick)));
    }
    EXPECT_NEAR(inst->editor.animPhase, 101.0f, 1e-4f); // 25 steps of 0.04
    EXPECT_EQ(invalidations(), 25);
}

TEST_F(EditorEvents, OpenAndCloseRunTheAnimationTimer) {
    send(event(EditorEventKind::Open));
    ASSERT_EQ(headlessCount("startAnimationTimer"), 1);
    EXPECT_EQ(headlessCalls().back().arg, reinterpret_cast<std::uintptr_t>(window));
    send(event(EditorEventKind::Close));
    ASSERT_EQ(headlessCount("stopAnimationTimer"), 1);
    EXPECT_EQ(headlessCalls().back().arg, reinterpret_cast<std::uintptr_t>(window));
}

TEST_F(EditorEvents, ReleaseEndsEitherDragWithoutRepaint) {
    // dragBand, dragKnob, capture releases expected.
    for (const auto& [band, knob, releases] :
         {std::array{-1, -1, 0}, {2, -1, 1}, {-1, 3, 1}, {0, 0, 1}, {-1, 7, 1}}) {
        inst->editor.dragBand = band;
        inst->editor.dragKnob = knob;
        clearLog();
        release();
        EXPECT_EQ(inst->editor.dragBand, -1);
        EXPECT_EQ(inst->editor.dragKnob, -1);
        EXPECT_EQ(headlessCount("releaseMouse"), releases) << band << "," << knob;
        EXPECT_EQ(invalidations(), 0);
    }
}

TEST_F(EditorEvents, MoveWithoutAValidDragChangesNothing) {
    const auto before = inst->engine.edit.bands;
    for (std::int32_t stale : {-1, 7}) { // 7 names no band of seven
        inst->editor.dragBand = stale;
        markNotRebuilt();
        clearLog();
        for (int y : {-10, 100, 300, 520}) {
            move(200, y);
        }
        EXPECT_EQ(invalidations(), 0) << stale;
        EXPECT_FALSE(rebuilt());
        EXPECT_EQ(inst->engine.edit.bands[4].frequency, before[4].frequency);
    }
}
