// The VST 3 editor view on Win32 + GDI+, built like the plug-in and run under wine: the
// window it opens inside a host's HWND at content scales 1 and 2, its picture against the
// VST 2.4 editor's, the picture at scale 2 drawn at its own pixels, mouse input mapped to
// logical pixels with the hook after it, and its closing (also from another thread).
//
//     view_check.exe
//
// Prints one line per failed check and "N passed, N failed"; the exit code is the number
// of failures.
#include "dsp/instance_engine.h"
#include "editor/editor_state.h"
#include "editor/window_system.h"
#include "tests/unit/vst3_view_fakes.h"
#include "tests/vst3/editor_image.h"
#include "tests/wine/check_support.h"
#include "vst3/plug_view.h"

#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace vst3;
using viewtest::CountedUnknown;
using viewtest::FakeFrame;

constexpr std::uint32_t kGold = 0xF0CB64; // the logo's bar at logical (33, 30)
constexpr int kDividerRow = 52;           // the header's one-pixel divider, left of the graph

int centreOf(int logical, double scale) {
    return static_cast<int>(std::floor((logical + 0.5) * scale));
}

using Picture = vst3check::Image;
using vst3check::channelDistance;

// The window's client area as its DC shows it, at most `maxWidth` x `maxHeight`.
Picture capture(HWND window, int maxWidth, int maxHeight) {
    Picture picture;
    RECT client{};
    GetClientRect(window, &client);
    const int width = std::min<int>(client.right, maxWidth);
    const int height = std::min<int>(client.bottom, maxHeight);
    picture.pixels = check::clientPixels(window, 0, 0, width, height);
    if (!picture.empty()) {
        picture.width = width;
        picture.height = height;
    }
    return picture;
}

LRESULT CALLBACK hostWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, msg, wParam, lParam);
}

// The host's frame window: a plain top-level window the size of the screen.
HWND makeHostWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = hostWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TolvaneViewTestHost";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "TolvaneViewTestHost", "host", WS_POPUP | WS_VISIBLE, 0, 0,
                           GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

