// The portable kernels (kernels.h): no instruction set's own code, the stereo pair whatever
// the build has. They are the baseline record, and the tails the vector kernels leave.
#pragma once

#include "dsp/kernels.h"

namespace generic {

std::int32_t cascadeRun(Cascade& cascade, const DetectorTerms& terms, DetectorState& detector,
                        std::int32_t detectFrom, const float* left, const float* right,
                        StereoPair* y, std::int32_t count, double saneLimit) noexcept;
bool startSkewed(SkewedCascade& pipe, const Cascade& cascade) noexcept;
std::int32_t runSkewed(SkewedCascade& pipe, Cascade& cascade, const DetectorTerms& terms,
                       DetectorState& detector, std::int32_t detectFrom, const float* left,
                       const float* right, std::int32_t count, StereoPair* y) noexcept;
std::int32_t drainSkewed(SkewedCascade& pipe, Cascade& cascade, StereoPair* y) noexcept;
std::int32_t finiteLength(const float* left, const float* right, std::int32_t count) noexcept;
void finishRun(const StereoPair* y, const bool* checked, std::int32_t count, double trim,
               double limiter, float* left, float* right) noexcept;
void detectorInputs(const float* left, const float* right, std::int32_t count,
                    double* inputs) noexcept;
void monoSum(const float* left, const float* right, std::int32_t count, float* mono) noexcept;
float peakMagnitude(const float* samples, std::int32_t count) noexcept;
void window(double* samples, const float* ring, const double* window, int count) noexcept;
void fftPower(const RealFftTables& tables, const double* samples, double* work,
              double* power) noexcept;
void levels(double* power, int count, double binScaleDb) noexcept;
void smooth(float* spectrumDb, const double* levels, int count) noexcept;

// Bins `from` .. kRealFftHalf - 1 of the split pass, one at a time.
void splitPowers(const double* re, const double* im, const RealFftTables& tables, int from,
                 double* power) noexcept;

} // namespace generic
