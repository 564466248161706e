#include "editor/input_pointer.h"

#include "dsp/plugin_instance.h"

#include <cstdlib>

namespace {

int signedWord(std::uintptr_t value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFFu));
}

} // namespace

MousePoint mousePointFromLParam(std::intptr_t lParam) {
    const auto bits = static_cast<std::uintptr_t>(lParam);
    return {signedWord(bits), signedWord(bits >> 16)};
}

int wheelDistanceFromWParam(std::uintptr_t wParam) {
    return signedWord(wParam >> 16);
}

bool registerPress(PluginInstance& inst, int x, int y, std::uint32_t now) {
    // Unsigned subtraction keeps the rule right across the 49.7-day wrap of the counter.
    const std::uint32_t elapsed = now - inst.lastClickTime;
    const bool doubleClick = elapsed < kDoubleClickMs &&
                             std::abs(x - inst.lastClickX) < kDoubleClickSlop &&
                             std::abs(y - inst.lastClickY) < kDoubleClickSlop;
    inst.lastClickTime = now;
    inst.lastClickX = x;
    inst.lastClickY = y;
    return doubleClick;
}
