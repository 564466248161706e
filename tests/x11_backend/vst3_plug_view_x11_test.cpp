// The VST 3 editor view on a real X server, served the way a Linux VST 3 host serves it:
// the window's connection and its animation driven from the host's run loop (here the
// test's own: poll on the registered descriptor, the registered timer every 33 ms). Needs
// an X server: skipped when DISPLAY is unset (ctest runs it on a virtual server of its own,
// see vst3_view.cmake).

// GoogleTest comes first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include "dsp/instance_engine.h"
#include "editor/editor_state.h"
#include "editor/window_system.h"
#include "tests/unit/vst3_view_fakes.h"
#include "tests/x11/x11_picture.h"
#include "tests/x11/x11_resources.h"
#include "vst3/plug_view.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <poll.h>
#include <thread>
#include <vector>

namespace {

using namespace vst3;
using viewtest::CountedUnknown;
using viewtest::FakeFrame;

constexpr unsigned long kGold = 0xF0CB64; // the logo's bar at logical (33, 30)
// The header's one-pixel divider runs along logical row 52, left of the graph.
constexpr int kDividerRow = 52;

// The physical pixel whose centre is nearest the centre of logical pixel `logical`.
int centreOf(int logical, double scale) {
    return static_cast<int>(std::floor((logical + 0.5) * scale));
}

int openDescriptors() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count;
}

using vst3check::channelDistance;

class X11View : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "DISPLAY is unset: no X server to open windows on";
        }
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "DISPLAY is set but its server cannot be reached";
        // As large as the screen, so the window at scale 2 shows as much as the screen does.
        const int screen = DefaultScreen(display);
        parent =
            XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0,
                                static_cast<unsigned>(DisplayWidth(display, screen)),
                                static_cast<unsigned>(DisplayHeight(display, screen)), 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
    }

    void TearDown() override {
        if (view != nullptr) {
            view->release();
        }
        if (display != nullptr) {
            XDestroyWindow(display, parent);
            XSync(display, False);
            XCloseDisplay(display);
        }
    }

    IPlugView* makeView() {
        PlugViewOwner owner;
        owner.keepAlive = &plugin;
        owner.editor = &editor;
        owner.eventHandled = [](void* context) { ++static_cast<X11View*>(context)->handled; };
        owner.context = this;
        return createPlugViewFor(owner);
    }

    // A view in `frame` at `scale`, attached to the parent.
    bool open(double scale) {
        view = makeView();
        if (view == nullptr) {
            return false;
        }
        view->setFrame(&frame);
        void* obj = nullptr;
        view->queryInterface(kIPlugViewContentScaleSupportIid.bytes, &obj);
        auto* scaling = static_cast<IPlugViewContentScaleSupport*>(obj);
        scaling->setContentScaleFactor(static_cast<float>(scale));
        scaling->release();
        const auto parentId = reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent));
        return view->attached(parentId, kPlatformTypeX11EmbedWindowID) == kResultOk;
    }

    void close() {
        view->removed();
        view->setFrame(nullptr);
        view->release();
        view = nullptr;
    }

    // The host's run loop: the descriptor's handler when it has input, the timer every
    // 33 ms, until `done` or a deadline that only ends a wait for what never comes.
    bool serveUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        auto nextTimer = std::chrono::steady_clock::now();
        while (!done()) {
            const auto now = std::chrono::steady_clock::now();
            if (now > deadline) {
                return false;
            }
            if (now >= nextTimer) {
                frame.fireTimers();
                nextTimer = now + std::chrono::milliseconds(kViewTimerMs);
            }
            if (!frame.eventHandlers.empty()) {
                pollfd watched{frame.eventHandlers.begin()->second, POLLIN, 0};
                if (poll(&watched, 1, 5) > 0 && (watched.revents & POLLIN) != 0) {
                    frame.fireEvents();
                }
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        return true;
    }

    std::vector<Window> children() { return childWindows(display, parent); }

    Window child() {
        const std::vector<Window> all = children();
        return all.size() == 1 ? all[0] : 0;
    }

    // The part of `window` inside the screen, from its top-left corner.
    Picture capture(Window window, int width, int height) {
        XWindowAttributes a{};
        XGetWindowAttributes(display, window, &a);
        return captureWindow(
            display, window, 0, 0,
            std::min({width, a.width, DisplayWidth(display, DefaultScreen(display))}),
            std::min({height, a.height, DisplayHeight(display, DefaultScreen(display))}));
    }

    // The window's picture once two captures in a row agree, `wait(done)` serving the editor
    // between them.
    template <typename Wait>
    Picture stillPicture(Wait&& wait, Window window, int width, int height) {
        Picture last;
        wait([&] {
            Picture now = capture(window, width, height);
            const bool settled = now.sameAs(last);
            last = std::move(now);
            return settled;
        });
        return last;
    }

    bool showsLogo(Window window, double scale) {
        return pixelAt(display, window, centreOf(33, scale), centreOf(30, scale)) == kGold;
    }

    void pressAt(Window window, int x, int y) {
        XEvent e{};
        e.type = ButtonPress;
        e.xbutton.window = window;
        e.xbutton.root = DefaultRootWindow(display);
        e.xbutton.x = x;
        e.xbutton.y = y;
        e.xbutton.button = Button1;
        e.xbutton.time = 1000;
        e.xbutton.same_screen = True;
        XSendEvent(display, window, False, ButtonPressMask, &e);
        e.type = ButtonRelease;
        XSendEvent(display, window, False, ButtonReleaseMask, &e);
        XSync(display, False);
    }

    Display* display = nullptr;
    Window parent = 0;
    CountedUnknown plugin;
    InstanceEngine engine;
    EditorState editor{engine};
    FakeFrame frame;
    IPlugView* view = nullptr;
    int handled = 0;
};

