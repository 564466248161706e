// The gestures of the input test and their checks, the wine input test's row for row:
// each gesture's result is judged by the sound of a tone through the plug-in, by
// getParameter and by the dispatcher's parameter texts. The double click and the Delete
// key come on top.
#pragma once

#include "host/vst_abi.h"

#include <X11/Xlib.h>

class EditorPump;
class ToneFeed;
class XTestInput;

struct InputContext {
    AEffect* effect;
    Display* display;
    Window editor;
    EditorPump& pump;
    ToneFeed& feed;
    XTestInput& input;
};

// Band 4 of the starting list dragged to 1 kHz and +24 dB, then narrowed with the wheel.
void checkNodeDragAndWheel(InputContext& c, double base1k);
// Three presses on the preset box: presets 1, 2 and 0 (the starting list again).
void checkPresetBox(InputContext& c, double base1k, double base16k);
// OUTPUT TRIM up to its top and back, VAVU COUPLING down by a fifth of its range.
void checkKnobs(InputContext& c);
// The bypass button on and off again.
void checkBypass(InputContext& c);
// Two single clicks in empty graph space add nothing, a double click there adds a band,
// and Delete removes it again.
void checkDoubleClickAndDelete(InputContext& c);
