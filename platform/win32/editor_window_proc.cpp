// The editor window procedure and its double-buffered paint frame. The window finds its
// instance in GWLP_USERDATA, stored at WM_NCCREATE and cleared at WM_DESTROY; everything
// the editor does with a message lives in editor/ and is shared with the native tests.
#include "platform/win32/editor_window_proc.h"

#include "dsp/plugin_instance.h"
#include "editor/editor_window.h"

#include <windows.h>

#include <gdiplus.h>

namespace {

namespace flat = Gdiplus::DllExports;

PluginInstance* windowInstance(HWND window) {
    return reinterpret_cast<PluginInstance*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void setWindowInstance(HWND window, PluginInstance* inst) {
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(inst));
}

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

} // namespace

// UI thread (the thread that created the window).
LRESULT CALLBACK editorWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        setWindowInstance(window,
                          create ? static_cast<PluginInstance*>(create->lpCreateParams) : nullptr);
        return DefWindowProcA(window, msg, wParam, lParam);
    }
    PluginInstance* inst = windowInstance(window);
    // Before WM_NCCREATE and after WM_DESTROY the instance may not exist (effClose frees
    // it once the window is gone), so those messages must not reach the editor.
    if (inst == nullptr) {
        return DefWindowProcA(window, msg, wParam, lParam);
    }
    if (msg == WM_PAINT) {
        paintFrame(window, *inst);
        return 0;
    }
    if (msg == WM_DESTROY) {
        forwardMessage(window, *inst, msg, wParam, lParam);
        setWindowInstance(window, nullptr);
        return 0;
    }
    if (forwardMessage(window, *inst, msg, wParam, lParam)) {
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}
