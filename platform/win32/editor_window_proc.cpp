// The editor window procedure and its double-buffered paint frame. The window finds its
// editor in GWLP_USERDATA, stored at WM_NCCREATE and cleared at WM_DESTROY. Messages are
// decoded into the editor's neutral events (message_events.cpp); everything the editor
// does with them lives in editor/ and is shared with the other platforms.
#include "platform/win32/editor_window_proc.h"

#include "editor/canvas.h"
#include "editor/editor_events.h"
#include "platform/editor_window_options.h"
#include "platform/win32/message_events.h"

#include <windows.h>

#include <cmath>
#include <condition_variable>
#include <map>
#include <mutex>
#include <new>

// The canvas of one paint on a memory DC, with the window's layer, drawn at `scale`
// (gdiplus_canvas.cpp; the window procedure is their only user, so they have no header of
// their own).
Canvas* openGdiplusCanvas(HDC dc, CanvasLayer* layer, double scale);
void closeGdiplusCanvas(Canvas* canvas);

namespace {

// A host may close an instance on another thread while its editor's thread is inside a
// handler for that instance. Handlers look their instance up and count themselves in
// under this lock; a close from another thread unlinks the instance under it and waits
// until the window's count is back to zero before the instance may be deleted.
struct HandlerGate {
    std::mutex lock;
    std::condition_variable idle;
    std::map<HWND, int> running; // handlers inside, per window
};

HandlerGate& gate() {
    static HandlerGate g;
    return g;
}

EditorState* windowInstance(HWND window) {
    return reinterpret_cast<EditorState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void setWindowInstance(HWND window, EditorState* inst) {
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(inst));
}

// One handler's hold on its window's instance; `inst` is null when the window has none.
struct HandlerEntry {
    explicit HandlerEntry(HWND w) : window(w) {
        const std::lock_guard<std::mutex> guard(gate().lock);
        inst = windowInstance(window);
        if (inst != nullptr) {
            ++gate().running[window];
        }
    }
    ~HandlerEntry() {
        if (inst == nullptr) {
            return;
        }
        const std::lock_guard<std::mutex> guard(gate().lock);
        auto it = gate().running.find(window);
        if (it != gate().running.end() && --it->second == 0) {
            gate().running.erase(it);
            gate().idle.notify_all();
        }
    }
    HandlerEntry(const HandlerEntry&) = delete;
    HandlerEntry& operator=(const HandlerEntry&) = delete;

