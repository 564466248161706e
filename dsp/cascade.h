// The enabled band filters of one block as a compact list of stereo stages: both channels
// of a stage run in one register pair, with the coefficients duplicated across the lanes.
// The arithmetic is the stage of formulas.h, as in the one channel at a time form of the
// checked path (audio_path.cpp), so the results are bit-identical to it while the input is
// sane.
#pragma once

#include "dsp/engine.h"
#include "dsp/formulas.h"
#include "dsp/stereo_pair.h"

#include <array>
#include <cstdint>

struct CascadeStage {
    StereoPair b0, b1, b2, a1, a2;
    StereoPair s1, s2;    // left and right state
    std::uint32_t filter; // index into Engine::filters
    std::uint32_t design; // the filter's redesign count its coefficients were taken at
};

struct Cascade {
    static constexpr std::size_t kCapacity = 32;
    std::array<CascadeStage, kCapacity> stages;
    std::size_t count = 0;
    bool complete = false; // false: more enabled bands than kCapacity
};

// Takes the enabled filters' coefficients and states.
void loadCascade(const Engine& engine, Cascade& cascade) noexcept;
// Takes new coefficients after a modulation update (states stay): only those of the stages
// whose filter was redesigned since, as most ticks redesign few bands or none.
void reloadCoefficients(const Engine& engine, Cascade& cascade) noexcept;
// Gives the states back to the filters; `flush` zeroes those below 1e-15, as the
// sample-by-sample form does, so silent tails never reach denormal values.
void storeStates(const Cascade& cascade, Engine& engine, bool flush) noexcept;

// One sample through every stage, both channels at once.
inline StereoPair runCascade(Cascade& cascade, StereoPair x) noexcept {
    for (std::size_t i = 0; i < cascade.count; ++i) {
        CascadeStage& k = cascade.stages[i];
        x = advanceStage({k.b0, k.b1, k.b2, k.a1, k.a2}, x, k.s1, k.s2);
    }
    return x;
}
