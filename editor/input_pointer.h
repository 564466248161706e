// Decoding of the window message parameters and the double-click rule. The window class
// asks the system for no double-click messages, so the editor detects them itself from
// the tick count and the previous press.
#pragma once

#include <cstdint>

struct PluginInstance;

struct MousePoint {
    int x;
    int y;
};

// Client position from a mouse message's lParam: signed 16-bit low (x) and high (y)
// words, so positions left of or above the window stay negative while captured.
MousePoint mousePointFromLParam(std::intptr_t lParam);

// Wheel distance: the signed 16-bit high word of wParam.
int wheelDistanceFromWParam(std::uintptr_t wParam);

constexpr std::uint32_t kDoubleClickMs = 350;
constexpr int kDoubleClickSlop = 8;

// UI thread. Applies the double-click rule to a left-button press at (x, y) and tick
// `now`, then records this press as the previous one whatever the outcome.
bool registerPress(PluginInstance& inst, int x, int y, std::uint32_t now);
