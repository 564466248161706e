// The kernels for processors with AVX-512 (kernels.h): the same fused steps, in the same
// order, as the AVX2 kernels, so the two give identical results. The cascades keep their
// states and the detector in the larger register file (cascade.cpp) or run skewed, two
// stages per register (skewed.cpp); the output stage takes four samples at once.
#pragma once

#include "dsp/kernels.h"

namespace avx512 {

std::int32_t cascadeRun(Cascade& cascade, const DetectorTerms& terms, DetectorState& detector,
                        std::int32_t detectFrom, const float* left, const float* right,
                        StereoPair* y, std::int32_t count, double saneLimit) noexcept;
bool startSkewed(SkewedCascade& pipe, const Cascade& cascade) noexcept;
std::int32_t runSkewed(SkewedCascade& pipe, Cascade& cascade, const DetectorTerms& terms,
                       DetectorState& detector, std::int32_t detectFrom, const float* left,
                       const float* right, std::int32_t count, StereoPair* y) noexcept;
std::int32_t drainSkewed(SkewedCascade& pipe, Cascade& cascade, StereoPair* y) noexcept;
void finishRun(const StereoPair* y, const bool* checked, std::int32_t count, double trim,
               double limiter, float* left, float* right) noexcept;

} // namespace avx512
