// Routing of the editor window's messages to the timer tick and the input handlers.
// UI thread only: the window procedure runs on the thread that opened the editor, so no
// two handlers overlap. Edits of the band list take the instance lock for the change and
// its filter rebuild; repaint and capture requests wait until the lock is released.
#include "editor/editor_window.h"

#include "dsp/plugin_instance.h"
#include "editor/input_bands.h"
#include "editor/input_controls.h"
#include "editor/input_effect.h"
#include "editor/input_pointer.h"
#include "editor/input_press.h"
#include "platform/window_system.h"

#include <mutex>

namespace {

constexpr float kAnimStep = 0.04f;

void onTimer(WindowHandle window, PluginInstance& inst) {
    // Any timer id ticks; the phase is never wrapped so it runs on across reopenings.
    inst.animPhase += kAnimStep;
    invalidateWindow(window);
}

void onPress(WindowHandle window, PluginInstance& inst, std::intptr_t lParam) {
    const MousePoint p = mousePointFromLParam(lParam);
    const std::uint32_t now = tickCount();
    InputEffect effect;
    {
        std::lock_guard<std::mutex> guard(inst.lock);
        const bool doubleClick = registerPress(inst, p.x, p.y, now);
        effect = routePress(inst, p.x, p.y, doubleClick);
    }
    applyInputEffect(window, effect);
}

void onMove(WindowHandle window, PluginInstance& inst, std::intptr_t lParam) {
    const MousePoint p = mousePointFromLParam(lParam);
    InputEffect effect;
    bool bandDragged = false;
    {
        std::lock_guard<std::mutex> guard(inst.lock);
        if (bandDragValid(inst)) {
            effect = dragBandTo(inst, p.x, p.y);
            bandDragged = true;
        }
    }
    if (!bandDragged) {
        // Knob values are atomics and need no lock.
        effect = dragKnobTo(inst, p.y);
    }
    applyInputEffect(window, effect);
}

void onRelease(PluginInstance& inst) {
    // No repaint: the picture already shows the last drag position.
    if (inst.dragBand >= 0 || inst.dragKnob >= 0) {
        inst.dragBand = -1;
        inst.dragKnob = -1;
        releaseMouse();
    }
}

void onWheel(WindowHandle window, PluginInstance& inst, std::uintptr_t wParam) {
    InputEffect effect;
    {
        std::lock_guard<std::mutex> guard(inst.lock);
        effect = changeSelectedQ(inst, wheelDistanceFromWParam(wParam));
    }
    applyInputEffect(window, effect);
}

void onKeyDown(WindowHandle window, PluginInstance& inst, std::uintptr_t key) {
    if (key != kVkDelete) {
        return;
    }
    InputEffect effect;
    {
        std::lock_guard<std::mutex> guard(inst.lock);
        effect = deleteSelectedBand(inst);
    }
    applyInputEffect(window, effect);
}

} // namespace

bool handleEditorMessage(WindowHandle window, PluginInstance& inst, std::uint32_t msg,
                         std::uintptr_t wParam, std::intptr_t lParam) {
    switch (msg) {
    case kWmTimer:
        onTimer(window, inst);
        return true;
    case kWmCreate:
        startAnimationTimer(window);
        return true;
    case kWmDestroy:
        stopAnimationTimer(window); // the platform clears the user-data slot
        return true;
    case kWmKeyDown:
        onKeyDown(window, inst, wParam);
        return true;
    case kWmLButtonUp:
        onRelease(inst);
        return true;
    case kWmMouseWheel:
        onWheel(window, inst, wParam);
        return true;
    case kWmMouseMove:
        onMove(window, inst, lParam);
        return true;
    case kWmLButtonDown:
        onPress(window, inst, lParam);
        return true;
    default:
        return false; // WM_PAINT, WM_KEYUP, WM_CHAR and the rest go to the default procedure
    }
}
