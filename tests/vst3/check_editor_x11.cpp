// The editor view on an X display, as a Linux VST 3 host shows it: embedded in the host's
// window by X11 id, served from the host's run loop (the view registers its connection and
// a 33 ms timer there), at content scales 1 to 2. At scale 1 it must draw exactly what
// the VST 2.4 editor draws; at scale 2 it must be drawn at that scale.
//
// Needs a display with a screen of at least 1840x1160 (tests/x11/run-under-xvfb.sh --screen).
#include "tests/vst3/editor_view_checks.h"
#include "tests/x11/x11_picture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <thread>

using namespace vst3;
using namespace vst3host;

namespace vst3check {

namespace {

constexpr const char* kGroup = kEditorGroup;
constexpr int kDeadlineMs = 60000;

// The host's connection: its windows, the damage they report and pictures of them.
class XHost {
  public:
    bool open() {
        display = XOpenDisplay(nullptr);
        int error = 0;
        return display != nullptr && XDamageQueryExtension(display, &damageBase, &error) != 0;
    }
    ~XHost() {
        if (display != nullptr) {
            XCloseDisplay(display);
        }
    }

    // A mapped top-level window of the view's size, its paints counted from now on.
    Window makeParent(int width, int height) {
        XSetWindowAttributes attributes{};
        attributes.background_pixel = BlackPixel(display, DefaultScreen(display));
        attributes.event_mask = StructureNotifyMask;
        attributes.override_redirect = True;
        const Window w = XCreateWindow(display, DefaultRootWindow(display), 0, 0,
                                       static_cast<unsigned>(width), static_cast<unsigned>(height),
                                       0, CopyFromParent, InputOutput, CopyFromParent,
                                       CWBackPixel | CWEventMask | CWOverrideRedirect, &attributes);
        XMapWindow(display, w);
        damage = XDamageCreate(display, w, XDamageReportNonEmpty);
        XSync(display, False);
        bool mapped = false;
        waitFor([&] { return mapped; },
                [&](const XEvent& e) {
                    mapped = mapped || (e.type == MapNotify && e.xmap.window == w);
                });
        return w;
    }
    void destroyParent(Window w) {
        XDamageDestroy(display, damage);
        damage = 0;
        XDestroyWindow(display, w);
        XSync(display, False);
    }

    // Takes the events that have come; counts the paints.
    template <typename Each> void takeEvents(Each&& each) {
        while (XPending(display) > 0) {
            XEvent e;
            XNextEvent(display, &e);
            if (e.type == damageBase + XDamageNotify) {
                XDamageSubtract(display, damage, None, None);
                ++paints;
            }
            each(e);
        }
    }
    void takeEvents() {
        takeEvents([](const XEvent&) {});
    }

    // Waits on the connection until `done()`; false after the deadline.
    template <typename Done, typename Each> bool waitFor(Done&& done, Each&& each) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDeadlineMs);
        XFlush(display);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            takeEvents(each);
            if (!done()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
        return true;
    }

    // What the server has once our requests so far are done.
    Image capture(Window w, int width, int height) {
        XSync(display, False);
        return captureWindow(display, w, 0, 0, width, height);
    }

    std::vector<Window> children(Window parent) {
        XSync(display, False);
        return childWindows(display, parent);
    }

    bool size(Window w, int& width, int& height) {
        XWindowAttributes a{};
        XSync(display, False);
        if (XGetWindowAttributes(display, w, &a) == 0) {
            return false;
        }
        width = a.width;
        height = a.height;
        return true;
    }

    // Connections the X server has open (each editor window may hold its own).
    int clients() {
        int count = -1;
        XResClient* list = nullptr;
        XSync(display, False);
        if (XResQueryClients(display, &count, &list) == 0) {
            return -1;
        }
        XFree(list);
        return count;
    }

