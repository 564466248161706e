// Instance lifecycle: GDI+ session bookkeeping, module detach, editor open and close,
// and every slot after effClose.
#include "host_fixture.h"

#include "editor/editor_window.h"
#include "host/lifecycle.h"
#include "host/process_state.h"

#include <vector>

namespace {

VstIntPtr send(AEffect* effect, std::int32_t opcode, void* ptr = nullptr) {
    return effect->dispatcher(effect, opcode, 0, 0, ptr, 0.0f);
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
    EXPECT_EQ(headlessCount("startGdiplus"), 1);
    EXPECT_EQ(liveInstanceCount(), 3);
    const std::uintptr_t token = currentGdiplusToken();
    EXPECT_NE(token, 0u);
    destroyInstance(instances[1]);
    destroyInstance(instances[0]);
    EXPECT_EQ(headlessCount("shutdownGdiplus"), 0);
    EXPECT_EQ(currentGdiplusToken(), token);
    destroyInstance(instances[2]);
    ASSERT_EQ(headlessCount("shutdownGdiplus"), 1);
    EXPECT_EQ(headlessCalls().back().arg, token);
    EXPECT_EQ(currentGdiplusToken(), 0u);
    EXPECT_EQ(liveInstanceCount(), 0);
    // A new first instance starts a new session.
    PluginInstance* again = createInstance(nullptr);
    EXPECT_EQ(headlessCount("startGdiplus"), 2);
    destroyInstance(again);
}

TEST_F(GdiplusBookkeepingTest, DetachUnregistersTheClassButLeavesGdiplusRunning) {
    AEffect* effect = VSTPluginMain(nullptr);
    ASSERT_NE(effect, nullptr);
    int parent = 0;
    ASSERT_EQ(send(effect, effEditOpen, &parent), 1);
    onModuleAttach(&parent); // any non-null module handle
    onModuleDetach();        // the host unloads with the instance still alive
    EXPECT_EQ(headlessCount("unregisterEditorWindowClass"), 1);
    EXPECT_FALSE(isEditorClassRegistered());
    EXPECT_EQ(headlessCount("shutdownGdiplus"), 0);
    EXPECT_NE(currentGdiplusToken(), 0u);
    onModuleDetach(); // nothing left to unregister
    EXPECT_EQ(headlessCount("unregisterEditorWindowClass"), 1);
    send(effect, effClose);
    EXPECT_EQ(headlessCount("shutdownGdiplus"), 1);
    releaseRecord(effect);
    onModuleAttach(nullptr);
}

using EditorLifecycleTest = HostTest;

TEST_F(EditorLifecycleTest, OpenCreatesAWindowHoldingTheInstance) {
    int parent = 0;
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &parent), 1);
    WindowHandle window = inst().editorWindow.load();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(headlessWindowInstance(window), &inst());
    EXPECT_EQ(inst().parentWindow, &parent);
    EXPECT_TRUE(isEditorClassRegistered());
    dispatch(effEditClose);
    EXPECT_EQ(inst().editorWindow.load(), nullptr);
    EXPECT_FALSE(windowIsAlive(window));
    EXPECT_EQ(headlessWindowInstance(window), nullptr);
    // The class is registered once per process, not per open.
    const int registrations = headlessCount("registerEditorWindowClass");
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &parent), 1);
    EXPECT_EQ(headlessCount("registerEditorWindowClass"), registrations);
}

TEST_F(EditorLifecycleTest, SecondOpenWithoutCloseReplacesTheFirstWindow) {
    int parent = 0;
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &parent), 1);
    WindowHandle first = inst().editorWindow.load();
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &parent), 1);
    WindowHandle second = inst().editorWindow.load();
    EXPECT_NE(first, second);
    EXPECT_FALSE(windowIsAlive(first));
    EXPECT_TRUE(windowIsAlive(second));
    bool firstTimerStopped = false;
    for (const PlatformCall& call : headlessCalls()) {
        firstTimerStopped |= call.name == "stopAnimationTimer" &&
                             call.arg == reinterpret_cast<std::uintptr_t>(first);
    }
    EXPECT_TRUE(firstTimerStopped);
}

