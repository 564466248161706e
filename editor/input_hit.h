// Hit geometry of the editor's controls, at the fixed 920 x 580 client size. These are
// the rectangles and circles the painter draws (editor/layout.h); every rectangle test
// includes both bounds.
#pragma once

#include "dsp/band.h"

#include <vector>

// Both bounds included.
inline bool inRange(int v, int low, int high) {
    return v >= low && v <= high;
}

// Graph area for adding bands: x 45..875, y 52..425.
bool inGraphArea(int x, int y);

// Index of the enabled band whose node lies within 16 pixels of (x, y), searching from
// the last band so the node drawn on top wins; -1 when none is hit.
int hitBandNode(const std::vector<Band>& bands, int x, int y);

// Type button (BandType order) of the panel shown for `selected`, or -1.
int hitTypeButton(const Band& selected, int x, int y);

// Chip index 0..count-1 under (x, y), or -1.
int hitBandChip(int count, int x, int y);
// The "+" chip just after the last band chip.
bool hitAddChip(int count, int x, int y);

// Knob 0..3 in strip order within 22 pixels, or -1.
int hitKnob(int x, int y);

bool inPresetColumn(int x);
bool inPresetBox(int x, int y);
bool inBypassButton(int x, int y);
