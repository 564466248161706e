// Decoding of the editor window's Win32 messages into the editor's neutral events. Pure
// arithmetic on the message numbers and parameter packing, with no windows.h, so the rules
// are checked by the native tests too.
#pragma once

#include "editor/editor_events.h"

#include <cstdint>

namespace win32msg {
constexpr std::uint32_t kCreate = 0x0001;
constexpr std::uint32_t kDestroy = 0x0002;
constexpr std::uint32_t kKeyDown = 0x0100;
constexpr std::uint32_t kTimer = 0x0113;
constexpr std::uint32_t kMouseMove = 0x0200;
constexpr std::uint32_t kLButtonDown = 0x0201;
constexpr std::uint32_t kLButtonUp = 0x0202;
constexpr std::uint32_t kMouseWheel = 0x020A;
constexpr std::uintptr_t kVkDelete = 0x2E;
constexpr int kWheelDelta = 120; // one notch
} // namespace win32msg

// The event a message stands for; false for a message the editor does not take (WM_PAINT
// is the paint frame's own business). `now` is the press time (GetTickCount): the class
// asks for no double-click messages, so the editor times presses itself.
bool eventFromMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam,
                      std::uint32_t now, EditorEvent& event);
