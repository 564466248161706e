// Edits of the band list from the mouse and keyboard. UI thread; the caller holds
// inst.lock, so each change and its rebuildFilters reach the audio thread whole,
// and applies the returned effect after releasing it.
#pragma once

#include "editor/input_effect.h"

#include <cstdint>
#include <optional>

struct PluginInstance;

constexpr int kMaxBands = 24; // one modulation slot per band
constexpr int kMinBands = 1;

bool selectedBandValid(const PluginInstance& inst);
bool bandDragValid(const PluginInstance& inst);

// Press on the node of band `hit`: a double click removes it (2 or more bands), any
// other press selects it and starts dragging it.
InputEffect pressBandNode(PluginInstance& inst, int hit, bool doubleClick);
// Double click in empty graph space: a new bell under the cursor, dragged at once.
// Empty when refused because the list is full, so the press can go on to later controls.
std::optional<InputEffect> addBandAtPoint(PluginInstance& inst, int x, int y);
InputEffect setSelectedBandType(PluginInstance& inst, int type);
InputEffect selectBandChip(PluginInstance& inst, int chip);
// The "+" chip: a 1 kHz bell appended and selected; empty when refused (list full).
std::optional<InputEffect> addBandFromChip(PluginInstance& inst);

// Mouse move while a band is dragged: the node jumps to the clamped cursor.
InputEffect dragBandTo(PluginInstance& inst, int x, int y);
InputEffect changeSelectedQ(PluginInstance& inst, int wheelDistance);
InputEffect deleteSelectedBand(PluginInstance& inst);