    Display* display = nullptr;
    int damageBase = 0;
    Damage damage = 0;
    long paints = 0;
};

// The window's pixels once two captures in a row agree: nothing serves the editor while
// this runs, so a difference can only be a paint still reaching the server.
Image stillPicture(XHost& x, Window w, int width, int height) {
    Image last = x.capture(w, width, height);
    for (int round = 0; round < 100; ++round) {
        Image now = x.capture(w, width, height);
        if (!now.empty() && now.pixels == last.pixels) {
            return now;
        }
        last = std::move(now);
    }
    return {};
}

// One view of the plug-in in a host window of its own.
struct ViewSession : ViewParts {
    ViewSession(Plugin& plugin, XHost& x) : ViewParts(plugin, true), x(x) {}
    ~ViewSession() { close(); }

    // The view made, then attached() to a parent of its size, until its first paint
    // reaches the server. The run loop is not served meanwhile: the view paints its first
    // picture inside attached(), and the picture is taken before any animation tick moves
    // it.
    bool open(float factor) {
        if (!create(factor)) {
            return false;
        }
        parent = x.makeParent(width, height);
        const long before = x.paints;
        attached = view->attached(reinterpret_cast<void*>(parent), kPlatformTypeX11EmbedWindowID) ==
                   kResultOk;
        return attached && x.waitFor([&] { return x.paints > before; }, [](const XEvent&) {});
    }

    // The host's UI loop: the run loop's descriptors and timers, and our own events.
    template <typename Done> bool pumpUntil(Done&& done) {
        return loop.runUntil(
            [&] {
                x.takeEvents();
                return done();
            },
            kDeadlineMs);
    }

    Image capture() { return stillPicture(x, parent, width, height); }

    // One animation tick from the run loop's timer, served until its paint has come: the
    // editor's picture one animation step on.
    Image nextFrame() {
        const long before = x.paints;
        loop.fireTimers();
        const bool painted = loop.runUntil(
            [&] {
                x.takeEvents();
                return x.paints > before;
            },
            kDeadlineMs, false);
        return painted ? capture() : Image{};
    }

    void close() {
        release();
        if (parent != 0) {
            x.destroyParent(parent);
            parent = 0;
        }
    }

    XHost& x;
    Window parent = 0;
};

// The VST 2.4 editor of a fresh instance at its first paint, in a 920x580 window: the
// reference.
Image vst2Picture(const std::string& path, XHost& x) {
    Vst2Plugin vst2(path);
    if (!expect(vst2.ok(), kGroup, "VST 2.4 build loads")) {
        return {};
    }
    const Window parent = x.makeParent(920, 580);
    AEffect* e = vst2.effect;
    const long before = x.paints;
    e->dispatcher(e, effEditOpen, 0, 0, reinterpret_cast<void*>(parent), 0.0f);
    const auto idle = [&](auto&& done) {
        return x.waitFor(
            [&] {
                e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.0f);
                return done();
            },
            [](const XEvent&) {});
    };
    // Idle calls until the first paint, captured before the editor is idled again.
    const Image picture =
        idle([&] { return x.paints > before; }) ? stillPicture(x, parent, 920, 580) : Image{};
    e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f);
    x.destroyParent(parent);
    return picture;
}

void checkPlatformAnswers(Plugin& plugin, XHost& x) {
    expect(plugin.controller->createView("no such view") == nullptr &&
               plugin.controller->createView(nullptr) == nullptr,
           kGroup, "only the \"editor\" view is made");
    ViewSession s(plugin, x);
    s.view = Ref<IPlugView>::adopt(plugin.controller->createView(kEditorViewName));
    if (!expect(static_cast<bool>(s.view), kGroup, "createView(\"editor\")")) {
        return;
    }
    expect(s.view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) == kResultTrue, kGroup,
           "X11EmbedWindowID supported");
    expect(s.view->isPlatformTypeSupported(kPlatformTypeHWND) != kResultTrue &&
               s.view->isPlatformTypeSupported(nullptr) != kResultTrue,
           kGroup, "HWND and null not supported");
    s.scale = query<IPlugViewContentScaleSupport>(s.view.get(), kIPlugViewContentScaleSupportIid);
    if (!expect(static_cast<bool>(s.scale), kGroup, "view answers IPlugViewContentScaleSupport")) {
        return;
    }
    checkSizesAtEachScale(*s.view.get(), *s.scale.get());
    s.scale->setContentScaleFactor(1.0f);
    const Window parent = x.makeParent(920, 580);
    expect(s.view->attached(reinterpret_cast<void*>(parent), kPlatformTypeHWND) != kResultOk,
           kGroup, "attached as HWND refused");
    expect(s.view->attached(nullptr, kPlatformTypeX11EmbedWindowID) != kResultOk, kGroup,
           "attached to no parent refused");
    expect(x.children(parent).empty(), kGroup, "refused attachments leave no window");
    x.destroyParent(parent);
}

