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

// The audio's spectrum to the editing side when a whole new one is in. If the next ring
// has filled since, its analysis may have smoothed some bins into that spectrum already
// (those a tick reads): it is finished then, and the editing side gets it whole. Small
// host blocks exchange between the two; blocks of most of a ring are heavy enough anyway.
bool publishSpectrum(InstanceEngine& inst) {
    Engine& audio = inst.audio;
    if (inst.publishedAnalyses == audio.analysisCount ||
        inst.edit.spectrumDb.size() != audio.spectrumDb.size()) {
        return false;
    }
    finishAnalysis(audio);
    std::copy(audio.spectrumDb.begin(), audio.spectrumDb.end(), inst.edit.spectrumDb.begin());
    inst.publishedAnalyses = audio.analysisCount;
    return true;
}

// The editor draws the coefficients the audio really uses, modulation included, and the
// latest whole spectrum the audio measured: an analysis still coming in (analyser.cpp)
// waits for its last slice, so that the work after a fill stays spread over the blocks
// that follow it. Whether the editing side is behind, an analysis of a ring filled before
// this exchange still missing from its spectrum, is kept for the next edit's adoption.
void publish(InstanceEngine& inst) {
    const Engine& audio = inst.audio;
    const std::size_t n = std::min(audio.filters.size(), inst.edit.filters.size());
    for (std::size_t i = 0; i < n; ++i) {
        inst.edit.filters[i].coeffs = audio.filters[i].coeffs;
    }
    publishSpectrum(inst);
    inst.editSpectrumBehind = audio.analysis.pending;
}

// An edit made since the last exchange mapped its band gains against the editing side's
// spectrum. When that lacked a ring filled before the last exchange (its analysis was
// still coming in), the edit is designed again against it, as if the analysis had been
// finished at that exchange: the audio stays what it is when every ring is analysed at
// once. Edits are rare, so finishing the analysis here costs little. A rebuild made while
// the editing side was up to date is never redone, even if a ring has filled since: it
// maps against the spectrum it was made with. Should the lock have been busy for so long
// that yet another analysis has completed since, the one the edit lacked is gone and it
// maps against the latest. Designing again does not allocate: the filter list has had the
// band list's size since the edit's own rebuild.
void catchUpEdit(InstanceEngine& inst) {
    if (!inst.editSpectrumBehind) {
        return;
    }
    finishAnalysis(inst.audio);
    if (publishSpectrum(inst)) {
        rebuildFilters(inst.edit);
    }
}

} // namespace

void exchangeWithAudio(InstanceEngine& inst) noexcept {
    for (int i = 0; i < kNumParams; ++i) {
        setParam(inst.audio, i, param(inst.edit, i));
    }
    if (inst.adoptedRebuilds != inst.edit.rebuildCount) {
        try {
            catchUpEdit(inst);
            adoptRate(inst.audio, inst.edit);
            adoptBands(inst.audio, inst.edit);
        } catch (...) {
            // Only a band list longer than the reserved capacity can fail to grow here;
            // the audio keeps its old filters and tries again at the next exchange.
            return;
        }
        inst.adoptedRebuilds = inst.edit.rebuildCount;
    }
    publish(inst);
}
