#include "dsp/cascade.h"

#include <algorithm>
#include <cmath>

namespace {

void setCoefficients(CascadeStage& stage, const BiquadCoefficients& k) {
    stage.b0 = splat(k.b0);
    stage.b1 = splat(k.b1);
    stage.b2 = splat(k.b2);
    stage.a1 = splat(k.a1);
    stage.a2 = splat(k.a2);
}

double flushed(double v) {
    return std::fabs(v) < 1e-15 ? 0.0 : v;
}

} // namespace

void loadCascade(const Engine& engine, Cascade& cascade) noexcept {
    const std::size_t stages = std::min(engine.bands.size(), engine.filters.size());
    cascade.count = 0;
    cascade.complete = true;
    for (std::size_t i = 0; i < stages; ++i) {
        if (!engine.bands[i].enabled) {
            continue;
        }
        if (cascade.count == Cascade::kCapacity) {
            cascade.count = 0; // the caller runs the filters one by one instead
            cascade.complete = false;
            return;
        }
        const BandFilter& f = engine.filters[i];
        CascadeStage& stage = cascade.stages[cascade.count++];
        setCoefficients(stage, f.coeffs);
        stage.design = static_cast<std::uint32_t>(f.designs);
        stage.s1 = pairOf(f.s1L, f.s1R);
        stage.s2 = pairOf(f.s2L, f.s2R);
        stage.filter = static_cast<std::uint32_t>(i);
    }
}

void reloadCoefficients(const Engine& engine, Cascade& cascade) noexcept {
    for (std::size_t i = 0; i < cascade.count; ++i) {
        CascadeStage& stage = cascade.stages[i];
        const BandFilter& f = engine.filters[stage.filter];
        const auto design = static_cast<std::uint32_t>(f.designs);
        if (stage.design != design) {
            setCoefficients(stage, f.coeffs);
            stage.design = design;
        }
    }
}

void storeStates(const Cascade& cascade, Engine& engine, bool flush) noexcept {
    for (std::size_t i = 0; i < cascade.count; ++i) {
        const CascadeStage& stage = cascade.stages[i];
        BandFilter& f = engine.filters[stage.filter];
        f.s1L = leftOf(stage.s1);
        f.s1R = rightOf(stage.s1);
        f.s2L = leftOf(stage.s2);
        f.s2R = rightOf(stage.s2);
        if (flush) {
            f.s1L = flushed(f.s1L);
            f.s1R = flushed(f.s1R);
            f.s2L = flushed(f.s2L);
            f.s2R = flushed(f.s2R);
        }
    }
}
