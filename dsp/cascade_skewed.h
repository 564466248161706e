// The pipeline of the skewed cascade, the kernel (kernels.h: startSkewed, runSkewed,
// drainSkewed) that runs a band cascade of up to eight stages on processors with AVX2 (and
// AVX-512, whose mask registers pick its lanes; x86/avx2/skewed_pipe.h): two stages share a
// 256-bit register (both channels of each), and at each step stage s works
// on the sample s steps behind stage 0, so the stages of one register are independent
// within the step and take half the instructions. Outputs come out the last stage up to
// seven samples after their input went in; between calls those samples stay in flight.
//
// Per lane the arithmetic is the plain cascade's, fused the same way as the AVX2 kernel's,
// so the outputs and states are the same bits. A sample in flight
// keeps the coefficients it was started with: after a modulation tick, the stages switch
// to the new coefficients one by one as the first sample after the tick reaches them.
#pragma once

#include <cstdint>

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
