#include "vst3/engine_reset.h"

#include <algorithm>

const Engine& freshEngine() {
    static const Engine fresh;
    return fresh;
}

namespace {

template <typename Vector> void copyInPlace(const Vector& from, Vector& to) {
    std::copy_n(from.begin(), std::min(from.size(), to.size()), to.begin());
}

} // namespace

void resetAudioEngine(Engine& engine) noexcept {
    const Engine& fresh = freshEngine();
    for (BandFilter& filter : engine.filters) {
        filter.s1L = filter.s2L = filter.s1R = filter.s2R = 0.0;
    }
    std::fill(engine.analysisRing.begin(), engine.analysisRing.end(), 0.0f);
    engine.analysisPos = fresh.analysisPos;
    copyInPlace(fresh.spectrumDb, engine.spectrumDb);

    engine.envLevel = fresh.envLevel;
    engine.midDrive = fresh.midDrive;
    engine.lowDrive = fresh.lowDrive;
    engine.highDrive = fresh.highDrive;
    engine.peakHold = fresh.peakHold;
    engine.fastLevel = fresh.fastLevel;
    engine.transientScale = fresh.transientScale;
    engine.transientHeld = fresh.transientHeld;
    engine.levelHistory = fresh.levelHistory;
    engine.decimationCounter = fresh.decimationCounter;

    copyInPlace(fresh.modDrive, engine.modDrive);
    copyInPlace(fresh.lastModulation, engine.lastModulation);
    // As after a rebuild: the next modulation tick redesigns every band it covers.
    std::fill_n(engine.lastModulation.begin(),
                std::min(engine.bands.size(), engine.lastModulation.size()), -1.0);
    engine.modCounter = fresh.modCounter;
    engine.modWeights = fresh.modWeights;
    engine.modTerms = fresh.modTerms;
    engine.modPlainGains = fresh.modPlainGains;
}

void resetEditingEngine(Engine& engine) {
    copyInPlace(freshEngine().spectrumDb, engine.spectrumDb);
    rebuildFilters(engine);
}