TEST_F(X11View, OpensAtEachScaleAndIsServedFromTheRunLoop) {
    for (double scale : {1.0, 2.0}) {
        ASSERT_TRUE(open(scale)) << scale;
        ASSERT_EQ(frame.eventHandlers.size(), 1u);
        const int fd = frame.eventHandlers.begin()->second;
        EXPECT_NE(fcntl(fd, F_GETFD), -1) << "not an open descriptor: " << fd;
        ASSERT_EQ(frame.timers.size(), 1u);
        EXPECT_EQ(frame.timers.begin()->second, kViewTimerMs);

        const Window shown = child();
        ASSERT_NE(shown, 0u);
        XWindowAttributes a{};
        XGetWindowAttributes(display, shown, &a);
        EXPECT_EQ(a.width, std::lround(920 * scale));
        EXPECT_EQ(a.height, std::lround(580 * scale));
        ViewRect r{};
        view->getSize(&r);
        EXPECT_EQ(r.right - r.left, a.width);
        EXPECT_EQ(r.bottom - r.top, a.height);

        EXPECT_TRUE(serveUntil([&] { return showsLogo(shown, scale); })) << scale;
        // The animation runs on the run loop's timer alone: five ticks.
        const float start = editor.animPhase;
        const int hooked = handled;
        EXPECT_TRUE(serveUntil([&] { return editor.animPhase > start + 0.19f; })) << scale;
        EXPECT_GE(handled, hooked + 5); // the hook ran after each tick

        close();
        EXPECT_TRUE(children().empty());
        EXPECT_TRUE(frame.eventHandlers.empty());
        EXPECT_TRUE(frame.timers.empty());
    }
    EXPECT_EQ(frame.refs, 1);
    EXPECT_EQ(plugin.refs, 1);
}

