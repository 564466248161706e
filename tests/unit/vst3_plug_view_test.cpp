// The VST 3 editor view over the window-system recorder: its size rules at each content
// scale, the window it opens, input mapped from physical to logical pixels, the hook after
// each event, its references, and its use of the host's run loop.
#include "dsp/instance_engine.h"
#include "editor/editor_state.h"
#include "editor/layout.h"
#include "platform/editor_window_options.h"
#include "platform/headless_backend.h"
#include "tests/unit/vst3_view_fakes.h"
#include "vst3/plug_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>
#include <utility>

namespace {

using namespace vst3;
using viewtest::CountedUnknown;
using viewtest::FakeFrame;

void* const kParent = reinterpret_cast<void*>(0x4242);

EditorEvent input(EditorEventKind kind, int x = 0, int y = 0) {
    EditorEvent e;
    e.kind = kind;
    e.x = x;
    e.y = y;
    return e;
}

class PlugViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        headlessEnable(true);
        headlessReset();
        view = makeView();
        ASSERT_NE(view, nullptr);
    }
    void TearDown() override {
        if (view != nullptr) {
            view->release();
        }
        headlessReset();
        headlessEnable(false);
    }

    IPlugView* makeView() {
        PlugViewOwner owner;
        owner.keepAlive = &plugin;
        owner.editor = &editor;
        owner.eventHandled = [](void* context) {
            auto* self = static_cast<PlugViewTest*>(context);
            ++self->handled;
            self->lastClickSeenByHook = self->editor.lastClickX;
        };
        owner.context = this;
        return createPlugViewFor(owner);
    }

    IPlugViewContentScaleSupport* scaling() {
        void* obj = nullptr;
        EXPECT_EQ(view->queryInterface(kIPlugViewContentScaleSupportIid.bytes, &obj), kResultOk);
        auto* s = static_cast<IPlugViewContentScaleSupport*>(obj);
        s->release(); // the view holds it alive
        return s;
    }

    ViewRect size() {
        ViewRect r{-1, -1, -1, -1};
        EXPECT_EQ(view->getSize(&r), kResultOk);
        return r;
    }

    WindowHandle attach() {
        EXPECT_EQ(view->attached(kParent, kPlatformTypeX11EmbedWindowID), kResultOk);
        return editor.window.load();
    }

    // A press at physical (x, y) at `time` (presses far apart in time never pair into a
    // double click); answers where the editor saw it, in logical pixels.
    std::pair<int, int> pressAt(WindowHandle window, int x, int y,
                                decltype(EditorEvent::time) time) {
        EditorEvent press = input(EditorEventKind::Press, x, y);
        press.time = time;
        headlessSendInput(window, press);
        return {editor.lastClickX, editor.lastClickY};
    }

    CountedUnknown plugin;
    InstanceEngine engine;
    EditorState editor{engine};
    IPlugView* view = nullptr;
    int handled = 0;
    int lastClickSeenByHook = -1;
};

TEST_F(PlugViewTest, TakesTheParentTypeOfTheLinkedBackendOnly) {
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
    EXPECT_EQ(view->isPlatformTypeSupported(editorParentType()), kResultTrue);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
    EXPECT_EQ(view->isPlatformTypeSupported("X11EmbedWindowIDs"), kResultFalse);
    EXPECT_EQ(view->isPlatformTypeSupported(nullptr), kResultFalse);
    EXPECT_EQ(view->attached(kParent, kPlatformTypeHWND), kInvalidArgument);
    EXPECT_EQ(headlessCount("createScaledEditorWindow"), 0);
}

TEST_F(PlugViewTest, SizeIsTheEditorsTimesTheContentScale) {
    ViewRect r = size();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 920);
    EXPECT_EQ(r.bottom, 580);
    const struct {
        float factor;
        int32 width;
        int32 height;
    } cases[] = {{1.25f, 1150, 725}, {1.5f, 1380, 870}, {2.0f, 1840, 1160},
                 {1.1f, 1012, 638},  {0.5f, 920, 580},  {9.0f, 3680, 2320}};
    for (const auto& c : cases) {
        EXPECT_EQ(scaling()->setContentScaleFactor(c.factor), kResultOk) << c.factor;
        r = size();
        EXPECT_EQ(r.right - r.left, c.width) << c.factor;
        EXPECT_EQ(r.bottom - r.top, c.height) << c.factor;
    }
}