int childCount(HWND parent) {
    int count = 0;
    EnumChildWindows(
        parent,
        [](HWND, LPARAM counter) -> BOOL {
            ++*reinterpret_cast<int*>(counter);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

struct Session {
    HWND host = nullptr;
    CountedUnknown plugin;
    InstanceEngine engine;
    EditorState editor{engine};
    FakeFrame frame{false}; // Windows hosts serve the window from their message loop
    IPlugView* view = nullptr;
    int handled = 0;

    bool open(double scale) {
        PlugViewOwner owner;
        owner.keepAlive = &plugin;
        owner.editor = &editor;
        owner.eventHandled = [](void* context) { ++static_cast<Session*>(context)->handled; };
        owner.context = this;
        view = createPlugViewFor(owner);
        if (view == nullptr) {
            return false;
        }
        view->setFrame(&frame);
        setScale(scale);
        return view->attached(host, kPlatformTypeHWND) == kResultOk;
    }
    tresult setScale(double scale) {
        void* obj = nullptr;
        view->queryInterface(kIPlugViewContentScaleSupportIid.bytes, &obj);
        auto* scaling = static_cast<IPlugViewContentScaleSupport*>(obj);
        const tresult answer = scaling->setContentScaleFactor(static_cast<float>(scale));
        scaling->release();
        return answer;
    }
    HWND window() const { return static_cast<HWND>(editor.window.load()); }
    void close() {
        view->removed();
        view->setFrame(nullptr);
        view->release();
        view = nullptr;
    }
    // A paint of the whole window, done by the time this returns.
    Picture paintAndCapture(int maxWidth, int maxHeight) {
        InvalidateRect(window(), nullptr, FALSE);
        UpdateWindow(window());
        check::deliverQueued();
        return capture(window(), maxWidth, maxHeight);
    }
};

void checkPlatformType(Session& s) {
    check::expect(s.open(1.0), "type", "no view opened in an HWND");
    check::expect(s.view->isPlatformTypeSupported(kPlatformTypeHWND) == kResultTrue, "type",
                  "HWND refused");
    check::expect(s.view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) == kResultFalse,
                  "type", "X11EmbedWindowID taken on Windows");
    s.close();
}

// The VST 2.4 editor's picture, then the view's at scale 1: the same pixels.
Picture checkScaleOneIsTheVst24Picture(Session& s) {
    registerEditorWindowClass(processModuleHandle());
    WindowHandle classic = createEditorWindow(s.host, 920, 580, processModuleHandle(), &s.editor);
    check::expect(classic != nullptr, "scale 1", "no VST 2.4 editor window");
    if (classic == nullptr) {
        return {};
    }
    stopAnimationTimer(classic); // one frame of the animation for both pictures
    InvalidateRect(static_cast<HWND>(classic), nullptr, FALSE);
    UpdateWindow(static_cast<HWND>(classic));
    const Picture reference = capture(static_cast<HWND>(classic), 920, 580);
    destroyWindow(classic);
    const float phase = s.editor.animPhase;

    check::expect(s.open(1.0), "scale 1", "no view");
    RECT client{};
    GetClientRect(s.window(), &client);
    check::expect(client.right == 920 && client.bottom == 580, "scale 1",
                  "window " + check::str(client.right) + " x " + check::str(client.bottom));
    stopAnimationTimer(s.window());
    s.editor.animPhase = phase;
    const Picture seen = s.paintAndCapture(920, 580);
    const auto differing = static_cast<long long>(vst3check::differingPixels(seen, reference));
    check::expect(reference.width == 920 && reference.height == 580, "scale 1",
                  "VST 2.4 picture not captured");
    check::expect(seen.pixels.size() == reference.pixels.size() && differing == 0, "scale 1",
                  check::str(differing) + " pixels differ from the VST 2.4 editor's");
    check::expect(seen.width > 0 && seen.at(33, 30) == kGold, "scale 1", "no logo");
    return seen;
}

// Rescaled while open: the window grows, the frame is asked to, and the picture is drawn
// at the new pixels: the one-pixel divider fills exactly two rows at its own colour.
void checkScaleTwoIsSharp(Session& s, const Picture& one) {
    check::expect(s.setScale(2.0) == kResultOk, "scale 2", "factor refused");
    RECT client{};
    GetClientRect(s.window(), &client);
    check::expect(client.right == 1840 && client.bottom == 1160, "scale 2",
                  "window " + check::str(client.right) + " x " + check::str(client.bottom));
    check::expect(s.frame.resizes.size() == 1 && s.frame.resizes.back().right == 1840 &&
                      s.frame.resizes.back().bottom == 1160,
                  "scale 2", "frame not asked for 1840 x 1160");
    const Picture two = s.paintAndCapture(400, 400);
    check::expect(two.width == 400 && two.height == 400, "scale 2", "nothing captured");
    if (two.width < 400 || one.width < 920) {
        return;
    }
    check::expect(two.at(centreOf(33, 2.0), centreOf(30, 2.0)) == kGold, "scale 2", "no logo");
    int blurred = 0;
    for (int x = 2; x < 40; ++x) {
        const std::uint32_t line = one.at(x, kDividerRow);
        const std::uint32_t above = one.at(x, kDividerRow - 1);
        const std::uint32_t below = one.at(x, kDividerRow + 1);
        check::expect(channelDistance(line, above) >= 8 && channelDistance(line, below) >= 8,
                      "scale 2", "no divider at scale 1, x " + check::str(x));
        for (int px : {2 * x, 2 * x + 1}) {
            const bool sharp = channelDistance(two.at(px, 2 * kDividerRow), line) <= 2 &&
                               channelDistance(two.at(px, 2 * kDividerRow + 1), line) <= 2 &&
                               channelDistance(two.at(px, 2 * kDividerRow - 1), above) <= 2 &&
                               channelDistance(two.at(px, 2 * kDividerRow + 2), below) <= 2;
            blurred += sharp ? 0 : 1;
        }
    }
    check::expect(blurred == 0, "scale 2", check::str(blurred) + " divider columns not sharp");
}

// A press at physical (200, 100) reaches the editor at logical (100, 50), and the hook
// follows it, the release and the timer's ticks.
void checkInputAndHook(Session& s) {
    const int before = s.handled;
    PostMessageA(s.window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 100));
    PostMessageA(s.window(), WM_LBUTTONUP, 0, MAKELPARAM(200, 100));
    check::expect(check::deliverQueued(), "input", "posted messages not handled");
    check::expect(s.editor.lastClickX == 100 && s.editor.lastClickY == 50, "input",
                  "press seen at (" + check::str(s.editor.lastClickX) + ", " +
                      check::str(s.editor.lastClickY) + ")");
    check::expect(s.handled == before + 2, "hook",
                  "hook ran " + check::str(s.handled - before) + " times for two messages");
    startAnimationTimer(s.window());
    const float phase = s.editor.animPhase;
    const int ticksBefore = s.handled;
    check::expect(check::pumpUntil([&] { return s.handled >= ticksBefore + 3; }), "hook",
                  "no hook after timer ticks");
    check::expect(s.editor.animPhase > phase, "hook", "ticks did not animate");
}

void checkOpenCloseCycles(Session& s) {
    for (int i = 0; i < 20; ++i) {
        if (!check::expect(s.open(i % 2 == 0 ? 1.0 : 2.0), "cycles", "open " + check::str(i))) {
            return;
        }
        HWND window = s.window();
        check::deliverQueued();
        if (i % 5 == 4) {
            s.view->release(); // a host that lets go without removing the view first
            s.view = nullptr;
        } else {
            s.close();
        }
        check::expect(IsWindow(window) == FALSE, "cycles", "window left open " + check::str(i));
    }
    check::expect(childCount(s.host) == 0, "cycles", "child windows left behind");
    check::expect(s.plugin.refs == 1, "cycles", "plug-in references " + check::str(s.plugin.refs));
    check::expect(s.frame.refs == 1, "cycles", "frame references " + check::str(s.frame.refs));
}

// The window belongs to this thread; a removal from another one leaves it to be destroyed
// here, with nothing reaching the editor in between.
void checkRemovedFromAnotherThread(Session& s) {
    check::expect(s.open(1.5), "thread", "no view");
    HWND window = s.window();
    std::thread closer([&] { s.view->removed(); });
    check::expect(check::pumpUntil([&] { return IsWindow(window) == FALSE; }), "thread",
                  "window still open after a removal from another thread");
    closer.join();
    check::expect(s.editor.window.load() == nullptr, "thread", "editor still names the window");
    s.view->setFrame(nullptr);
    s.view->release();
    s.view = nullptr;
}

} // namespace

int main() {
    const std::uintptr_t graphics = startGraphicsSession();
    check::expect(graphics != 0, "setup", "GDI+ did not start");
    Session s;
    s.host = makeHostWindow();
    check::expect(s.host != nullptr, "setup", "no host window");
    if (s.host != nullptr) {
        checkPlatformType(s);
        const Picture one = checkScaleOneIsTheVst24Picture(s);
        if (s.view != nullptr) {
            checkScaleTwoIsSharp(s, one);
            checkInputAndHook(s);
            s.close();
        }
        checkOpenCloseCycles(s);
        checkRemovedFromAnotherThread(s);
        DestroyWindow(s.host);
    }
    shutdownGraphicsSession(graphics);
    return check::finish();
}
