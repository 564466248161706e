#include "editor/input_pointer.h"

#include "editor/editor_state.h"

#include <cstdlib>

bool registerPress(EditorState& ed, int x, int y, std::uint32_t now) {
    // Unsigned subtraction keeps the rule right across the 49.7-day wrap of the counter.
    const std::uint32_t elapsed = now - ed.lastClickTime;
    const bool doubleClick = elapsed < kDoubleClickMs &&
                             std::abs(x - ed.lastClickX) < kDoubleClickSlop &&
                             std::abs(y - ed.lastClickY) < kDoubleClickSlop;
    ed.lastClickTime = now;
    ed.lastClickX = x;
    ed.lastClickY = y;
    return doubleClick;
}
