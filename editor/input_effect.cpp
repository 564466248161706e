#include "editor/input_effect.h"

#include "editor/window_system.h"

void applyInputEffect(WindowHandle window, const InputEffect& effect) {
    if (effect.releaseCapture) {
        releaseMouse();
    }
    if (effect.capture) {
        captureMouse(window);
    }
    if (effect.repaint) {
        invalidateWindow(window);
    }
}
