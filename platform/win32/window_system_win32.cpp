// The window-system calls of the plug-in, made with the ANSI Win32 API and the GDI+
// start-up entry points. The editor and host layers only see editor/window_system.h.
#include "editor/window_system.h"

#include "platform/editor_window_options.h"
#include "platform/win32/editor_window_proc.h"

#include <windows.h>

#include <gdiplus.h>

#include <cmath>

namespace {

constexpr char kEditorClassName[] = "MorvelTolvaneQEditorWndClass";
constexpr char kEditorTitle[] = "Morvel Tolvane-Q";
// WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN: a visible child that never
// paints over its siblings or the host's other controls.
constexpr DWORD kEditorStyle = 0x56000000;
constexpr UINT_PTR kAnimationTimerId = 1;
constexpr UINT kAnimationPeriodMs = 33; // about 30 pictures per second

HWND asWindow(WindowHandle window) {
    return static_cast<HWND>(window);
}
HINSTANCE asModule(ModuleHandle module) {
    return static_cast<HINSTANCE>(module);
}

} // namespace

bool platformHasEditor() {
    return true;
}

ModuleHandle processModuleHandle() {
    return GetModuleHandleA(nullptr);
}

// UI thread (effEditOpen).
bool registerEditorWindowClass(ModuleHandle module) {
    WNDCLASSA windowClass{};
    windowClass.style = 0; // no CS_DBLCLKS: double clicks are timed by the editor itself
    windowClass.lpfnWndProc = editorWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = asModule(module);
    windowClass.hIcon = nullptr;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr; // every paint covers the whole client area
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kEditorClassName;
    return RegisterClassA(&windowClass) != 0;
}

// Loader thread (module unload).
void unregisterEditorWindowClass(ModuleHandle module) {
    UnregisterClassA(kEditorClassName, asModule(module));
}

// UI thread (effEditOpen). The editor travels as the creation parameter so the window
// procedure has it from WM_NCCREATE on.
WindowHandle createEditorWindow(WindowHandle parent, int width, int height, ModuleHandle module,
                                EditorState* editor) {
    return CreateWindowExA(0, kEditorClassName, kEditorTitle, kEditorStyle, 0, 0, width, height,
                           asWindow(parent), nullptr, asModule(module), editor);
}

const char* editorParentType() {
    return "HWND";
}

// UI thread. The options are attached before the host's message loop can deliver input or
// a paint to the window; WM_CREATE (the editor's Open) needs neither.
WindowHandle createScaledEditorWindow(WindowHandle parent, int logicalWidth, int logicalHeight,
                                      ModuleHandle module, EditorState* editor,
                                      const EditorWindowOptions& options) {
    const double scale = usableScale(options.scale);
    HWND window = CreateWindowExA(
        0, kEditorClassName, kEditorTitle, kEditorStyle, 0, 0, scaledLength(logicalWidth, scale),
        scaledLength(logicalHeight, scale), asWindow(parent), nullptr, asModule(module), editor);
    if (window != nullptr && !attachWindowOptions(window, options)) {
        DestroyWindow(window);
        return nullptr;
    }
    return window;
}

// UI thread. The logical size is what the client area was at the old scale.
bool setEditorWindowScale(WindowHandle window, double scale) {
    HWND hwnd = asWindow(window);
    if (!std::isfinite(scale) || scale <= 0.0 || IsWindow(hwnd) == FALSE) {
        return false;
    }
    RECT client{};
    if (!GetClientRect(hwnd, &client)) {
        return false;
    }
    const double old = windowOptionsScale(hwnd);
    const int logicalWidth = static_cast<int>(std::lround(client.right / old));
    const int logicalHeight = static_cast<int>(std::lround(client.bottom / old));
    if (!setWindowOptionsScale(hwnd, scale)) {
        return false;
    }
    SetWindowPos(hwnd, nullptr, 0, 0, scaledLength(logicalWidth, scale),
                 scaledLength(logicalHeight, scale),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    InvalidateRect(hwnd, nullptr, FALSE);
    return true;
}

// The window's messages come through the host's own message loop.
int editorWindowConnectionFd(WindowHandle) {
    return -1;
}

bool windowIsAlive(WindowHandle window) {
    return IsWindow(asWindow(window)) != FALSE;
}

// DestroyWindow only works on the window's own thread. A host that closes the instance
// from another thread would otherwise leave a live window whose timer keeps delivering a
// pointer to a freed instance: detach the instance (waiting for a handler that is using
// it right now) so every later message goes to the default procedure, and let the owning
// thread destroy the window when it sees WM_CLOSE.
void destroyWindow(WindowHandle window) {
    HWND hwnd = asWindow(window);
    if (DestroyWindow(hwnd) == FALSE && IsWindow(hwnd) != FALSE) {
        detachEditorInstance(hwnd);
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    }
}

// Any thread: InvalidateRect only queues a paint for the window's own thread.
void invalidateWindow(WindowHandle window) {
    InvalidateRect(asWindow(window), nullptr, FALSE);
}

void startAnimationTimer(WindowHandle window) {
    SetTimer(asWindow(window), kAnimationTimerId, kAnimationPeriodMs, nullptr);
}

void stopAnimationTimer(WindowHandle window) {
    KillTimer(asWindow(window), kAnimationTimerId);
}

void captureMouse(WindowHandle window) {
    SetCapture(asWindow(window));
}

void releaseMouse() {
    ReleaseCapture();
}

// The host's message loop already delivers every message of the window.
void pumpEditorWindow(WindowHandle) {}

// Construction of the first instance. The status is not examined: a failed start-up
// leaves the token at 0 and every later GDI+ call fails harmlessly.
std::uintptr_t startGraphicsSession() {
    Gdiplus::GdiplusStartupInput input; // version 1, no debug callback, nothing suppressed
    input.GdiplusVersion = 1;
    input.DebugEventCallback = nullptr;
    input.SuppressBackgroundThread = FALSE;
    input.SuppressExternalCodecs = FALSE;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    return token;
}

void shutdownGraphicsSession(std::uintptr_t token) {
    if (token != 0) {
        Gdiplus::GdiplusShutdown(token);
    }
}
