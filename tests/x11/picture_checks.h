// The colour and layout checks of the editor's picture, the same pixels and colours the
// wine picture test checks in the DLL's editor, so both platforms are held to one look.
#pragma once

#include "tests/x11/x11_picture.h"

// The colour checks both platforms share (tests/picture/editor_colour_checks.h): solid
// and gradient areas at fixed pixels, and anti-aliased text and curves somewhere in a box,
// with Cairo's allowance on top of the wine test's tolerances.
void checkColours(const Picture& picture);
