// Factory presets: the titles of the preset box and the loader behind it.
#include "editor/presets.h"

#include "dsp/factory_bands.h"
#include "dsp/instance_engine.h"
#include "editor/editor_state.h"

namespace {
// Each title is drawn as one string, arrows included (three spaces inside each arrow).
constexpr const wchar_t* kPresetTitles[kFactoryPresetCount] = {
    L"◄   01 • Master Modern Clarity   ►",
    L"◄   02 • 808 Sub Sculptor   ►",
    L"◄   03 • Master Bus Glue   ►",
};
} // namespace

const wchar_t* presetTitle(std::int32_t presetIndex) {
    if (presetIndex == 1) {
        return kPresetTitles[1];
    }
    return presetIndex >= 2 ? kPresetTitles[2] : kPresetTitles[0];
}

void loadPreset(EditorState& ed, std::int32_t index) {
    const FactoryBandList& list = factoryBandList(index);
    ed.engine.edit.bands.clear();
    for (const Band& band : list.bands) {
        Band loaded = band;
        loaded.enabled = true;
        ed.engine.edit.bands.push_back(loaded);
    }
    ed.selectedBand = list.selectedBand;
    rebuildFilters(ed.engine.edit);
}
