// The window-system and GDI+ session calls the plug-in needs, as plain functions.
// One implementation per build target, chosen at link time: Win32 in the DLL
// (platform/win32), a headless recorder on Linux (platform/headless) so the editor
// logic runs in native tests.
#pragma once

#include <cstdint>

struct PluginInstance;
using WindowHandle = void*;
using ModuleHandle = void*;

// True when this build can open an editor window (sets the has-editor flag).
bool platformHasEditor();

// Module handle of the process image (GetModuleHandleA(nullptr)); the fallback when the
// module entry has not recorded our own handle.
ModuleHandle processModuleHandle();

// Registers the editor window class with `module`; returns whether it succeeded.
bool registerEditorWindowClass(ModuleHandle module);
void unregisterEditorWindowClass(ModuleHandle module);

// Creates the 920x580 child editor window under `parent`; the window procedure stores
// `instance` from the creation parameter. Returns null on failure.
WindowHandle createEditorWindow(WindowHandle parent, int width, int height, ModuleHandle module,
                                PluginInstance* instance);
bool windowIsAlive(WindowHandle window);   // IsWindow
void destroyWindow(WindowHandle window);   // DestroyWindow
void invalidateWindow(WindowHandle window); // whole client area, no erase
void startAnimationTimer(WindowHandle window); // timer id 1, 33 ms
void stopAnimationTimer(WindowHandle window);  // KillTimer id 1
void captureMouse(WindowHandle window);        // SetCapture
void releaseMouse();                           // ReleaseCapture
std::uint32_t tickCount();                     // GetTickCount, milliseconds

// GDI+ session: startup returns the token (0 when not started).
std::uintptr_t startGdiplus();
void shutdownGdiplus(std::uintptr_t token);
