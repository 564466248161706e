// The editor's canvas (editor/canvas.h) on Cairo, for the X11 backend and its tests: a
// paint opens a canvas on a Cairo surface, the editor draws through editor/canvas.h, the
// paint closes it. Coordinates follow GDI+'s default pixel grid: pixel (i, j) is centred
// on the point (i, j), so one-pixel lines at whole coordinates fill exactly one row.
#pragma once

#include "editor/canvas.h"

#include <cairo.h>

// A canvas drawing on `target`, with `layer` as the window's layer (null: none). Answers
// null when no drawing context can be made; every canvas call then does nothing. At a
// `scale` other than 1 the drawing is scaled onto the target's pixels (a logical pixel
// covers scale x scale of them) and the layer keeps its picture at that scale too.
Canvas* openCairoCanvas(cairo_surface_t* target, CanvasLayer* layer, double scale = 1.0);
// Finishes the drawing (the target holds it afterwards) and releases the canvas.
void closeCairoCanvas(Canvas* canvas);

// The faces looked up for text are kept for the whole process; the graphics session's end
// releases them (fonts still in use keep theirs alive until they are deleted).
void releaseCairoFontCache();
