// The handoff between the editing side's engine and the audio thread's engine.
#include "dsp/instance_engine.h"

#include <algorithm>

namespace {

// What rebuildFilters changed on the editing side, carried over exactly as if the audio
// engine had been rebuilt itself: the same band list, the same designed coefficients,
// filter states kept for the bands that still exist, and the next modulation update
// redesigning every band it covers.
void adoptBands(Engine& audio, const Engine& edits) {
    const std::size_t n = edits.bands.size();
    audio.bands.assign(edits.bands.begin(), edits.bands.end());
    audio.filters.resize(std::min(n, edits.filters.size()));
    for (std::size_t i = 0; i < audio.filters.size(); ++i) {
        audio.filters[i].coeffs = edits.filters[i].coeffs;
    }
    const std::size_t marked = std::min(n, audio.lastModulation.size());
    std::fill_n(audio.lastModulation.begin(), marked, -1.0);
}

// The rate and what follows from it; the detector's own state carries on.
void adoptRate(Engine& audio, const Engine& edits) {
    audio.sampleRate = edits.sampleRate;
    audio.envRate = edits.envRate;
    audio.detectorTerms = edits.detectorTerms;
}

// The editor draws the coefficients the audio really uses, modulation included, and
// edits map band gains against the spectrum the audio last measured. That is the spectrum
// of every ring filled before this block, as the editing side's rebuilds must see it for
// the audio to stay what it was, so an analysis still coming in (analyser.cpp) is finished
// here first: the work after a fill lands in two blocks rather than one.
void publish(InstanceEngine& inst) {
    const Engine& audio = inst.audio;
    const std::size_t n = std::min(audio.filters.size(), inst.edit.filters.size());
    for (std::size_t i = 0; i < n; ++i) {
        inst.edit.filters[i].coeffs = audio.filters[i].coeffs;
    }
    finishAnalysis(inst.audio);
    if (inst.publishedAnalyses != audio.analysisCount &&
        inst.edit.spectrumDb.size() == audio.spectrumDb.size()) {
        std::copy(audio.spectrumDb.begin(), audio.spectrumDb.end(), inst.edit.spectrumDb.begin());
        inst.publishedAnalyses = audio.analysisCount;
    }
}

} // namespace

void exchangeWithAudio(InstanceEngine& inst) noexcept {
    for (int i = 0; i < kNumParams; ++i) {
        setParam(inst.audio, i, param(inst.edit, i));
    }
    if (inst.adoptedRebuilds != inst.edit.rebuildCount) {
        try {
            adoptRate(inst.audio, inst.edit);
            adoptBands(inst.audio, inst.edit);
        } catch (...) {
            // Only a band list longer than the reserved capacity can fail to grow here;
            // the audio keeps its old filters and tries again with the next edit.
            return;
        }
        inst.adoptedRebuilds = inst.edit.rebuildCount;
    }
    publish(inst);
}
