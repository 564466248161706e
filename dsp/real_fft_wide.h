// The analyser's transform steps on processors with AVX2 and FMA: four butterflies and four
// bins per step, multiply-adds fused. Same butterflies and twiddles as real_fft.cpp; the
// powers agree with the baseline path to within a few units in the last place.
#pragma once

#include "dsp/stereo_pair.h"

#if TOLVANE_SSE2
// The bit-reversed copy of the interleaved `samples` (real part of element k at 2k, its
// imaginary part at 2k + 1) into split `re`/`im` and the first two radix-2 stages, sixteen
// elements at a time; `half` is a multiple of 16. The same additions as real_fft.cpp's.
void firstStagesWide(const double* samples, const int* bitReversed, double* re, double* im,
                     int half) noexcept;
// The radix-2 stages of half-length 4 up to half of `half` on split real/imaginary arrays;
// `wRe`/`wIm`: each stage's twiddles in turn, as real_fft.cpp lays them out.
void laterStagesWide(double* re, double* im, const double* wRe, const double* wIm,
                     int half) noexcept;
// The split pass of bins 1..half-1 and their powers; `splitRe`/`splitIm`: e^(-2 pi i k / 2half).
void splitPowersWide(const double* re, const double* im, const double* splitRe,
                     const double* splitIm, int half, double* power) noexcept;
// Bin levels in dB (see analyser.cpp) of `count` powers in place, four at a time; answers
// how many it did (a multiple of four).
int levelsWide(double* power, int count, double binScaleDb) noexcept;
// The ring through the window (see analyser.cpp), four samples at a time; answers how many
// it did. The same single multiplication per sample as the baseline, so the same bits.
int windowWide(double* samples, const float* ring, const double* window, int count) noexcept;
// The smoothing of the displayed spectrum (see analyser.cpp), eight bins at a time and
// without fused steps, so the same bits as the baseline's; answers how many it did.
int smoothWide(float* spectrumDb, const double* levels, int count) noexcept;
#endif
