#include "editor/editor_view.h"

#include <algorithm>
#include <mutex>

namespace {
// Generous for the 24-band editing limit; a longer list just allocates under the lock.
constexpr std::size_t kReservedBands = 32;
} // namespace

void captureEditorView(EditorState& ed, EditorView& view) {
    view.bands.reserve(kReservedBands);
    view.coeffs.reserve(kReservedBands);
    view.spectrumDb.reserve(kSpectrumBins);

    for (int i = 0; i < kNumParams; ++i) {
        view.params[static_cast<std::size_t>(i)] = param(ed.engine.edit, i);
    }
    view.peakL = ed.engine.peakL.load(std::memory_order_relaxed);
    view.peakR = ed.engine.peakR.load(std::memory_order_relaxed);

    const std::lock_guard<std::mutex> guard(ed.engine.lock);
    view.bands.assign(ed.engine.edit.bands.begin(), ed.engine.edit.bands.end());
    // The lists agree after every edit; should they not, the surplus bands get no
    // coefficients and the painter skips their curves and their share of the sum.
    const std::size_t n = std::min(ed.engine.edit.bands.size(), ed.engine.edit.filters.size());
    view.coeffs.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        view.coeffs[i] = ed.engine.edit.filters[i].coeffs;
    }
    view.spectrumDb.assign(ed.engine.edit.spectrumDb.begin(), ed.engine.edit.spectrumDb.end());
    view.sampleRate = ed.engine.edit.sampleRate;
    view.selectedBand = ed.selectedBand;
    view.presetIndex = ed.presetIndex;
    view.animPhase = ed.animPhase;
}
