// The editor window procedure and its double-buffered paint frame. The window finds its
// instance in GWLP_USERDATA, stored at WM_NCCREATE and cleared at WM_DESTROY; everything
// the editor does with a message lives in editor/ and is shared with the native tests.
#include "platform/win32/editor_window_proc.h"

#include "dsp/plugin_instance.h"
#include "editor/editor_window.h"

#include <windows.h>

#include <gdiplus.h>

#include <condition_variable>
#include <map>
#include <mutex>

namespace {

namespace flat = Gdiplus::DllExports;

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

PluginInstance* windowInstance(HWND window) {
    return reinterpret_cast<PluginInstance*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void setWindowInstance(HWND window, PluginInstance* inst) {
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
    PluginInstance* inst = nullptr;
};

// Draws the picture into the memory DC. A C++ exception must never unwind into user32
// (the host's message loop cannot handle it), so the painter is fenced here and the
// graphics object is deleted whatever happened inside.
void drawPicture(HDC memoryDc, int width, int height, PluginInstance& inst) {
    Gdiplus::GpGraphics* graphics = nullptr;
    flat::GdipCreateFromHDC(memoryDc, &graphics);
    if (graphics != nullptr) {
        flat::GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeAntiAlias);
        flat::GdipSetTextRenderingHint(graphics, Gdiplus::TextRenderingHintClearTypeGridFit);
        flat::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeHighQualityBicubic);
    }
    // Without a graphics object every canvas call is a no-op; the frame still blits and
    // releases, so a GDI+ that failed to start costs the picture, never a leak.
    try {
        paintEditor(reinterpret_cast<Canvas*>(graphics), width, height, inst);
    } catch (...) {
    }
    if (graphics != nullptr) {
        flat::GdipDeleteGraphics(graphics);
    }
}

// Builds the whole picture off screen and copies it in one blit, so the window never
// shows a half-drawn frame. Every GDI object made here is released before returning.
void paintOffscreen(HDC windowDc, int width, int height, PluginInstance& inst) {
    HDC memoryDc = CreateCompatibleDC(windowDc);
    if (memoryDc == nullptr) {
        return;
    }
    HBITMAP bitmap = CreateCompatibleBitmap(windowDc, width, height);
    if (bitmap == nullptr) {
        DeleteDC(memoryDc);
        return;
    }
    HGDIOBJ previous = SelectObject(memoryDc, bitmap);
    drawPicture(memoryDc, width, height, inst);
    BitBlt(windowDc, 0, 0, width, height, memoryDc, 0, 0, SRCCOPY);
    SelectObject(memoryDc, previous);
    DeleteObject(bitmap);
    DeleteDC(memoryDc);
}

void paintFrame(HWND window, PluginInstance& inst) {
    PAINTSTRUCT ps{};
    HDC windowDc = BeginPaint(window, &ps);
    RECT client{};
    if (!GetClientRect(window, &client)) {
        client = RECT{};
    }
    // Zero-sized or DC-less: BeginPaint/EndPaint alone validate the window.
    if (windowDc != nullptr && client.right > 0 && client.bottom > 0) {
        paintOffscreen(windowDc, client.right, client.bottom, inst);
    }
    EndPaint(window, &ps);
}

// The editor logic must not throw across the window procedure either.
bool forwardMessage(HWND window, PluginInstance& inst, UINT msg, WPARAM wParam, LPARAM lParam) {
    try {
        return handleEditorMessage(window, inst, msg, wParam, lParam);
    } catch (...) {
        return true;
    }
}

// The instance's share of a message; answers whether the message was handled.
bool handleForInstance(HWND window, PluginInstance& inst, UINT msg, WPARAM wParam, LPARAM lParam) {
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
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        setWindowInstance(window,
                          create ? static_cast<PluginInstance*>(create->lpCreateParams) : nullptr);
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
