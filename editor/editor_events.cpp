// Routing of the editor window's events to the timer tick and the input handlers.
// UI thread only: the platform delivers every event on the thread that opened the window,
// so no two handlers overlap. Edits of the band list take the instance lock for the
// change and its filter rebuild; repaint and capture requests wait until the lock is
// released.
#include "editor/editor_events.h"

#include "dsp/instance_engine.h"
#include "editor/editor_state.h"
#include "editor/editor_window.h"
#include "editor/input_bands.h"
#include "editor/input_controls.h"
#include "editor/input_effect.h"
#include "editor/input_pointer.h"
#include "editor/input_press.h"
#include "editor/window_system.h"

#include <mutex>

namespace {

constexpr float kAnimStep = 0.04f;

void onTick(WindowHandle window, EditorState& ed) {
    // The phase is never wrapped so it runs on across reopenings.
    ed.animPhase += kAnimStep;
    invalidateWindow(window);
}

void onPress(WindowHandle window, EditorState& ed, const EditorEvent& e) {
    InputEffect effect;
    {
        std::lock_guard<std::mutex> guard(ed.engine.lock);
        const bool doubleClick = registerPress(ed, e.x, e.y, e.time);
        effect = routePress(ed, e.x, e.y, doubleClick);
    }
    applyInputEffect(window, effect);
}

void onMove(WindowHandle window, EditorState& ed, const EditorEvent& e) {
    InputEffect effect;
    bool bandDragged = false;
    {
        std::lock_guard<std::mutex> guard(ed.engine.lock);
        if (bandDragValid(ed)) {
            effect = dragBandTo(ed, e.x, e.y);
            bandDragged = true;
        }
    }
    if (!bandDragged) {
        // Knob values are atomics and need no lock.
        effect = dragKnobTo(ed, e.y);
    }
    applyInputEffect(window, effect);
}

void onRelease(EditorState& ed) {
    // No repaint: the picture already shows the last drag position.
    if (ed.dragBand >= 0 || ed.dragKnob >= 0) {
        ed.dragBand = -1;
        ed.dragKnob = -1;
        releaseMouse();
    }
}

void onWheel(WindowHandle window, EditorState& ed, int steps) {
    InputEffect effect;
    {
        std::lock_guard<std::mutex> guard(ed.engine.lock);
        effect = changeSelectedQ(ed, steps);
    }
    applyInputEffect(window, effect);
}

void onKey(WindowHandle window, EditorState& ed, EditorKey key) {
    if (key != EditorKey::Delete) {
        return;
    }
    InputEffect effect;
    {
        std::lock_guard<std::mutex> guard(ed.engine.lock);
        effect = deleteSelectedBand(ed);
    }
    applyInputEffect(window, effect);
}

} // namespace

bool handleEditorEvent(WindowHandle window, EditorState& ed, const EditorEvent& event) {
    switch (event.kind) {
    case EditorEventKind::Open:
        startAnimationTimer(window);
        return true;
    case EditorEventKind::Close:
        stopAnimationTimer(window);
        return true;
    case EditorEventKind::Tick:
        onTick(window, ed);
        return true;
    case EditorEventKind::Press:
        onPress(window, ed, event);
        return true;
    case EditorEventKind::Release:
        onRelease(ed);
        return true;
    case EditorEventKind::Move:
        onMove(window, ed, event);
        return true;
    case EditorEventKind::Wheel:
        onWheel(window, ed, event.wheelSteps);
        return true;
    case EditorEventKind::Key:
        onKey(window, ed, event.key);
        return true;
    case EditorEventKind::Paint:
        paintEditor(event.canvas, event.width, event.height, ed);
        return true;
    }
    return false;
}
