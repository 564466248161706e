// Instance lifecycle: entry failures, GDI+ session bookkeeping, module detach, editor open
// and close.
#include "host_fixture.h"

#include "editor/editor_events.h"
#include "host/lifecycle.h"
#include "host/process_state.h"
#include "tests/unit/dsp_test_support.h"

#include <algorithm>
#include <vector>

namespace {

EditorEvent tick() {
    EditorEvent e;
    e.kind = EditorEventKind::Tick;
    return e;
}

class GdiplusBookkeepingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        headlessEnable(true);
        headlessReset();
        ASSERT_EQ(liveInstanceCount(), 0) << "an earlier test leaked an instance";
    }
    void TearDown() override {
        headlessReset();
        headlessEnable(false);
    }
};

TEST_F(GdiplusBookkeepingTest, FirstInstanceStartsAndLastOneShutsDown) {
    std::vector<PluginInstance*> instances;
    for (int i = 0; i < 3; ++i) {
        instances.push_back(createInstance(nullptr));
        ASSERT_NE(instances.back(), nullptr);
    }
    EXPECT_EQ(headlessCount("startGraphicsSession"), 1);
    EXPECT_EQ(liveInstanceCount(), 3);
    const std::uintptr_t token = currentGraphicsToken();
    EXPECT_NE(token, 0u);
    destroyInstance(instances[1]);
    destroyInstance(instances[0]);
    EXPECT_EQ(headlessCount("shutdownGraphicsSession"), 0);
    EXPECT_EQ(currentGraphicsToken(), token);
    destroyInstance(instances[2]);
    ASSERT_EQ(headlessCount("shutdownGraphicsSession"), 1);
    EXPECT_EQ(headlessCalls().back().arg, token);
    EXPECT_EQ(currentGraphicsToken(), 0u);
    EXPECT_EQ(liveInstanceCount(), 0);
    // A new first instance starts a new session.
    destroyInstance(createInstance(nullptr));
    EXPECT_EQ(headlessCount("startGraphicsSession"), 2);
}

// Failing each allocation of the instance in turn: the host gets null, no instance is
// counted, GDI+ is not started, and the leak checker finds nothing left behind.
TEST_F(GdiplusBookkeepingTest, EntryAnswersNullWhenTheInstanceCannotBeBuilt) {
    long failures = 0;
    for (;; ++failures) {
        dsptest::failAllocationAfter(failures);
        AEffect* effect = VSTPluginMain(nullptr);
        dsptest::failAllocationAfter(-1);
        if (effect != nullptr) {
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
            releaseRecord(effect);
            break;
        }
        EXPECT_EQ(liveInstanceCount(), 0) << failures;
        EXPECT_EQ(headlessCount("startGraphicsSession"), 0) << failures;
    }
    EXPECT_GE(failures, 5); // the constructor's arrays were each made to fail
}

using EditorLifecycleTest = HostTest;

// GDI+ must not be shut down under the loader lock, so a detach with a live instance
// leaves it to that instance's close.
TEST_F(EditorLifecycleTest, ModuleDetachUnregistersTheClassButLeavesGdiplusRunning) {
    ASSERT_NE(openEditor(), nullptr);
    onModuleAttach(&parent); // any non-null module handle
    onModuleDetach();        // the host unloads with the instance still alive
    EXPECT_EQ(headlessCount("unregisterEditorWindowClass"), 1);
    EXPECT_FALSE(isEditorClassRegistered());
    EXPECT_EQ(headlessCount("shutdownGraphicsSession"), 0);
    EXPECT_NE(currentGraphicsToken(), 0u);
    onModuleDetach(); // nothing left to unregister
    EXPECT_EQ(headlessCount("unregisterEditorWindowClass"), 1);
    dispatch(effClose);
    EXPECT_EQ(headlessCount("shutdownGraphicsSession"), 1);
    onModuleAttach(nullptr);
}

TEST_F(EditorLifecycleTest, OpenAnimateCloseAndReopen) {
    WindowHandle window = openEditor();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(headlessWindowEditor(window), &inst().editor);
    const auto& calls = headlessCalls();
    const auto created = std::find_if(calls.begin(), calls.end(), [](const PlatformCall& c) {
        return c.name == "createEditorWindow";
    });
    ASSERT_NE(created, calls.end());
    EXPECT_EQ(created->arg, reinterpret_cast<std::uintptr_t>(&parent)); // inside the host's frame
    EXPECT_TRUE(isEditorClassRegistered());
    for (int i = 0; i < 25; ++i) {
        handleEditorEvent(window, inst().editor, tick());
    }
    const float reached = inst().editor.animPhase;
    EXPECT_NEAR(reached, 1.0f, 1e-4f);
    EXPECT_EQ(dispatch(effEditClose), 1);
    EXPECT_EQ(inst().editor.window.load(), nullptr);
    EXPECT_FALSE(windowIsAlive(window));
    EXPECT_EQ(headlessWindowEditor(window), nullptr);
    // Reopening registers no second class and animates on from where it stood.
    const int registrations = headlessCount("registerEditorWindowClass");
    ASSERT_NE(openEditor(), nullptr);
    EXPECT_EQ(headlessCount("registerEditorWindowClass"), registrations);
    EXPECT_EQ(headlessCount("startAnimationTimer"), 2);
    EXPECT_EQ(inst().editor.animPhase, reached);
    handleEditorEvent(inst().editor.window.load(), inst().editor, tick());
    EXPECT_EQ(inst().editor.animPhase, reached + 0.04f);
    // A failed creation answers 0 and leaves no handle behind.
    dispatch(effEditClose);
    headlessSetCreateFails(true);
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, &parent), 0);
    EXPECT_EQ(inst().editor.window.load(), nullptr);
}

TEST_F(EditorLifecycleTest, SecondOpenWithoutCloseReplacesTheFirstWindow) {
    WindowHandle first = openEditor();
    WindowHandle second = openEditor();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_FALSE(windowIsAlive(first));
    EXPECT_TRUE(windowIsAlive(second));
    EXPECT_TRUE(std::any_of(headlessCalls().begin(), headlessCalls().end(), [&](const auto& c) {
        return c.name == "stopAnimationTimer" && c.arg == reinterpret_cast<std::uintptr_t>(first);
    }));
}

TEST_F(EditorLifecycleTest, AWindowTheHostDestroyedIsLeftAlone) {
    WindowHandle window = openEditor();
    headlessKillWindow(window);
    const int destroys = headlessCount("destroyWindow");
    EXPECT_EQ(dispatch(effEditClose), 1);
    EXPECT_EQ(headlessCount("destroyWindow"), destroys);
    EXPECT_EQ(inst().editor.window.load(), window); // dead handle kept, as documented
    EXPECT_NE(openEditor(), window);
}

TEST_F(EditorLifecycleTest, CloseWithAnOpenEditorDestroysItAndUnlinks) {
    WindowHandle window = openEditor();
    EXPECT_EQ(dispatch(effClose), 1);
    EXPECT_EQ(effect->user, nullptr);
    EXPECT_FALSE(windowIsAlive(window));
    EXPECT_GE(headlessCount("stopAnimationTimer"), 1);
}

} // namespace
