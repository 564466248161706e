// The colour and layout checks of the editor's picture, the same pixels and colours the
// wine picture test checks in the DLL's editor, so both platforms are held to one look.
#pragma once

#include "tests/x11/x11_picture.h"

// Solid and gradient areas at fixed pixels: background, header, control strip, logo,
// bypass lamp, knob value arcs, add chip and the first lit meter segments.
void checkSolidAreas(const Picture& picture);
// Anti-aliased text and curves: somewhere in a box a pixel reaches the colour.
void checkTextAndCurves(const Picture& picture);
