// The band cascade of up to eight stages on processors with AVX-512, run skewed: two
// stages share a 256-bit register (both channels of each), and at each step stage s works
// on the sample s steps behind stage 0, so the stages of one register are independent
// within the step and take half the instructions. Outputs come out the last stage up to
// seven samples after their input went in; between calls those samples stay in flight.
//
// Per lane the arithmetic is the plain cascade's, fused the same way as the wide cascade
// (cascade_wide.cpp), so the outputs and states are the same bits. A sample in flight
// keeps the coefficients it was started with: after a modulation tick, the stages switch
// to the new coefficients one by one as the first sample after the tick reaches them.
#pragma once

#include "dsp/cascade.h"
#include "dsp/detector.h"

#include <cstdint>

#if TOLVANE_SSE2
struct SkewedCascade {
    static constexpr std::int32_t kMaxStages = 8;
    std::int32_t stages = 0;   // 1 to kMaxStages (0: not set up)
    std::int32_t inFlight = 0; // samples in the pipeline, which follow their outputs out
    // How many of those (the newest) are on the cascade's present coefficients while the
    // others are on the kept set; 0 when all of them are on the kept set. A run cut short
    // can leave both kinds in flight: the pipeline must then be emptied before the
    // cascade's coefficients change.
    std::int32_t fresh = 0;
    double x[2 * kMaxStages]; // each stage's input pair at the coming step
    // Two sets of each stage's coefficient pairs (b0, b1, b2, a1, a2), laid out as the
    // registers take them: sets[kept] for the samples in flight not marked `fresh`, the
    // other one filled from the cascade at each call (swapping the two saves copying).
    double sets[2][5][2 * kMaxStages];
    std::int32_t kept = 0;
};

// Sets the pipeline up, empty, for a cascade of at most kMaxStages stages; false when the
// cascade is longer (it is then run another way).
bool startSkewed(SkewedCascade& pipe, const Cascade& cascade) noexcept;

// Takes `count` sane samples (at most 32) into the pipeline, the detector steps of those
// from `detectFrom` on in between (`engine` supplies the detector's constants). Writes the
// outputs that come out, oldest first, to `y` and answers how many (at most count + 7):
// they are the `inFlight` samples before these, then these, in order. If the cascade's
// coefficients changed since the last call, `fresh` must be 0 (empty the pipeline first
// otherwise).
std::int32_t runSkewed(SkewedCascade& pipe, Cascade& cascade, const Engine& engine,
                       DetectorState& detector, std::int32_t detectFrom, const float* left,
                       const float* right, std::int32_t count, StereoPair* y) noexcept;

// Lets every sample in flight out (writes `inFlight` outputs to `y` and answers how many);
// the stage states in `cascade` are then those of the plain cascade after the same samples.
std::int32_t drainSkewed(SkewedCascade& pipe, Cascade& cascade, StereoPair* y) noexcept;
#endif
