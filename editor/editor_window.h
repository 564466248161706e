// The editor's platform-neutral window logic: message routing and painting. The Win32
// window procedure (platform/win32) finds the instance in the window's user data and
// forwards here; native tests call the same functions with the headless backend.
#pragma once

#include <cstdint>

struct Canvas;
struct PluginInstance;
using WindowHandle = void*;

// Win32 message numbers the editor handles.
constexpr std::uint32_t kWmCreate = 0x0001;
constexpr std::uint32_t kWmDestroy = 0x0002;
constexpr std::uint32_t kWmPaint = 0x000F;
constexpr std::uint32_t kWmNcCreate = 0x0081;
constexpr std::uint32_t kWmKeyDown = 0x0100;
constexpr std::uint32_t kWmKeyUp = 0x0101;
constexpr std::uint32_t kWmChar = 0x0102;
constexpr std::uint32_t kWmTimer = 0x0113;
constexpr std::uint32_t kWmMouseMove = 0x0200;
constexpr std::uint32_t kWmLButtonDown = 0x0201;
constexpr std::uint32_t kWmLButtonUp = 0x0202;
constexpr std::uint32_t kWmMouseWheel = 0x020A;
constexpr std::uint32_t kVkDelete = 0x2E;

// UI thread. Handles a message of a window whose user data holds `inst`; returns false
// when the caller should pass it to the default window procedure. WM_PAINT is not handled
// here: the platform's paint frame calls paintEditor.
bool handleEditorMessage(WindowHandle window, PluginInstance& inst, std::uint32_t msg,
                         std::uintptr_t wParam, std::intptr_t lParam);

// UI thread. Draws the whole picture; takes a snapshot of the instance under its lock
// first and draws with the lock released.
void paintEditor(Canvas* canvas, std::int32_t width, std::int32_t height, PluginInstance& inst);
