// The editor view on Windows (run under wine), as a Windows VST 3 host shows it: a child
// of the host's HWND living on the host's message loop, at content scales 1 to 2. At
// scale 1 it must draw exactly what the VST 2.4 editor draws; at scale 2 it must be drawn
// at that scale.
//
// Pictures are taken before any animation tick (WM_TIMER is left in the queue), so both
// editors show their first frame. A window larger than the screen is captured in parts,
// the host's window moved so each part is on the screen in turn.
#include "tests/vst3/editor_view_checks.h"
#include "tests/wine/check_support.h"

#include <windows.h>

#include <algorithm>

using namespace vst3;
using namespace vst3host;

namespace vst3check {

namespace {

constexpr const char* kGroup = kEditorGroup;

// Paints and whatever the window system sends, never an animation step.
bool settle() {
    return check::settleWithoutTicks();
}

HWND makeFrame(int width, int height) {
    static const ATOM registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = "TolvaneVst3HostFrame";
        return RegisterClassA(&wc);
    }();
    if (registered == 0) {
        return nullptr;
    }
    HWND frame = CreateWindowExA(0, "TolvaneVst3HostFrame", "Tolvane-Q VST 3 host",
                                 WS_POPUP | WS_CLIPCHILDREN, 0, 0, width, height, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    if (frame != nullptr) {
        ShowWindow(frame, SW_SHOWNORMAL);
        UpdateWindow(frame);
        settle();
    }
    return frame;
}

HWND firstChild(HWND frame) {
    return frame != nullptr ? GetWindow(frame, GW_CHILD) : nullptr;
}

int childCount(HWND frame) {
    int n = 0;
    for (HWND w = firstChild(frame); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        ++n;
    }
    return n;
}

// The window's client pixels, part by part where it is larger than the screen.
Image grab(HWND frame, HWND window) {
    Image image;
    RECT client{};
    if (window == nullptr || !GetClientRect(window, &client) || client.right <= 0) {
        return image;
    }
    const int width = client.right;
    const int height = client.bottom;
    const int screenW = GetSystemMetrics(SM_CXSCREEN);
    const int screenH = GetSystemMetrics(SM_CYSCREEN);
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    for (int top = 0; top < height; top += screenH) {
        for (int left = 0; left < width; left += screenW) {
            if (left != 0 || top != 0) {
                SetWindowPos(frame, nullptr, -left, -top, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            UpdateWindow(window);
            if (!settle()) {
                return {};
            }
            const int w = std::min(screenW, width - left);
            const int h = std::min(screenH, height - top);
            const std::vector<std::uint32_t> part = check::clientPixels(window, left, top, w, h);
            for (int y = 0; y < h && !part.empty(); ++y) {
                std::copy(part.begin() + static_cast<std::ptrdiff_t>(y) * w,
                          part.begin() + static_cast<std::ptrdiff_t>(y + 1) * w,
                          image.pixels.begin() +
                              static_cast<std::ptrdiff_t>((top + y) * width + left));
            }
        }
    }
    SetWindowPos(frame, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    settle();
    return image;
}

// One view of the plug-in in a host window of its own. Windows views take no run loop; the
// frame offers none.
struct ViewSession : ViewParts {
    explicit ViewSession(Plugin& plugin) : ViewParts(plugin, false) {}
    ~ViewSession() { close(); }

    // The view made, then attached() to a host window of its size; its messages but no
    // timer delivered.
    bool open(float factor) {
        if (!create(factor)) {
            return false;
        }
        window = makeFrame(width, height);
        attached = window != nullptr && view->attached(window, kPlatformTypeHWND) == kResultOk;
        return attached && settle() && firstChild(window) != nullptr;
    }

    void close() {
        release();
        if (window != nullptr) {
            DestroyWindow(window);
            window = nullptr;
            settle();
        }
    }

    HWND window = nullptr;
};

Image vst2Picture(const std::string& path) {
    Vst2Plugin vst2(path);
    if (!expect(vst2.ok(), kGroup, "VST 2.4 build loads")) {
        return {};
    }
    HWND window = makeFrame(920, 580);
    AEffect* e = vst2.effect;
    e->dispatcher(e, effEditOpen, 0, 0, window, 0.0f);
    Image picture;
    if (settle()) {
        picture = grab(window, firstChild(window));
    }
    e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f);
    DestroyWindow(window);
    settle();
    return picture;
}

void checkPlatformAnswers(Plugin& plugin) {
    expect(plugin.controller->createView("no such view") == nullptr, kGroup,
           "only the \"editor\" view is made");
    ViewSession s(plugin);
    s.view = Ref<IPlugView>::adopt(plugin.controller->createView(kEditorViewName));
    if (!expect(static_cast<bool>(s.view), kGroup, "createView(\"editor\")")) {
        return;
    }
    expect(s.view->isPlatformTypeSupported(kPlatformTypeHWND) == kResultTrue, kGroup,
           "HWND supported");
    expect(s.view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) != kResultTrue, kGroup,
           "X11EmbedWindowID not supported");
    s.scale = query<IPlugViewContentScaleSupport>(s.view.get(), kIPlugViewContentScaleSupportIid);
    if (!expect(static_cast<bool>(s.scale), kGroup, "view answers IPlugViewContentScaleSupport")) {
        return;
    }
    checkSizesAtEachScale(*s.view.get(), *s.scale.get());
    s.scale->setContentScaleFactor(1.0f);
    HWND window = makeFrame(920, 580);
    expect(s.view->attached(window, kPlatformTypeX11EmbedWindowID) != kResultOk, kGroup,
           "attached as X11EmbedWindowID refused");
    expect(s.view->attached(nullptr, kPlatformTypeHWND) != kResultOk, kGroup,
           "attached to no parent refused");
    expect(childCount(window) == 0, kGroup, "refused attachments leave no window");
    DestroyWindow(window);
    settle();
}

void checkPictures(Context& context, Plugin& plugin) {
    const Image reference = vst2Picture(context.vst2Path);
    Image one;
    {
        ViewSession s(plugin);
        if (!expect(s.open(1.0f), kGroup, "view opens at scale 1")) {
            return;
        }
        RECT client{};
        GetClientRect(firstChild(s.window), &client);
        expect(childCount(s.window) == 1 && client.right == 920 && client.bottom == 580, kGroup,
               "one editor window of 920x580 (" + sizeText(client.right, client.bottom) + ")");
        one = grab(s.window, firstChild(s.window));
        expect(!one.empty() && colourCount(one) > 16, kGroup,
               "scale 1 picture is painted (" + std::to_string(colourCount(one)) + " colours)");
        expect(writePpm(one, context.outDir + "/" + context.prefix + "-x1.ppm"), kGroup,
               "scale 1 picture written");
        // The animation runs from the host's message loop.
        const check::WindowWatch watch(firstChild(s.window));
        expect(watch.waitForTickedPaints(2), kGroup, "the editor ticks and repaints");
    }
    if (!reference.empty()) {
        writePpm(reference, context.outDir + "/" + context.prefix + "-vst2.ppm");
    }
    const std::size_t differing = differingPixels(one, reference);
    std::printf("scale 1 against the VST 2.4 editor: %zu of %zu pixels differ\n", differing,
                reference.pixels.size());
    expect(!reference.empty() && differing == 0, kGroup,
           "scale 1 equals the VST 2.4 editor pixel for pixel (" + std::to_string(differing) +
               " differ)");

    ViewSession s(plugin);
    if (!expect(s.open(2.0f), kGroup, "view opens at scale 2")) {
        return;
    }
    RECT client{};
    GetClientRect(firstChild(s.window), &client);
    expect(client.right == 1840 && client.bottom == 1160, kGroup,
           "scale 2 window is 1840x1160 (" + sizeText(client.right, client.bottom) + ")");
    const Image two = grab(s.window, firstChild(s.window));
    expect(writePpm(two, context.outDir + "/" + context.prefix + "-x2.ppm"), kGroup,
           "scale 2 picture written");
    checkDrawnAtScaleTwo(one, two);
}

void checkRescale(Plugin& plugin) {
    ViewSession s(plugin);
    if (!expect(s.open(1.0f) && s.scale, kGroup, "view opens for a scale change")) {
        return;
    }
    expect(s.scale->setContentScaleFactor(2.0f) == kResultOk, kGroup,
           "scale changed while attached");
    expect(!s.frame.resizes.empty() && s.frame.resizes.back().right == 1840 &&
               s.frame.resizes.back().bottom == 1160,
           kGroup, "the frame is asked for 1840x1160");
    SetWindowPos(s.window, nullptr, 0, 0, 1840, 1160, SWP_NOMOVE | SWP_NOZORDER);
    settle();
    RECT client{};
    GetClientRect(firstChild(s.window), &client);
    expect(client.right == 1840 && client.bottom == 1160, kGroup,
           "the window follows to " + sizeText(client.right, client.bottom));
}

DWORD gdiObjects() {
    return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
}

void checkOpenClose(Plugin& plugin) {
    const uint32 pluginRefs = referencesTo(plugin.component.get());
    DWORD gdiAfterFirst = 0;
    int failures = 0;
    for (int cycle = 0; cycle < 20; ++cycle) {
        ViewSession s(plugin);
        const bool opened = s.open(cycle % 2 == 0 ? 1.0f : 2.0f);
        bool ticked = false;
        bool again = false;
        if (opened) {
            {
                const check::WindowWatch watch(firstChild(s.window));
                ticked = watch.waitForTickedPaints(1);
            }
            s.view->removed();
            again = childCount(s.window) == 0 &&
                    s.view->attached(s.window, kPlatformTypeHWND) == kResultOk && settle();
            s.attached = again;
        }
        HWND window = s.window;
        s.view->removed();
        s.attached = false;
        const bool childless = childCount(window) == 0;
        s.close();
        const bool released = s.frame.refs() == 1;
        if (!(opened && ticked && again && childless && released) && ++failures == 1) {
            expect(false, kGroup,
                   "cycle " + std::to_string(cycle) + ": opened " + std::to_string(opened) +
                       ", ticked " + std::to_string(ticked) + ", reattached " +
                       std::to_string(again) + ", no window left " + std::to_string(childless) +
                       ", frame released " + std::to_string(released));
        }
        if (cycle == 0) {
            gdiAfterFirst = gdiObjects();
        }
    }
    const DWORD gdiAfterAll = gdiObjects();
    expect(failures == 0, kGroup,
           "20 open/close cycles clean (" + std::to_string(failures) + " not)");
    expect(gdiAfterAll <= gdiAfterFirst, kGroup,
           "GDI objects after one cycle " + std::to_string(gdiAfterFirst) + ", after twenty " +
               std::to_string(gdiAfterAll));
    const uint32 refsNow = referencesTo(plugin.component.get());
    expect(refsNow == pluginRefs, kGroup,
           "the views gave back their references to the plug-in (" + std::to_string(pluginRefs) +
               " before, " + std::to_string(refsNow) + " after)");

    // Closed from another thread while this one delivers the window's messages.
    ViewSession s(plugin);
    if (!expect(s.open(1.0f), kGroup, "view opens for the close from another thread")) {
        return;
    }
    closeFromAnotherThread(s, [](auto&& done) { return check::pumpUntil(done); });
    expect(check::pumpUntil([&] { return childCount(s.window) == 0; }), kGroup,
           "the editor window goes away after the close from a thread");
    s.view.reset();
    s.scale.reset();
    expect(s.frame.refs() == 1, kGroup, "frame released");
}

// A click on the editor's bypass button at scale 2 (the view maps physical pixels back to
// its own): reported to the host as one edit of parameter 4. A value the host set itself
// is not reported back.
void checkEdits(Plugin& plugin) {
    ComponentHandler handler;
    expect(plugin.controller->setComponentHandler(&handler) == kResultOk && handler.refs() > 1,
           kGroup, "the plug-in holds the component handler");
    plugin.controller->setParamNormalized(0, 0.6);
    {
        ViewSession s(plugin);
        if (!expect(s.open(2.0f), kGroup, "view opens for edits")) {
            plugin.controller->setComponentHandler(nullptr);
            return;
        }
        HWND editor = firstChild(s.window);
        {
            const check::WindowWatch watch(editor);
            watch.waitForTickedPaints(2);
        }
        checkHostChangeNotReported(handler);
        // The middle of the bypass button (790..895 x 492..530 in the editor's pixels).
        const LPARAM at = MAKELPARAM(2 * 842, 2 * 511);
        checkBypassClicks(
            plugin, handler,
            [&] {
                PostMessageA(editor, WM_MOUSEMOVE, 0, at);
                PostMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, at);
                PostMessageA(editor, WM_LBUTTONUP, 0, at);
            },
            [](auto&& done) { return check::pumpUntil(done); });
    }
    plugin.controller->setComponentHandler(nullptr);
    expect(handler.refs() == 1, kGroup, "the handler is released when the host takes it back");
    plugin.controller->setParamNormalized(0, 0.5);
}

} // namespace

void checkEditor(Context& context) {
    Plugin plugin(*context.module);
    if (!expect(plugin.ok() && plugin.start(), kGroup, "instance starts")) {
        return;
    }
    checkPlatformAnswers(plugin);
    checkPictures(context, plugin);
    checkRescale(plugin);
    checkEdits(plugin);
    checkOpenClose(plugin);
    plugin.stop();
}

} // namespace vst3check
