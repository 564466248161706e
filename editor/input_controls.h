// The knobs, the preset box and the bypass button. UI thread. Knob and bypass values go
// straight into params (relaxed atomics): the host is not called back and no filter is
// redesigned, so a knob drag never holds the instance lock.
#pragma once

#include "editor/input_effect.h"

struct EditorState;

constexpr float kKnobDragSpan = 130.0f; // pixels for the whole 0..1 range

// Press on knob `knob` (strip order) at client y: remembers where the drag started.
InputEffect pressKnob(EditorState& ed, int knob, int y);
// Mouse move while a knob is dragged; the value is measured from the press point, so
// returning there restores the start value exactly.
InputEffect dragKnobTo(EditorState& ed, int y);
// Steps to the next factory preset (0 -> 1 -> 2 -> 0). Caller holds ed.engine.lock.
InputEffect stepPreset(EditorState& ed);
InputEffect toggleBypass(EditorState& ed);