TEST_F(PlugViewTest, RefusesAScaleThatIsNoNumber) {
    ASSERT_EQ(scaling()->setContentScaleFactor(1.5f), kResultOk);
    EXPECT_EQ(scaling()->setContentScaleFactor(std::numeric_limits<float>::quiet_NaN()),
              kInvalidArgument);
    EXPECT_EQ(scaling()->setContentScaleFactor(std::numeric_limits<float>::infinity()),
              kInvalidArgument);
    EXPECT_EQ(size().right, 1380);
    EXPECT_EQ(size().bottom, 870);
}

TEST_F(PlugViewTest, OnlyTheOneSizeIsAccepted) {
    EXPECT_EQ(view->canResize(), kResultFalse);
    ViewRect exact{10, 20, 930, 600};
    EXPECT_EQ(view->onSize(&exact), kResultOk);
    ViewRect wider{0, 0, 921, 580};
    EXPECT_EQ(view->onSize(&wider), kResultFalse);
    ViewRect taller{0, 0, 920, 1000};
    EXPECT_EQ(view->onSize(&taller), kResultFalse);
    EXPECT_EQ(view->onSize(nullptr), kInvalidArgument);

    ASSERT_EQ(scaling()->setContentScaleFactor(2.0f), kResultOk);
    EXPECT_EQ(view->onSize(&exact), kResultFalse);
    ViewRect doubled{0, 0, 1840, 1160};
    EXPECT_EQ(view->onSize(&doubled), kResultOk);

    ViewRect asked{30, 40, 500, 300};
    EXPECT_EQ(view->checkSizeConstraint(&asked), kResultOk);
    EXPECT_EQ(asked.left, 30);
    EXPECT_EQ(asked.top, 40);
    EXPECT_EQ(asked.right, 30 + 1840);
    EXPECT_EQ(asked.bottom, 40 + 1160);
    EXPECT_EQ(view->checkSizeConstraint(nullptr), kInvalidArgument);
}

TEST_F(PlugViewTest, AttachOpensTheWindowAtTheScaleAndRemoveClosesIt) {
    ASSERT_EQ(scaling()->setContentScaleFactor(1.5f), kResultOk);
    const WindowHandle window = attach();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(headlessCount("createScaledEditorWindow"), 1);
    EXPECT_EQ(headlessCount("createEditorWindow"), 0);
    const HeadlessWindowGeometry g = headlessWindowGeometry(window);
    EXPECT_TRUE(g.alive);
    EXPECT_EQ(g.width, 1380);
    EXPECT_EQ(g.height, 870);
    EXPECT_DOUBLE_EQ(g.scale, 1.5);
    EXPECT_EQ(headlessWindowEditor(window), &editor);
    // Attached twice without a removal in between: the first window stays the only one.
    EXPECT_EQ(view->attached(kParent, kPlatformTypeX11EmbedWindowID), kResultFalse);
    EXPECT_EQ(headlessCount("createScaledEditorWindow"), 1);

    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_FALSE(headlessWindowGeometry(window).alive);
    EXPECT_EQ(editor.window.load(), nullptr);
    EXPECT_EQ(view->removed(), kResultOk); // a second removal has nothing left to do
    EXPECT_EQ(headlessCount("destroyWindow"), 1);

    // And it opens again, at the scale it has now.
    const WindowHandle again = attach();
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, window);
    EXPECT_EQ(headlessWindowGeometry(again).width, 1380);
}

TEST_F(PlugViewTest, NoWindowWithoutAParentOrWhenCreationFails) {
    EXPECT_EQ(view->attached(nullptr, kPlatformTypeX11EmbedWindowID), kInvalidArgument);
    headlessSetCreateFails(true);
    EXPECT_EQ(view->attached(kParent, kPlatformTypeX11EmbedWindowID), kResultFalse);
    EXPECT_EQ(editor.window.load(), nullptr);
    headlessSetCreateFails(false);
    EXPECT_NE(attach(), nullptr);
}