// At scale 1 the view shows exactly what the VST 2.4 editor shows, pixel for pixel.
TEST_F(X11View, PictureAtScaleOneIsTheVst24Editors) {
    const WindowHandle classic =
        createEditorWindow(reinterpret_cast<WindowHandle>(static_cast<std::uintptr_t>(parent)), 920,
                           580, processModuleHandle(), &editor);
    ASSERT_NE(classic, nullptr);
    stopAnimationTimer(classic); // one frame of the animation for both pictures
    const Window classicShown = child();
    auto pump = [&](const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            pumpEditorWindow(classic);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return done();
    };
    ASSERT_TRUE(pump([&] { return showsLogo(classicShown, 1.0); }));
    const Picture reference = stillPicture(pump, classicShown, 920, 580);
    destroyWindow(classic);
    ASSERT_EQ(reference.width, 920);
    ASSERT_EQ(reference.height, 580);
    const float phase = editor.animPhase;

    ASSERT_TRUE(open(1.0));
    stopAnimationTimer(editor.window.load());
    editor.animPhase = phase;
    invalidateWindow(editor.window.load());
    const Window shown = child();
    Picture seen;
    const bool same = serveUntil([&] {
        seen = capture(shown, 920, 580);
        return seen.sameAs(reference);
    });
    if (!same && seen.width == 920 && seen.height == 580) {
        ADD_FAILURE() << differingPixels(seen, reference)
                      << " pixels differ from the VST 2.4 editor's";
    }
    EXPECT_TRUE(same);
    close();
}

// At scale 2 the picture is drawn at its pixels, not enlarged: the header's one-pixel
// divider fills exactly two rows at the colour it has at scale 1, with the rows above
// and below it untouched.
TEST_F(X11View, PictureAtScaleTwoIsSharp) {
    ASSERT_TRUE(open(1.0));
    stopAnimationTimer(editor.window.load());
    Window shown = child();
    ASSERT_TRUE(serveUntil([&] { return showsLogo(shown, 1.0); }));
    const Picture one = capture(shown, 920, 580);
    close();
    ASSERT_EQ(one.width, 920);

    ASSERT_TRUE(open(2.0));
    stopAnimationTimer(editor.window.load());
    shown = child();
    ASSERT_TRUE(serveUntil([&] { return showsLogo(shown, 2.0); }));
    const Picture two = stillPicture(
        [&](const std::function<bool()>& done) { return serveUntil(done); }, shown, 1840, 1160);
    ASSERT_GE(two.height, 2 * kDividerRow + 3);

    for (int x = 2; x < 40; ++x) {
        const std::uint32_t line = one.at(x, kDividerRow);
        const std::uint32_t above = one.at(x, kDividerRow - 1);
        const std::uint32_t below = one.at(x, kDividerRow + 1);
        ASSERT_GE(channelDistance(line, above), 8) << "no divider at x " << x;
        ASSERT_GE(channelDistance(line, below), 8) << "no divider at x " << x;
        for (int px : {2 * x, 2 * x + 1}) {
            EXPECT_LE(channelDistance(two.at(px, 2 * kDividerRow), line), 2) << px;
            EXPECT_LE(channelDistance(two.at(px, 2 * kDividerRow + 1), line), 2) << px;
            EXPECT_LE(channelDistance(two.at(px, 2 * kDividerRow - 1), above), 2) << px;
            EXPECT_LE(channelDistance(two.at(px, 2 * kDividerRow + 2), below), 2) << px;
        }
    }
    close();
}

// A press the server reports at physical pixels reaches the editor at logical ones, and
// the hook reports it.
TEST_F(X11View, InputAtScaleTwoReachesTheEditorInLogicalPixels) {
    ASSERT_TRUE(open(2.0));
    const Window shown = child();
    ASSERT_TRUE(serveUntil([&] { return showsLogo(shown, 2.0); }));
    const int before = handled;
    pressAt(shown, 200, 100);
    EXPECT_TRUE(serveUntil([&] { return editor.lastClickX == 100 && editor.lastClickY == 50; }))
        << "press seen at (" << editor.lastClickX << ", " << editor.lastClickY << ")";
    EXPECT_GE(handled, before + 2); // the press and the release
    close();
}

