// What one paint draws, copied out of the instance under its lock. The picture is then
// drawn from this copy with the lock released, so edits are held up only for a few
// memcpy-sized copies, and the band and filter lists the painter sees always agree.
#pragma once

#include "dsp/band.h"
#include "dsp/instance_engine.h"
#include "editor/editor_state.h"

#include <array>
#include <cstdint>
#include <vector>

struct EditorView {
    std::array<float, kNumParams> params{};
    std::vector<Band> bands;
    std::vector<BiquadCoefficients> coeffs; // one per band, same index
    std::vector<float> spectrumDb;
    double sampleRate = 48000.0;
    std::int32_t selectedBand = -1;
    std::int32_t presetIndex = 0;
    float peakL = 0.0f;
    float peakR = 0.0f;
    float animPhase = 0.0f;
};

// UI thread. Takes ed.engine.lock for the copy only; storage is reserved before locking so the
// copy normally allocates nothing while the lock is held.
void captureEditorView(EditorState& ed, EditorView& view);

// True when `selectedBand` names a band of the view (enabled or not).
inline bool hasSelectedBand(const EditorView& view) {
    return view.selectedBand >= 0 &&
           static_cast<std::size_t>(view.selectedBand) < view.bands.size();
}