TEST_F(PlugViewTest, ScaleChangeWhileOpenResizesTheWindowAndAsksTheFrame) {
    FakeFrame frame(false);
    ASSERT_EQ(view->setFrame(&frame), kResultOk);
    const WindowHandle window = attach();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(headlessWindowGeometry(window).width, 920);

    ASSERT_EQ(scaling()->setContentScaleFactor(2.0f), kResultOk);
    HeadlessWindowGeometry g = headlessWindowGeometry(window);
    EXPECT_EQ(g.width, 1840);
    EXPECT_EQ(g.height, 1160);
    EXPECT_DOUBLE_EQ(g.scale, 2.0);
    ASSERT_EQ(frame.resizes.size(), 1u);
    EXPECT_EQ(frame.resizedViews[0], view);
    EXPECT_EQ(frame.resizes[0].right - frame.resizes[0].left, 1840);
    EXPECT_EQ(frame.resizes[0].bottom - frame.resizes[0].top, 1160);
    ASSERT_EQ(frame.onSizeAnswers.size(), 1u);
    EXPECT_EQ(frame.onSizeAnswers[0], kResultOk); // the host's follow-up is accepted

    // The same factor again changes nothing.
    ASSERT_EQ(scaling()->setContentScaleFactor(2.0f), kResultOk);
    EXPECT_EQ(frame.resizes.size(), 1u);
    EXPECT_EQ(headlessCount("setEditorWindowScale"), 1);

    ASSERT_EQ(scaling()->setContentScaleFactor(1.25f), kResultOk);
    g = headlessWindowGeometry(window);
    EXPECT_EQ(g.width, 1150);
    EXPECT_EQ(g.height, 725);
    view->removed();
    view->setFrame(nullptr);
}

TEST_F(PlugViewTest, ScaleBeforeAttachAsksNoFrame) {
    FakeFrame frame(false);
    view->setFrame(&frame);
    ASSERT_EQ(scaling()->setContentScaleFactor(2.0f), kResultOk);
    EXPECT_TRUE(frame.resizes.empty());
    EXPECT_EQ(headlessCount("setEditorWindowScale"), 0);
    view->setFrame(nullptr);
}

TEST_F(PlugViewTest, PressAtPhysicalPixelsReachesTheEditorInLogicalOnes) {
    ASSERT_EQ(scaling()->setContentScaleFactor(2.0f), kResultOk);
    const WindowHandle window = attach();
    EXPECT_EQ(pressAt(window, 200, 100, 1000), std::make_pair(100, 50));
    // Both physical pixels of a logical one land on it.
    EXPECT_EQ(pressAt(window, 201, 101, 50000), std::make_pair(100, 50));

    ASSERT_EQ(scaling()->setContentScaleFactor(1.5f), kResultOk);
    EXPECT_EQ(pressAt(window, 300, 150, 100000), std::make_pair(200, 100));
}

// At scale 1 every coordinate passes unchanged, as in the VST 2.4 editor.
TEST_F(PlugViewTest, ScaleOneLeavesPositionsAlone) {
    const WindowHandle window = attach();
    EXPECT_EQ(pressAt(window, 333, 217, 1000), std::make_pair(333, 217));
    for (int x : {-7, -1, 0, 1, 919, 920, 1500}) {
        EXPECT_EQ(logicalCoordinate(x, 1.0), x);
    }
    EXPECT_EQ(logicalCoordinate(-1, 2.0), -1);
    EXPECT_EQ(logicalCoordinate(-2, 2.0), -1);
    EXPECT_EQ(logicalCoordinate(-3, 2.0), -2);
}

// A knob drag measured in logical pixels: the same gesture at scale 2, twice as many
// physical pixels, moves the knob as far as at scale 1.
TEST_F(PlugViewTest, KnobDragMovesTheSameAtEveryScale) {
    auto dragKnob = [&](float factor) {
        InstanceEngine freshEngine;
        EditorState fresh{freshEngine};
        PlugViewOwner owner;
        owner.keepAlive = &plugin;
        owner.editor = &fresh;
        IPlugView* v = createPlugViewFor(owner);
        void* obj = nullptr;
        v->queryInterface(kIPlugViewContentScaleSupportIid.bytes, &obj);
        static_cast<IPlugViewContentScaleSupport*>(obj)->setContentScaleFactor(factor);
        static_cast<IPlugViewContentScaleSupport*>(obj)->release();
        EXPECT_EQ(v->attached(kParent, kPlatformTypeX11EmbedWindowID), kResultOk);
        const WindowHandle w = fresh.window.load();
        const auto at = [factor](int logical) {
            return static_cast<int>(std::lround(logical * factor));
        };
        EditorEvent press = input(EditorEventKind::Press, at(kKnobCentreX[0]), at(kKnobCentreY));
        press.time = 1000;
        headlessSendInput(w, press);
        EXPECT_EQ(fresh.dragKnob, 0) << factor;
        headlessSendInput(w,
                          input(EditorEventKind::Move, at(kKnobCentreX[0]), at(kKnobCentreY - 30)));
        headlessSendInput(
            w, input(EditorEventKind::Release, at(kKnobCentreX[0]), at(kKnobCentreY - 30)));
        const float value = param(freshEngine.edit, kKnobParam[0]);
        v->removed();
        v->release();
        return value;
    };
    const float atOne = dragKnob(1.0f);
    const float atTwo = dragKnob(2.0f);
    InstanceEngine untouched;
    EXPECT_NE(atOne, param(untouched.edit, kKnobParam[0])); // the drag moved it
    EXPECT_FLOAT_EQ(atTwo, atOne);
}