// Scale 1 against the VST 2.4 editor, and scale 2 drawn at the scale. Pictures are left in
// the output directory.
void checkPictures(Context& context, Plugin& plugin, XHost& x) {
    const Image reference = vst2Picture(context.vst2Path, x);
    Image one;
    int matched = -1;
    std::size_t closest = static_cast<std::size_t>(-1);
    {
        ViewSession s(plugin, x);
        if (!expect(s.open(1.0f), kGroup, "view opens at scale 1 and paints")) {
            return;
        }
        expect(s.loop.handlerCount() == 1 &&
                   s.loop.timerIntervals() == std::vector<TimerInterval>{33},
               kGroup,
               "the view registered its connection and a 33 ms timer (" +
                   std::to_string(s.loop.handlerCount()) + " handlers, " +
                   std::to_string(s.loop.timerCount()) + " timers)");
        const std::vector<FileDescriptor> fds = s.loop.descriptors();
        expect(fds.size() == 1 && fcntl(fds[0], F_GETFD) != -1, kGroup,
               "the registered descriptor is open");
        const std::vector<Window> kids = x.children(s.parent);
        int w = 0;
        int h = 0;
        expect(kids.size() == 1 && x.size(kids[0], w, h) && w == 920 && h == 580, kGroup,
               "one editor window of 920x580 in the host's window (" + std::to_string(kids.size()) +
                   " windows, " + sizeText(w, h) + ")");
        one = s.capture();
        expect(!one.empty() && colourCount(one) > 16, kGroup,
               "scale 1 picture is painted (" + std::to_string(colourCount(one)) + " colours)");
        // The editor animates by ticks: the VST 2.4 editor, idled by time, may have had a
        // tick or two before its first paint. Its picture must be one of this editor's
        // first few animation steps.
        std::vector<Image> frames = {one};
        for (int tick = 0; tick < 8; ++tick) {
            frames.push_back(s.nextFrame());
        }
        for (std::size_t k = 0; k < frames.size() && matched < 0; ++k) {
            const std::size_t d = differingPixels(frames[k], reference);
            closest = std::min(closest, d);
            matched = d == 0 ? static_cast<int>(k) : -1;
        }
        // Served from the run loop from here on: the timer ticks and the editor repaints.
        const long paints = x.paints;
        expect(s.pumpUntil([&] { return s.loop.timerCalls() >= 3 && x.paints > paints; }), kGroup,
               "the run loop's timer serves the view and it repaints");
        expect(writePpm(one, context.outDir + "/" + context.prefix + "-x1.ppm"), kGroup,
               "scale 1 picture written");
        s.close();
        expect(s.loop.handlerCount() == 0 && s.loop.timerCount() == 0, kGroup,
               "removed() unregisters the descriptor and the timer");
    }
    if (!reference.empty()) {
        writePpm(reference, context.outDir + "/" + context.prefix + "-vst2.ppm");
    }
    std::printf("scale 1 against the VST 2.4 editor: %s\n",
                matched >= 0 ? ("identical at animation step " + std::to_string(matched)).c_str()
                             : (std::to_string(closest) + " pixels differ at best").c_str());
    expect(!reference.empty() && matched >= 0, kGroup,
           "scale 1 equals the VST 2.4 editor pixel for pixel (at best " + std::to_string(closest) +
               " of 533600 differ)");

    ViewSession s(plugin, x);
    if (!expect(s.open(2.0f), kGroup, "view opens at scale 2 and paints")) {
        return;
    }
    const std::vector<Window> kids = x.children(s.parent);
    int w = 0;
    int h = 0;
    expect(s.width == 1840 && s.height == 1160 && kids.size() == 1 && x.size(kids[0], w, h) &&
               w == 1840 && h == 1160,
           kGroup, "scale 2 window is 1840x1160 (" + sizeText(w, h) + ")");
    const Image two = s.capture();
    expect(writePpm(two, context.outDir + "/" + context.prefix + "-x2.ppm"), kGroup,
           "scale 2 picture written");
    checkDrawnAtScaleTwo(one, two);
}

