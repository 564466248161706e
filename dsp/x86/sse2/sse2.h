// The SSE2 kernels (every x86-64 processor): the portable ones (generic/) where the pair
// already makes them two lanes wide, these where four floats or two bins at a time pay.
#pragma once

#include "dsp/kernels.h"

namespace sse2 {

std::int32_t finiteLength(const float* left, const float* right, std::int32_t count) noexcept;
void monoSum(const float* left, const float* right, std::int32_t count, float* mono) noexcept;
float peakMagnitude(const float* samples, std::int32_t count) noexcept;
void window(double* samples, const float* ring, const double* window, int count) noexcept;
void levels(double* power, int count, double binScaleDb) noexcept;
void smooth(float* spectrumDb, const double* levels, int count) noexcept;

} // namespace sse2
