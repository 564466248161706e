// The steps of paintEditor, back to front. Each reads the paint's snapshot through the
// context and may add to its shared resources (the header creates most of them, the grid
// the last two).
#pragma once

#include "editor/paint_helpers.h"

// Background, header band, logo, product texts, preset box and badges.
void paintHeader(PaintContext& p);

// Response graph, in drawing order.
void paintSelectedGlow(PaintContext& p);
void paintGrid(PaintContext& p); // creates gridPen and zeroLinePen
void paintSpectrum(PaintContext& p);
void paintBandCurves(PaintContext& p);
void paintSumCurve(PaintContext& p);
void paintBandNodes(PaintContext& p);
void paintBandPanel(PaintContext& p);
void paintNoteRuler(PaintContext& p);

// Knobs, band chips, level meters and the bypass button.
void paintControlStrip(PaintContext& p);
