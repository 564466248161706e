// The kernels for processors with AVX2 and FMA (kernels.h): the cascade's and the output
// stage's multiply-adds fused, the analyser four bins at a time.
#pragma once

#include "dsp/kernels.h"

namespace avx2 {

std::int32_t cascadeRun(Cascade& cascade, const DetectorTerms& terms, DetectorState& detector,
                        std::int32_t detectFrom, const float* left, const float* right,
                        StereoPair* y, std::int32_t count, double saneLimit) noexcept;
void finishRun(const StereoPair* y, const bool* checked, std::int32_t count, double trim,
               double limiter, float* left, float* right) noexcept;
void detectorInputs(const float* left, const float* right, std::int32_t count,
                    double* inputs) noexcept;
void window(double* samples, const float* ring, const double* window, int count) noexcept;
void fftPower(const RealFftTables& tables, const double* samples, double* work,
              double* power) noexcept;
void levels(double* power, int count, double binScaleDb) noexcept;
void smooth(float* spectrumDb, const double* levels, int count) noexcept;

} // namespace avx2
