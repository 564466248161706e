// The analyser's transform: a 1024-point FFT of real samples, computed as a 512-point
// complex FFT of the even and odd samples and one split pass. Twiddle factors come from a
// table built once (off the audio thread, when the first engine is built).
#pragma once

#include <vector>

constexpr int kRealFftSize = 1024;
constexpr int kRealFftBins = kRealFftSize / 2 + 1;

// Builds the shared tables if they are not built yet. Any thread; call it before the audio
// thread may run a transform.
void prepareRealFft();

// `samples`: kRealFftSize real values; `work`: 2 * kRealFftSize doubles of scratch. Writes
// the squared magnitude of bins 0..512 into `power`.
void realFftPower(const double* samples, double* work, double* power) noexcept;