TEST_F(PlugViewTest, HookRunsAfterEveryInputAndTickOnly) {
    ASSERT_EQ(scaling()->setContentScaleFactor(2.0f), kResultOk);
    const WindowHandle window = attach();
    EXPECT_EQ(handled, 0); // opening is no event of the editor's to report
    EditorEvent press = input(EditorEventKind::Press, 600, 300);
    press.time = 1000;
    headlessSendInput(window, press);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(lastClickSeenByHook, 300); // after the editor handled it, not before
    headlessSendInput(window, input(EditorEventKind::Move, 610, 300));
    headlessSendInput(window, input(EditorEventKind::Release, 610, 300));
    EditorEvent wheel = input(EditorEventKind::Wheel);
    wheel.wheelSteps = 1;
    headlessSendInput(window, wheel);
    EditorEvent key = input(EditorEventKind::Key);
    key.key = EditorKey::Other;
    headlessSendInput(window, key);
    headlessSendInput(window, input(EditorEventKind::Tick));
    EXPECT_EQ(handled, 6);
    headlessSendInput(window, input(EditorEventKind::Paint));
    EXPECT_EQ(handled, 6);
    view->removed();
    EXPECT_EQ(handled, 6); // closing is not reported either
}

TEST_F(PlugViewTest, ViewKeepsItsOwnerAliveAndCountsItsReferences) {
    EXPECT_EQ(plugin.refs, 2);
    void* asView = nullptr;
    void* asScale = nullptr;
    void* asUnknown = nullptr;
    void* other = reinterpret_cast<void*>(1);
    ASSERT_EQ(view->queryInterface(kIPlugViewIid.bytes, &asView), kResultOk);
    ASSERT_EQ(view->queryInterface(kIPlugViewContentScaleSupportIid.bytes, &asScale), kResultOk);
    ASSERT_EQ(view->queryInterface(kFUnknownIid.bytes, &asUnknown), kResultOk);
    EXPECT_EQ(view->queryInterface(kIEditControllerIid.bytes, &other), kNoInterface);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(view->queryInterface(kIPlugViewIid.bytes, nullptr), kInvalidArgument);
    EXPECT_EQ(asView, view);
    EXPECT_EQ(asUnknown, view);
    EXPECT_NE(asScale, nullptr);
    EXPECT_EQ(view->addRef(), 5u);
    EXPECT_EQ(view->release(), 4u);
    static_cast<IPlugViewContentScaleSupport*>(asScale)->release();
    static_cast<IPlugView*>(asView)->release();
    EXPECT_EQ(static_cast<FUnknown*>(asUnknown)->release(), 1u);
    EXPECT_EQ(plugin.refs, 2);

    FakeFrame frame(false);
    view->setFrame(&frame);
    EXPECT_EQ(frame.refs, 2);
    FakeFrame second(false);
    view->setFrame(&second);
    EXPECT_EQ(frame.refs, 1);
    EXPECT_EQ(second.refs, 2);
    attach();

    EXPECT_EQ(view->release(), 0u); // the host lets go without removing it first
    view = nullptr;
    EXPECT_EQ(plugin.refs, 1);
    EXPECT_EQ(second.refs, 1);
    EXPECT_EQ(headlessCount("destroyWindow"), 1);
    EXPECT_EQ(editor.window.load(), nullptr);
}

TEST_F(PlugViewTest, NoViewWithoutAnEditorOrAnOwner) {
    PlugViewOwner owner;
    owner.keepAlive = &plugin;
    EXPECT_EQ(createPlugViewFor(owner), nullptr);
    owner.keepAlive = nullptr;
    owner.editor = &editor;
    EXPECT_EQ(createPlugViewFor(owner), nullptr);
    EXPECT_EQ(plugin.refs, 2); // only the fixture's view holds it
}