TEST_F(X11View, ScaleChangeWhileOpenResizesTheWindowAndRedraws) {
    ASSERT_TRUE(open(1.0));
    const Window shown = child();
    ASSERT_TRUE(serveUntil([&] { return showsLogo(shown, 1.0); }));
    void* obj = nullptr;
    view->queryInterface(kIPlugViewContentScaleSupportIid.bytes, &obj);
    auto* scaling = static_cast<IPlugViewContentScaleSupport*>(obj);
    EXPECT_EQ(scaling->setContentScaleFactor(2.0f), kResultOk);
    scaling->release();
    ASSERT_EQ(frame.resizes.size(), 1u);
    EXPECT_EQ(frame.resizes[0].right - frame.resizes[0].left, 1840);
    EXPECT_EQ(frame.resizes[0].bottom - frame.resizes[0].top, 1160);
    XWindowAttributes a{};
    EXPECT_TRUE(serveUntil([&] {
        XGetWindowAttributes(display, shown, &a);
        return a.width == 1840 && a.height == 1160;
    })) << a.width
        << " x " << a.height;
    EXPECT_TRUE(serveUntil([&] { return showsLogo(shown, 2.0); }));
    close();
}

// Every window, connection, surface and registration goes with the view, however it ends.
TEST_F(X11View, OpenCloseReopenLeavesNothingBehind) {
    if (!haveXRes(display)) {
        GTEST_SKIP() << "the server has no X-Resource extension to count with";
    }
    // One round first: what stays for the process (fonts) is looked up once.
    ASSERT_TRUE(open(1.0));
    ASSERT_TRUE(serveUntil([&] { return showsLogo(child(), 1.0); }));
    close();
    XSync(display, False);
    const ServerCounts before = serverCounts(display);
    ASSERT_TRUE(before.valid());
    const int descriptors = openDescriptors();

    for (int i = 0; i < 20; ++i) {
        const double scale = i % 2 == 0 ? 1.0 : 2.0;
        ASSERT_TRUE(open(scale)) << i;
        const Window shown = child();
        ASSERT_TRUE(serveUntil([&] { return showsLogo(shown, scale); })) << i;
        if (i % 5 == 4) {
            // A host that lets go of the view without removing it first.
            view->release();
            view = nullptr;
        } else {
            view->removed();
            view->setFrame(nullptr);
            view->release();
            view = nullptr;
        }
        ASSERT_TRUE(children().empty()) << i;
        ASSERT_TRUE(frame.eventHandlers.empty()) << i;
        ASSERT_TRUE(frame.timers.empty()) << i;
    }
    XSync(display, False);
    const ServerCounts after = serverCounts(display);
    EXPECT_EQ(after.clients, before.clients);
    EXPECT_EQ(after.resources, before.resources);
    EXPECT_EQ(openDescriptors(), descriptors);
    EXPECT_EQ(frame.refs, 1);
    EXPECT_EQ(plugin.refs, 1);
    EXPECT_EQ(editor.window.load(), nullptr);
}

// A host may remove the view on another thread while its run loop serves the window.
TEST_F(X11View, RemovedFromAnotherThreadWhileTheRunLoopServes) {
    ASSERT_TRUE(open(2.0));
    ASSERT_EQ(frame.timers.size(), 1u);
    ASSERT_EQ(frame.eventHandlers.size(), 1u);
    ITimerHandler* timer = frame.timers.begin()->first;
    IEventHandler* events = frame.eventHandlers.begin()->first;
    const int fd = frame.eventHandlers.begin()->second;
    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        view->removed();
    });
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    while (std::chrono::steady_clock::now() < until) {
        timer->onTimer(); // including late calls, after the window has gone
        events->onFDIsSet(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    closer.join();
    EXPECT_TRUE(children().empty());
    EXPECT_EQ(editor.window.load(), nullptr);
    view->setFrame(nullptr);
    view->release();
    view = nullptr;
    EXPECT_EQ(plugin.refs, 1);
}

} // namespace
