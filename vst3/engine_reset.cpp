#include "vst3/engine_reset.h"

#include <algorithm>

const Engine& freshEngine() {
    static const Engine fresh;
    return fresh;
}

void resetAudioEngine(Engine& engine) noexcept {
    resetRunningState(engine, freshEngine());
}

void resetEditingEngine(Engine& engine) {
    const std::vector<float>& fresh = freshEngine().spectrumDb;
    std::copy_n(fresh.begin(), std::min(fresh.size(), engine.spectrumDb.size()),
                engine.spectrumDb.begin());
    rebuildFilters(engine);
}