TEST_F(PlugViewTest, ServedFromTheFramesRunLoop) {
    headlessSetConnectionFd(17);
    FakeFrame frame;
    view->setFrame(&frame);
    EXPECT_EQ(frame.eventRegistrations, 0); // nothing to serve before the window exists
    const WindowHandle window = attach();
    ASSERT_EQ(frame.eventHandlers.size(), 1u);
    EXPECT_EQ(frame.eventHandlers.begin()->second, 17);
    ASSERT_EQ(frame.timers.size(), 1u);
    EXPECT_EQ(frame.timers.begin()->second, kViewTimerMs);
    EXPECT_EQ(frame.refs, 3); // the view's frame and its run loop

    const int pumps = headlessCount("pumpEditorWindow");
    frame.fireEvents();
    frame.fireTimers();
    frame.fireTimers();
    EXPECT_EQ(headlessCount("pumpEditorWindow"), pumps + 3);
    for (const PlatformCall& call : headlessCalls()) {
        if (call.name == "pumpEditorWindow") {
            EXPECT_EQ(call.arg, reinterpret_cast<std::uintptr_t>(window));
        }
    }

    // The handlers answer for themselves and hold the view alive while the loop holds them.
    void* timer = nullptr;
    ASSERT_EQ(frame.timers.begin()->first->queryInterface(kITimerHandlerIid.bytes, &timer),
              kResultOk);
    EXPECT_EQ(timer, frame.timers.begin()->first);
    void* wrong = nullptr;
    EXPECT_EQ(frame.timers.begin()->first->queryInterface(kIEventHandlerIid.bytes, &wrong),
              kNoInterface);
    static_cast<ITimerHandler*>(timer)->release();
    void* events = nullptr;
    ASSERT_EQ(frame.eventHandlers.begin()->first->queryInterface(kIEventHandlerIid.bytes, &events),
              kResultOk);
    static_cast<IEventHandler*>(events)->release();

    view->removed();
    EXPECT_TRUE(frame.eventHandlers.empty());
    EXPECT_TRUE(frame.timers.empty());
    EXPECT_EQ(frame.eventUnregistrations, 1);
    EXPECT_EQ(frame.timerUnregistrations, 1);
    EXPECT_EQ(frame.refs, 2);

    // Reopened, served again; released without removal, unregistered all the same.
    attach();
    EXPECT_EQ(frame.eventHandlers.size(), 1u);
    EXPECT_EQ(frame.timers.size(), 1u);
    view->release();
    view = nullptr;
    EXPECT_TRUE(frame.eventHandlers.empty());
    EXPECT_TRUE(frame.timers.empty());
    EXPECT_EQ(frame.refs, 1);
}

TEST_F(PlugViewTest, AFrameSetWhileOpenTakesOverTheService) {
    headlessSetConnectionFd(5);
    FakeFrame first;
    FakeFrame second;
    view->setFrame(&first);
    attach();
    EXPECT_EQ(first.timers.size(), 1u);
    view->setFrame(&second);
    EXPECT_TRUE(first.timers.empty());
    EXPECT_TRUE(first.eventHandlers.empty());
    EXPECT_EQ(first.refs, 1);
    EXPECT_EQ(second.timers.size(), 1u);
    EXPECT_EQ(second.eventHandlers.size(), 1u);
    view->setFrame(nullptr);
    EXPECT_TRUE(second.timers.empty());
    EXPECT_EQ(second.refs, 1);
    view->removed();
}

TEST_F(PlugViewTest, WithoutARunLoopOrAConnectionNothingIsRegistered) {
    FakeFrame plain(false);
    view->setFrame(&plain);
    EXPECT_NE(attach(), nullptr);
    EXPECT_GE(headlessCount("pumpEditorWindow"), 1); // the first picture all the same
    EXPECT_EQ(plain.refs, 2);
    view->removed();
    view->setFrame(nullptr);

    FakeFrame loop; // a run loop, but a backend with nothing to watch
    view->setFrame(&loop);
    attach();
    EXPECT_EQ(loop.eventRegistrations, 0);
    EXPECT_EQ(loop.timerRegistrations, 0);
    view->removed();
    view->setFrame(nullptr);
    EXPECT_EQ(loop.refs, 1);
}

TEST_F(PlugViewTest, RemovedAndReleasedFromAnotherThread) {
    const WindowHandle window = attach();
    std::thread closer([&] { view->removed(); });
    closer.join();
    EXPECT_FALSE(headlessWindowGeometry(window).alive);
    EXPECT_EQ(editor.window.load(), nullptr);
    attach();
    std::thread releaser([&] { view->release(); });
    releaser.join();
    view = nullptr;
    EXPECT_EQ(plugin.refs, 1);
    EXPECT_EQ(headlessCount("destroyWindow"), 2);
}

} // namespace