void checkRescale(Plugin& plugin, XHost& x) {
    ViewSession s(plugin, x);
    if (!expect(s.open(1.0f) && s.scale, kGroup, "view opens for a scale change")) {
        return;
    }
    expect(s.scale->setContentScaleFactor(2.0f) == kResultOk, kGroup,
           "scale changed while attached");
    const bool asked = !s.frame.resizes.empty() && s.frame.resizes.back().right == 1840 &&
                       s.frame.resizes.back().bottom == 1160;
    expect(asked, kGroup, "the frame is asked for 1840x1160");
    const std::vector<Window> kids = x.children(s.parent);
    int w = 0;
    int h = 0;
    const bool follows =
        kids.size() == 1 && s.pumpUntil([&] { return x.size(kids[0], w, h) && w == 1840; });
    expect(follows && h == 1160, kGroup, "the window follows to " + sizeText(w, h));
    ViewRect rect{};
    expect(s.view->getSize(&rect) == kResultOk && rect.right == 1840 && rect.bottom == 1160, kGroup,
           "getSize after the change");
    ViewRect wrong{0, 0, 920, 580};
    expect(s.view->onSize(&wrong) != kResultOk, kGroup, "a size not the scale's is refused");
}

// Open, close and reopen many times, then close from another thread: nothing is left on
// the server, in the run loop or in the reference counts.
void checkOpenClose(Plugin& plugin, XHost& x) {
    const uint32 pluginRefs = referencesTo(plugin.component.get());
    // The server learns of a closed connection when it reads its end, after the close
    // returns: the count is waited for, never taken at one moment.
    const int clientsBefore = x.clients();
    int failures = 0;
    for (int cycle = 0; cycle < 20; ++cycle) {
        ViewSession s(plugin, x);
        const bool opened = s.open(cycle % 2 == 0 ? 1.0f : 2.0f);
        // Removed and attached again: the same view opens a second window.
        bool again = false;
        if (opened) {
            s.view->removed();
            const long before = x.paints;
            again = s.view->attached(reinterpret_cast<void*>(s.parent),
                                     kPlatformTypeX11EmbedWindowID) == kResultOk &&
                    s.pumpUntil([&] { return x.paints > before; });
            s.attached = again;
        }
        const Window parent = s.parent;
        s.view->removed();
        s.attached = false;
        const bool childless = x.children(parent).empty();
        const bool unregistered = s.loop.handlerCount() == 0 && s.loop.timerCount() == 0;
        s.close();
        const bool released = s.frame.refs() == 1 && s.loop.refs() == 1;
        if (!(opened && again && childless && unregistered && released)) {
            ++failures;
            if (failures == 1) {
                expect(false, kGroup,
                       "cycle " + std::to_string(cycle) + ": opened " + std::to_string(opened) +
                           ", reattached " + std::to_string(again) + ", no window left " +
                           std::to_string(childless) + ", run loop empty " +
                           std::to_string(unregistered) + ", frame released " +
                           std::to_string(released));
            }
        }
    }
    expect(failures == 0, kGroup,
           "20 open/close cycles clean (" + std::to_string(failures) + " not)");
    int clientsAfter = -1;
    const bool noneLeft = x.waitFor(
        [&] {
            clientsAfter = x.clients();
            return clientsAfter >= 0 && clientsAfter <= clientsBefore;
        },
        [](const XEvent&) {});
    expect(clientsBefore >= 0 && noneLeft, kGroup,
           "X server clients before the cycles " + std::to_string(clientsBefore) +
               ", after twenty " + std::to_string(clientsAfter));
    const uint32 refsNow = referencesTo(plugin.component.get());
    expect(refsNow == pluginRefs, kGroup,
           "the views gave back their references to the plug-in (" + std::to_string(pluginRefs) +
               " before, " + std::to_string(refsNow) + " after)");

    // Closed from another thread while this one serves the run loop.
    ViewSession s(plugin, x);
    if (!expect(s.open(1.0f), kGroup, "view opens for the close from another thread")) {
        return;
    }
    closeFromAnotherThread(s, [&](auto&& done) { return s.pumpUntil(done); });
    // Whatever the loop had in flight has run out; a few more rounds reach nothing freed.
    const long ticks = s.loop.timerCalls();
    s.loop.runOnce(50);
    expect(s.loop.handlerCount() == 0 && s.loop.timerCount() == 0 && s.loop.timerCalls() == ticks,
           kGroup, "after the close the run loop holds nothing of the view");
    const Window parent = s.parent;
    expect(x.children(parent).empty(), kGroup, "no window left after the close from a thread");
    s.view.reset(); // the last reference, released off the closing thread
    s.scale.reset();
    expect(s.frame.refs() == 1 && s.loop.refs() == 1, kGroup, "frame and loop released");
}