TEST_F(EditorLifecycleTest, AWindowTheHostDestroyedIsLeftAlone) {
    int parent = 0;
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &parent), 1);
    WindowHandle window = inst().editorWindow.load();
    headlessKillWindow(window);
    const int destroys = headlessCount("destroyWindow");
    EXPECT_EQ(dispatch(effEditClose), 1);
    EXPECT_EQ(headlessCount("destroyWindow"), destroys);
    EXPECT_EQ(inst().editorWindow.load(), window); // dead handle kept, as documented
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &parent), 1);
    EXPECT_NE(inst().editorWindow.load(), window);
}

TEST_F(EditorLifecycleTest, FailedWindowCreationAnswersZero) {
    headlessSetCreateFails(true);
    int parent = 0;
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, &parent), 0);
    EXPECT_EQ(inst().editorWindow.load(), nullptr);
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, nullptr), 0);
}

TEST_F(EditorLifecycleTest, CloseWithAnOpenEditorDestroysItAndUnlinks) {
    int parent = 0;
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &parent), 1);
    WindowHandle window = inst().editorWindow.load();
    EXPECT_EQ(dispatch(effClose), 1);
    EXPECT_EQ(effect->user, nullptr);
    EXPECT_FALSE(windowIsAlive(window));
    EXPECT_GE(headlessCount("stopAnimationTimer"), 1);
}

TEST_F(EditorLifecycleTest, AfterCloseEverySlotAnswersForAMissingInstance) {
    ASSERT_EQ(dispatch(effClose), 1);
    ASSERT_EQ(effect->user, nullptr);
    // Requests that need the instance do nothing; the void ones still answer 1.
    const struct {
        std::int32_t opcode;
        VstIntPtr answer;
    } rows[] = {{effClose, 1},         {effSetSampleRate, 1}, {effSetBlockSize, 1},
                {effEditClose, 1},     {effSetBypass, 1},     {effGetParamDisplay, 0},
                {effEditGetRect, 0},   {effEditOpen, 0},      {effGetParamName, 1},
                {effGetParamLabel, 1}, {effGetEffectName, 1}, {effCanDo, 1}};
    for (const auto& row : rows) {
        char arg[64] = "bypass";
        EXPECT_EQ(dispatch(row.opcode, 0, 1, arg, 44100.0f), row.answer) << row.opcode;
    }
    EXPECT_EQ(text(effGetEffectName), "Tolvane-Q");
    EXPECT_EQ(text(effGetParamName, 1), "VAVU Coupling");
    for (int i = -1; i <= 5; ++i) {
        effect->setParameter(effect, i, 0.3f);
        EXPECT_EQ(effect->getParameter(effect, i), 0.0f) << i;
    }
    EXPECT_EQ(headlessCount("createEditorWindow"), 0);
    EXPECT_EQ(liveInstanceCount(), 0);
}

TEST(DispatcherNullRecord, ANullRecordAnswersZero) {
    AEffect* effect = VSTPluginMain(nullptr);
    ASSERT_NE(effect, nullptr);
    for (std::int32_t opcode : {effOpen, effClose, effGetVstVersion, effEditIdle}) {
        EXPECT_EQ(effect->dispatcher(nullptr, opcode, 0, 0, nullptr, 0.0f), 0);
    }
    EXPECT_EQ(effect->getParameter(nullptr, 0), 0.0f);
    effect->setParameter(nullptr, 0, 0.5f); // must not crash
    send(effect, effClose);
    releaseRecord(effect);
}

} // namespace

TEST_F(EditorLifecycleTest, AnimationRunsOnlyWhileOpenAndContinuesAfterReopening) {
    int parent = 0;
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &parent), 1);
    WindowHandle window = inst().editorWindow.load();
    EXPECT_EQ(headlessCount("startAnimationTimer"), 1);
    for (int i = 0; i < 25; ++i) {
        handleEditorMessage(window, inst(), kWmTimer, 1, 0);
    }
    const float reached = inst().animPhase;
    EXPECT_NEAR(reached, 1.0f, 1e-4f);
    dispatch(effEditClose);
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &parent), 1);
    EXPECT_EQ(inst().animPhase, reached); // neither reset nor advanced while closed
    handleEditorMessage(inst().editorWindow.load(), inst(), kWmTimer, 7, 0);
    EXPECT_EQ(inst().animPhase, reached + 0.04f);
    EXPECT_EQ(headlessCount("startAnimationTimer"), 2);
}
