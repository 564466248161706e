// Factory presets: the title shown in the preset box and the loader.
#pragma once

#include <cstdint>

struct EditorState;

// Title for any preset index: 1 gives the second, 2 or more the third, anything else the first.
const wchar_t* presetTitle(std::int32_t presetIndex);

// Replaces the band list with factory list `index` (0..2), selects its dynamic band and
// redesigns the filters. Caller holds ed.engine.lock and requests the repaint.
void loadPreset(EditorState& ed, std::int32_t index);
