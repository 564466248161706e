// The left-button press router: decides in a fixed order which control a press belongs
// to. UI thread; the caller holds ed.engine.lock and applies the effect after releasing it.
#pragma once

#include "editor/input_effect.h"

struct EditorState;

// Tries, in order: band node, double click in empty graph, band panel type button,
// band chip, add chip, knob, preset box, bypass button. The first that applies ends the
// handling; a press that meets none does nothing.
InputEffect routePress(EditorState& ed, int x, int y, bool doubleClick);
