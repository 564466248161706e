// The double-click rule. Platforms report single presses only (the Win32 window class asks
// for no double-click messages), so the editor tells double clicks apart itself from the
// press times and the previous press.
#pragma once

#include <cstdint>

struct EditorState;

constexpr std::uint32_t kDoubleClickMs = 350;
constexpr int kDoubleClickSlop = 8;

// UI thread. Applies the double-click rule to a left-button press at (x, y) and time
// `now`, then records this press as the previous one whatever the outcome.
bool registerPress(EditorState& ed, int x, int y, std::uint32_t now);