    HWND window;
    EditorState* inst = nullptr;
};

// What a window keeps from one paint to the next: the back buffer the picture is built in
// and the editor's layer. Made on the first paint and kept in a window property until
// WM_NCDESTROY, the last message a window gets whether or not an instance is still
// attached to it; a paint then only draws, with nothing to allocate.
struct PaintSurfaces {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr; // the DC's own bitmap, selected back before deleting it
    int width = 0;
    int height = 0;
    CanvasLayer* layer = nullptr;
};

constexpr char kSurfacesProperty[] = "TolvaneQ.PaintSurfaces";

// A window's scale and hook (platform/editor_window_options.h), in a window property of
// their own from its creation to WM_NCDESTROY; windows without one (the VST 2.4 editor's)
// run at scale 1 with no hook. Read and changed on the window's thread only.
constexpr char kOptionsProperty[] = "TolvaneQ.EditorWindowOptions";

const EditorWindowOptions* windowOptions(HWND window) {
    return static_cast<const EditorWindowOptions*>(GetPropA(window, kOptionsProperty));
}

double windowScale(HWND window) {
    const EditorWindowOptions* options = windowOptions(window);
    return options != nullptr ? options->scale : 1.0;
}

void releaseBackBuffer(PaintSurfaces& s) {
    if (s.dc != nullptr) {
        SelectObject(s.dc, s.previous);
        DeleteDC(s.dc);
    }
    if (s.bitmap != nullptr) {
        DeleteObject(s.bitmap);
    }
    s.dc = nullptr;
    s.bitmap = nullptr;
    s.width = 0;
    s.height = 0;
}

// A back buffer of the client area's size, compatible with the window.
bool fitBackBuffer(PaintSurfaces& s, HDC windowDc, int width, int height) {
    if (s.dc != nullptr && s.width == width && s.height == height) {
        return true;
    }
    releaseBackBuffer(s);
    s.dc = CreateCompatibleDC(windowDc);
    s.bitmap = CreateCompatibleBitmap(windowDc, width, height);
    if (s.dc == nullptr || s.bitmap == nullptr) {
        releaseBackBuffer(s);
        return false;
    }
    s.previous = SelectObject(s.dc, s.bitmap);
    s.width = width;
    s.height = height;
    return true;
}

PaintSurfaces* windowSurfaces(HWND window) {
    auto* s = static_cast<PaintSurfaces*>(GetPropA(window, kSurfacesProperty));
    if (s == nullptr) {
        s = new (std::nothrow) PaintSurfaces;
        if (s == nullptr) {
            return nullptr;
        }
        s->layer = createCanvasLayer(); // without one the editor draws everything directly
        if (!SetPropA(window, kSurfacesProperty, s)) {
            destroyCanvasLayer(s->layer);
            delete s;
            return nullptr;
        }
    }
    return s;
}

void releaseWindowOptions(HWND window) {
    delete static_cast<EditorWindowOptions*>(RemovePropA(window, kOptionsProperty));
}

void releaseWindowSurfaces(HWND window) {
    auto* s = static_cast<PaintSurfaces*>(RemovePropA(window, kSurfacesProperty));
    if (s != nullptr) {
        releaseBackBuffer(*s);
        destroyCanvasLayer(s->layer);
        delete s;
    }
}

// Draws the picture into the back buffer. A C++ exception must never unwind into user32
// (the host's message loop cannot handle it), so the painter is fenced here and the
// canvas is closed whatever happened inside. The editor paints its logical size; the
// canvas scales it to the back buffer's pixels.
void drawPicture(HWND window, const PaintSurfaces& s, EditorState& inst) {
    const double scale = windowScale(window);
    // Without a canvas or its graphics every canvas call is a no-op; the frame still blits,
    // so a GDI+ that failed to start costs the picture, never a leak.
    Canvas* canvas = openGdiplusCanvas(s.dc, s.layer, scale);
    try {
        EditorEvent paint;
        paint.kind = EditorEventKind::Paint;
        paint.canvas = canvas;
        paint.width = static_cast<int>(std::lround(s.width / scale));
        paint.height = static_cast<int>(std::lround(s.height / scale));
        handleEditorEvent(window, inst, paint);
    } catch (...) {
    }
    closeGdiplusCanvas(canvas);
}

// Builds the whole picture off screen and copies it in one blit, so the window never
// shows a half-drawn frame.
void paintFrame(HWND window, EditorState& inst) {
    PAINTSTRUCT ps{};
    HDC windowDc = BeginPaint(window, &ps);
    RECT client{};
    if (!GetClientRect(window, &client)) {
        client = RECT{};
    }
    // Zero-sized or DC-less: BeginPaint/EndPaint alone validate the window.
    if (windowDc != nullptr && client.right > 0 && client.bottom > 0) {
        PaintSurfaces* s = windowSurfaces(window);
        if (s != nullptr && fitBackBuffer(*s, windowDc, client.right, client.bottom)) {
            drawPicture(window, *s, inst);
            BitBlt(windowDc, 0, 0, s->width, s->height, s->dc, 0, 0, SRCCOPY);
        }
    }
    EndPaint(window, &ps);
}

// The editor logic must not throw across the window procedure either. Positions reach the
// editor in logical pixels; the window's hook follows input and ticks.
bool forwardMessage(HWND window, EditorState& inst, UINT msg, WPARAM wParam, LPARAM lParam) {
    EditorEvent event;
    if (!eventFromMessage(msg, wParam, lParam, GetTickCount(), event)) {
        return false;
    }
    const EditorWindowOptions* options = windowOptions(window);
    if (options != nullptr && eventHasPosition(event.kind)) {
        event.x = logicalCoordinate(event.x, options->scale);
        event.y = logicalCoordinate(event.y, options->scale);
    }
    bool handled = true;
    try {
        handled = handleEditorEvent(window, inst, event);
    } catch (...) {
    }
    if (options != nullptr && options->afterEvent != nullptr && eventIsHooked(event.kind)) {
        try {
            options->afterEvent(options->afterEventContext);
        } catch (...) {
        }
    }
    return handled;
}

// The instance's share of a message; answers whether the message was handled.
bool handleForInstance(HWND window, EditorState& inst, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
        paintFrame(window, inst);
        return true;
    }
    if (msg == WM_DESTROY) {
        forwardMessage(window, inst, msg, wParam, lParam);
        const std::lock_guard<std::mutex> guard(gate().lock);
        setWindowInstance(window, nullptr);
        return true;
    }
    return forwardMessage(window, inst, msg, wParam, lParam);
}

} // namespace

// UI thread (the thread that created the window).
LRESULT CALLBACK editorWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCDESTROY) {
        releaseWindowSurfaces(window);
        releaseWindowOptions(window);
    }
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        setWindowInstance(window,
                          create ? static_cast<EditorState*>(create->lpCreateParams) : nullptr);
        return DefWindowProcA(window, msg, wParam, lParam);
    }
    bool handled = false;
    {
        // Before WM_NCCREATE and after WM_DESTROY or a detach the window has no instance,
        // and those messages must not reach the editor. The default procedure runs
        // outside the hold: it may send messages to a parent on the closing thread.
        const HandlerEntry entry(window);
        if (entry.inst != nullptr) {
            handled = handleForInstance(window, *entry.inst, msg, wParam, lParam);
        }
    }
    return handled ? 0 : DefWindowProcA(window, msg, wParam, lParam);
}

void detachEditorInstance(HWND window) {
    std::unique_lock<std::mutex> guard(gate().lock);
    setWindowInstance(window, nullptr);
    gate().idle.wait(guard, [&] { return gate().running.count(window) == 0; });
}

bool attachWindowOptions(HWND window, const EditorWindowOptions& options) {
    auto* kept = new (std::nothrow) EditorWindowOptions(options);
    if (kept == nullptr) {
        return false;
    }
    kept->scale = usableScale(options.scale);
    if (!SetPropA(window, kOptionsProperty, kept)) {
        delete kept;
        return false;
    }
    return true;
}

bool setWindowOptionsScale(HWND window, double scale) {
    auto* options = static_cast<EditorWindowOptions*>(GetPropA(window, kOptionsProperty));
    if (options == nullptr) {
        return false;
    }
    options->scale = scale;
    return true;
}

double windowOptionsScale(HWND window) {
    return windowScale(window);
}
