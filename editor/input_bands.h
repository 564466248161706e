// Edits of the band list from the mouse and keyboard. UI thread; the caller holds
// ed.engine.lock, so each change and its rebuildFilters reach the audio thread whole,
// and applies the returned effect after releasing it.
#pragma once

#include "editor/input_effect.h"

#include <cstdint>
#include <optional>

struct EditorState;

constexpr int kMaxBands = 24; // one modulation slot per band
constexpr int kMinBands = 1;

bool selectedBandValid(const EditorState& ed);
bool bandDragValid(const EditorState& ed);

// Press on the node of band `hit`: a double click removes it (2 or more bands), any
// other press selects it and starts dragging it.
InputEffect pressBandNode(EditorState& ed, int hit, bool doubleClick);
// Double click in empty graph space: a new bell under the cursor, dragged at once.
// Empty when refused because the list is full, so the press can go on to later controls.
std::optional<InputEffect> addBandAtPoint(EditorState& ed, int x, int y);
InputEffect setSelectedBandType(EditorState& ed, int type);
InputEffect selectBandChip(EditorState& ed, int chip);
// The "+" chip: a 1 kHz bell appended and selected; empty when refused (list full).
std::optional<InputEffect> addBandFromChip(EditorState& ed);

// Mouse move while a band is dragged: the node jumps to the clamped cursor.
InputEffect dragBandTo(EditorState& ed, int x, int y);
InputEffect changeSelectedQ(EditorState& ed, int wheelSteps);
InputEffect deleteSelectedBand(EditorState& ed);
