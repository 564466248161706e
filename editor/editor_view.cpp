#include "editor/editor_view.h"

#include <algorithm>
#include <mutex>

namespace {
// Generous for the 24-band editing limit; a longer list just allocates under the lock.
constexpr std::size_t kReservedBands = 32;
} // namespace

void captureEditorView(PluginInstance& inst, EditorView& view) {
    view.bands.reserve(kReservedBands);
    view.coeffs.reserve(kReservedBands);
    view.spectrumDb.reserve(kSpectrumBins);

    for (int i = 0; i < kNumParams; ++i) {
        view.params[static_cast<std::size_t>(i)] = param(inst, i);
    }
    view.peakL = inst.peakL.load(std::memory_order_relaxed);
    view.peakR = inst.peakR.load(std::memory_order_relaxed);

    const std::lock_guard<std::mutex> guard(inst.lock);
    view.bands.assign(inst.bands.begin(), inst.bands.end());
    // The lists agree after every edit; should they not, the surplus bands get no
    // coefficients and the painter skips their curves and their share of the sum.
    const std::size_t n = std::min(inst.bands.size(), inst.filters.size());
    view.coeffs.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        view.coeffs[i] = inst.filters[i].coeffs;
    }
    view.spectrumDb.assign(inst.spectrumDb.begin(), inst.spectrumDb.end());
    view.sampleRate = inst.sampleRate;
    view.selectedBand = inst.selectedBand;
    view.presetIndex = inst.presetIndex;
    view.animPhase = inst.animPhase;
}