// A click on the editor's bypass button, through the X server at scale 2 (so the view maps
// physical pixels back to its own): reported to the host as one edit of parameter 4. A
// value the host set itself is not reported back.
void checkEdits(Plugin& plugin, XHost& x) {
    ComponentHandler handler;
    expect(plugin.controller->setComponentHandler(&handler) == kResultOk && handler.refs() > 1,
           kGroup, "the plug-in holds the component handler");
    plugin.controller->setParamNormalized(0, 0.6);
    {
        ViewSession s(plugin, x);
        if (!expect(s.open(2.0f), kGroup, "view opens for edits")) {
            plugin.controller->setComponentHandler(nullptr);
            return;
        }
        const long ticks = s.loop.timerCalls() + 3;
        s.pumpUntil([&] { return s.loop.timerCalls() >= ticks; });
        checkHostChangeNotReported(handler);
        int event = 0;
        int error = 0;
        int major = 0;
        int minor = 0;
        if (!expect(XTestQueryExtension(x.display, &event, &error, &major, &minor) != 0, kGroup,
                    "XTEST for the click")) {
            plugin.controller->setComponentHandler(nullptr);
            return;
        }
        // The middle of the bypass button (790..895 x 492..530 in the editor's pixels).
        checkBypassClicks(
            plugin, handler,
            [&] {
                XTestFakeMotionEvent(x.display, -1, 2 * 842, 2 * 511, CurrentTime);
                XTestFakeButtonEvent(x.display, 1, True, CurrentTime);
                XTestFakeButtonEvent(x.display, 1, False, CurrentTime);
                XFlush(x.display);
            },
            [&](auto&& done) { return s.pumpUntil(done); });
    }
    plugin.controller->setComponentHandler(nullptr);
    expect(handler.refs() == 1, kGroup, "the handler is released when the host takes it back");
    plugin.controller->setParamNormalized(0, 0.5);
}

} // namespace

void checkEditor(Context& context) {
    XHost x;
    if (!expect(x.open(), kGroup, "X display with DAMAGE (DISPLAY unset or no server?)")) {
        return;
    }
    const Screen* screen = DefaultScreenOfDisplay(x.display);
    if (!expect(screen->width >= 1840 && screen->height >= 1160, kGroup,
                "screen of at least 1840x1160 for the scale 2 window")) {
        return;
    }
    Plugin plugin(*context.module);
    if (!expect(plugin.ok() && plugin.start(), kGroup, "instance starts")) {
        return;
    }
    checkPlatformAnswers(plugin, x);
    checkPictures(context, plugin, x);
    checkRescale(plugin, x);
    checkEdits(plugin, x);
    checkOpenClose(plugin, x);
    plugin.stop();
}

} // namespace vst3check
