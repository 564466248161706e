// The window-system calls the editor and the host need, as plain functions. One
// implementation per build, chosen at link time: Win32 + GDI+ in the DLL (platform/win32),
// X11 + Cairo in the Linux module (platform/x11), and a recorder for native tests
// (platform/headless) that no product links.
#pragma once

#include <cstdint>

struct EditorState;
using WindowHandle = void*;
using ModuleHandle = void*;

// True when this build can open an editor window (sets the has-editor flag).
bool platformHasEditor();

// Module handle of the process image; the fallback when the module entry has not
// recorded our own handle. Backends without module handles answer any non-null token.
ModuleHandle processModuleHandle();

// Registers the editor window class with `module`; returns whether it succeeded.
// Backends without window classes answer true.
bool registerEditorWindowClass(ModuleHandle module);
void unregisterEditorWindowClass(ModuleHandle module);

// UI thread. Creates the width x height child editor window inside the host's `parent`
// (an HWND on Windows, an X11 Window id on Linux) and delivers the Open event to `editor`.
// Returns null on failure.
WindowHandle createEditorWindow(WindowHandle parent, int width, int height, ModuleHandle module,
                                EditorState* editor);
bool windowIsAlive(WindowHandle window);
// Delivers Close, then releases the window and everything the backend kept for it. From a
// thread other than the window's own it returns only once no event handler of that window
// is still running, so the caller may delete the editor state.
void destroyWindow(WindowHandle window);
void invalidateWindow(WindowHandle window);    // any thread: repaint the whole window soon
void startAnimationTimer(WindowHandle window); // Tick about every 33 ms
void stopAnimationTimer(WindowHandle window);
void captureMouse(WindowHandle window); // pointer events keep coming while outside
void releaseMouse();

// UI thread, the host's idle call (effEditIdle). A backend whose window lives on the
// host's own message loop (Win32) does nothing; one that owns its connection to the
// window system (X11) handles the window's pending input, its timer and its repaint here.
void pumpEditorWindow(WindowHandle window);

// The graphics library's process-wide session (GDI+ start-up on Windows): started with
// the first instance, shut down after the last. Answers a token, 0 when not started.
std::uintptr_t startGraphicsSession();
void shutdownGraphicsSession(std::uintptr_t token);
