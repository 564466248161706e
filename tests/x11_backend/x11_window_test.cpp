// The X11 window system on a real display: the editor's child window inside a host's
// window, its pump, input sent to it, its teardown from either thread, X errors, and the
// connections it leaves behind. Needs an X server: skipped when DISPLAY is unset (ctest
// runs these on a virtual server of their own, see x11_backend.cmake).

// GoogleTest comes first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include "dsp/instance_engine.h"
#include "editor/editor_state.h"
#include "editor/layout.h"
#include "editor/window_system.h"
#include "tests/x11/x11_picture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kWidth = 920;
constexpr int kHeight = 580;
constexpr unsigned long kGold = 0xF0CB64; // the logo's bar at (33, 30)

// Waits for `done`, pumping the editor as a host's idle timer would; the deadline only
// ends a wait for something that never comes.
bool pumpUntil(WindowHandle window, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        pumpEditorWindow(window);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

int openDescriptors() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count;
}

int hostErrors = 0;
int countHostError(Display*, XErrorEvent*) {
    ++hostErrors;
    return 0;
}

WindowHandle asHandle(Window window) {
    return reinterpret_cast<WindowHandle>(static_cast<std::uintptr_t>(window));
}

// A host: its own connection and a top-level window of the editor's size.
struct X11Host : ::testing::Test {
    Display* display = nullptr;
    Window parent = 0;
    InstanceEngine engine;
    EditorState editor{engine};
    XErrorHandler before = nullptr;

    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "DISPLAY is unset: no X server to open windows on";
        }
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "DISPLAY is set but its server cannot be reached";
        before = XSetErrorHandler(countHostError);
        hostErrors = 0;
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, 0,
                                     0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
    }

    void TearDown() override {
        if (display != nullptr) {
            XDestroyWindow(display, parent);
            XSync(display, False);
            XSetErrorHandler(before);
            XCloseDisplay(display);
        }
    }

    WindowHandle open() {
        return createEditorWindow(asHandle(parent), kWidth, kHeight, processModuleHandle(),
                                  &editor);
    }

    std::vector<Window> children() { return childWindows(display, parent); }

    Window child() {
        const std::vector<Window> all = children();
        return all.size() == 1 ? all[0] : 0;
    }

    unsigned long pixel(Window window, int x, int y) { return pixelAt(display, window, x, y); }

    // Input as the server delivers it to the editor's window.
    void send(Window window, XEvent& event, long mask) {
        event.xany.window = window;
        XSendEvent(display, window, False, mask, &event);
        XSync(display, False);
    }

    void click(Window window, int x, int y) {
        XEvent e{};
        e.type = ButtonPress;
        e.xbutton.root = DefaultRootWindow(display);
        e.xbutton.x = x;
        e.xbutton.y = y;
        e.xbutton.button = Button1;
        e.xbutton.same_screen = True;
        send(window, e, ButtonPressMask);
        e.type = ButtonRelease;
        send(window, e, ButtonReleaseMask);
    }

    void pressDelete(Window window) {
        XEvent e{};
        e.type = KeyPress;
        e.xkey.root = DefaultRootWindow(display);
        e.xkey.keycode = XKeysymToKeycode(display, XK_Delete);
        e.xkey.same_screen = True;
        send(window, e, KeyPressMask);
    }

    std::size_t bands() {
        const std::lock_guard<std::mutex> guard(engine.lock);
        return engine.edit.bands.size();
    }
};

} // namespace

TEST(X11Display, UnreachableDisplayGivesNoWindow) {
    const char* was = std::getenv("DISPLAY");
    const std::string saved = was != nullptr ? was : "";
    setenv("DISPLAY", ":4093", 1); // no server listens there
    InstanceEngine engine;
    EditorState editor{engine};
    const WindowHandle window = createEditorWindow(reinterpret_cast<WindowHandle>(0x200001), kWidth,
                                                   kHeight, processModuleHandle(), &editor);
    EXPECT_EQ(window, nullptr);
    if (was != nullptr) {
        setenv("DISPLAY", saved.c_str(), 1);
    } else {
        unsetenv("DISPLAY");
    }
    EXPECT_TRUE(platformHasEditor());
    EXPECT_FALSE(windowIsAlive(nullptr));
    pumpEditorWindow(nullptr);
    invalidateWindow(nullptr);
    destroyWindow(nullptr);
}

TEST(X11Display, GraphicsSessionsHaveTokens) {
    const std::uintptr_t first = startGraphicsSession();
    const std::uintptr_t second = startGraphicsSession();
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, 0u);
    EXPECT_NE(first, second);
    shutdownGraphicsSession(second);
    shutdownGraphicsSession(first);
    shutdownGraphicsSession(0);
}

