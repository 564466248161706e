// platform/editor_window_options.h for X11: a window at a content scale, and the
// connection a host's run loop watches for the window's input.
#include "platform/editor_window_options.h"
#include "platform/x11/x11_window.h"

#include <algorithm>
#include <cmath>

namespace {

// A window served from the host's run loop is paced by the host's timer, which fires at
// the tick's period give or take the loop's own latency. Without this slack a timer that
// fires a little early finds the tick not yet due, and the picture runs at half its rate.
constexpr std::int64_t kHostPacedTickNs = kX11TickNs - 5'000'000;

} // namespace

const char* editorParentType() {
    return "X11EmbedWindowID";
}

WindowHandle createScaledEditorWindow(WindowHandle parent, int logicalWidth, int logicalHeight,
                                      ModuleHandle /*module*/, EditorState* editor,
                                      const EditorWindowOptions& options) {
    const double scale = usableScale(options.scale);
    WindowHandle handle = openEditorWindow(parent, scaledLength(logicalWidth, scale),
                                           scaledLength(logicalHeight, scale), editor, options);
    if (const std::shared_ptr<X11Window> w = findX11Window(handle)) {
        const std::lock_guard<std::mutex> gate(w->gate);
        w->tickPeriodNs = kHostPacedTickNs;
    }
    return handle;
}

// The logical size is what the physical size was at the old scale; the new picture is
// painted at once, so the host's resized frame never shows a stale one.
bool setEditorWindowScale(WindowHandle window, double scale) {
    if (!std::isfinite(scale) || scale <= 0.0) {
        return false;
    }
    const std::shared_ptr<X11Window> w = findX11Window(window);
    if (w == nullptr) {
        return false;
    }
    const std::lock_guard<std::mutex> gate(w->gate);
    if (w->closed || w->windowGone) {
        return false;
    }
    const int logicalWidth = static_cast<int>(std::lround(w->width / w->scale));
    const int logicalHeight = static_cast<int>(std::lround(w->height / w->scale));
    w->scale = scale;
    w->width = scaledLength(logicalWidth, scale);
    w->height = scaledLength(logicalHeight, scale);
    XResizeWindow(w->display, w->window, static_cast<unsigned>(std::max(w->width, 1)),
                  static_cast<unsigned>(std::max(w->height, 1)));
    paintX11Window(*w);
    XFlush(w->display);
    return true;
}

int editorWindowConnectionFd(WindowHandle window) {
    const std::shared_ptr<X11Window> w = findX11Window(window);
    if (w == nullptr) {
        return -1;
    }
    const std::lock_guard<std::mutex> gate(w->gate);
    return w->closed || w->display == nullptr ? -1 : ConnectionNumber(w->display);
}