TEST_F(X11Host, OpensAChildOfTheParentAndPaintsTheEditor) {
    const WindowHandle window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(windowIsAlive(window));
    const Window shown = child();
    ASSERT_NE(shown, 0u);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, shown, &attributes);
    EXPECT_EQ(attributes.width, kWidth);
    EXPECT_EQ(attributes.height, kHeight);
    EXPECT_EQ(attributes.map_state, IsViewable);
    EXPECT_TRUE(pumpUntil(window, [&] { return pixel(shown, 33, 30) == kGold; }))
        << std::hex << pixel(shown, 33, 30);
    destroyWindow(window);
    EXPECT_FALSE(windowIsAlive(window));
    EXPECT_TRUE(children().empty());
    EXPECT_EQ(hostErrors, 0);
}

TEST_F(X11Host, ClickTakesTheKeyboardAndDeleteRemovesTheSelectedBand) {
    const WindowHandle window = open();
    ASSERT_NE(window, nullptr);
    const Window shown = child();
    const std::size_t before = bands();
    click(shown, chipX(2) + 10, kChipTop + 10); // selects band 3 by its chip
    EXPECT_TRUE(pumpUntil(window, [&] {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        return focus == shown;
    }));
    EXPECT_TRUE(pumpUntil(window, [&] { return editor.selectedBand == 2; }));
    pressDelete(shown);
    EXPECT_TRUE(pumpUntil(window, [&] { return bands() == before - 1; }));
    destroyWindow(window);
}

TEST_F(X11Host, AnimationTicksWhilePumped) {
    const WindowHandle window = open();
    ASSERT_NE(window, nullptr);
    const float start = editor.animPhase;
    // A tick every 33 ms or more: five of them take at least 165 ms.
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_TRUE(pumpUntil(window, [&] { return editor.animPhase > start + 0.19f; }));
    EXPECT_GE(std::chrono::steady_clock::now() - begun, std::chrono::milliseconds(160));
    stopAnimationTimer(window);
    const float stopped = editor.animPhase;
    for (int i = 0; i < 20; ++i) {
        pumpEditorWindow(window);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(editor.animPhase, stopped);
    destroyWindow(window);
}

// A host may close the instance on another thread while its UI thread idles the editor.
TEST_F(X11Host, DestroyFromAnotherThreadWhileTheUiThreadPumps) {
    const WindowHandle window = open();
    ASSERT_NE(window, nullptr);
    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        destroyWindow(window);
    });
    EXPECT_TRUE(pumpUntil(window, [&] { return !windowIsAlive(window); }));
    closer.join();
    for (int i = 0; i < 5; ++i) {
        pumpEditorWindow(window); // a late idle call for the dead window
        invalidateWindow(window);
    }
    EXPECT_TRUE(children().empty());
}

TEST_F(X11Host, NoWindowForAParentThatIsNoWindow) {
    const WindowHandle window =
        createEditorWindow(asHandle(0x3FFFFFF0), kWidth, kHeight, processModuleHandle(), &editor);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(hostErrors, 0); // the error was the editor's, on its own connection
}

// While an editor is open its error handler stands in front of the host's, and must
// pass the host's own errors on; once the last editor is gone the host's is back.
TEST_F(X11Host, HostErrorsStillReachTheHostsHandler) {
    const WindowHandle window = open();
    ASSERT_NE(window, nullptr);
    XMapWindow(display, 0x3FFFFFF0);
    XSync(display, False);
    EXPECT_EQ(hostErrors, 1);
    destroyWindow(window);
    EXPECT_EQ(XSetErrorHandler(countHostError), &countHostError);
}

TEST_F(X11Host, ParentDestroyedBeforeTheEditorCloses) {
    const WindowHandle window = open();
    ASSERT_NE(window, nullptr);
    XDestroyWindow(display, parent);
    XSync(display, False);
    for (int i = 0; i < 20; ++i) {
        pumpEditorWindow(window);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    destroyWindow(window);
    EXPECT_FALSE(windowIsAlive(window));
    parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    EXPECT_EQ(hostErrors, 0);
}

// Each window's connection, surfaces and layer go with it.
TEST_F(X11Host, OpenCloseCyclesLeaveNoConnectionOrWindowBehind) {
    const int descriptors = openDescriptors();
    for (int i = 0; i < 25; ++i) {
        const WindowHandle window = open();
        ASSERT_NE(window, nullptr) << i;
        const Window shown = child();
        ASSERT_TRUE(pumpUntil(window, [&] { return pixel(shown, 33, 30) == kGold; })) << i;
        destroyWindow(window);
        ASSERT_TRUE(children().empty()) << i;
    }
    EXPECT_EQ(openDescriptors(), descriptors);
}
