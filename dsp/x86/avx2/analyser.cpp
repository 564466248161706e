// The analyser on processors with AVX2 and FMA: four butterflies and four bins per step,
// multiply-adds fused. Same butterflies and twiddles as the portable transform
// (generic/kernels.cpp); the powers agree with it to within a few units in the last place.
// The window and the smoothing do not fuse, so they give the portable kernels' bits.
#include "dsp/fast_math.h"
#include "dsp/generic/generic.h"
#include "dsp/spectrum_levels.h"
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx2/lanes.h"
#include "dsp/x86/sse2/sse2.h"

#include <limits>

namespace avx2 {

namespace {

TOLVANE_AVX2_LANE Lanes4 at(const double* p) {
    return {_mm256_loadu_pd(p)};
}
TOLVANE_AVX2_LANE void put(double* p, Lanes4 v) {
    _mm256_storeu_pd(p, v.v);
}

// log10Parts (formulas.h) of four lanes, from their bits.
TOLVANE_AVX2_LANE Log10Parts<Lanes4> log10PartsWide(Lanes4 x) {
    const __m256i bits = _mm256_castpd_si256(x.v);
    const __m256i mantissaBits =
        _mm256_or_si256(_mm256_and_si256(bits, _mm256_set1_epi64x(0x000FFFFFFFFFFFFFll)),
                        _mm256_set1_epi64x(0x3FF0000000000000ll));
    const __m256d m = _mm256_castsi256_pd(mantissaBits);
    const __m256d twoTo52 = _mm256_set1_pd(4503599627370496.0);
    const __m256d biased =
        _mm256_sub_pd(_mm256_castsi256_pd(_mm256_or_si256(_mm256_srli_epi64(bits, 52),
                                                          _mm256_castpd_si256(twoTo52))),
                      twoTo52);
    return log10Parts(Lanes4{m}, Lanes4{biased});
}

// Four butterflies or four bins per step: the transform's lanes (real_fft.h) and the
// levels' (spectrum_levels.h).
struct WideLanes {
    using V = Lanes4;
    static constexpr int kWidth = 4;
    TOLVANE_AVX2_LANE static Lanes4 load(const double* p) { return at(p); }
    TOLVANE_AVX2_LANE static void store(double* p, Lanes4 v) { put(p, v); }
    TOLVANE_AVX2_LANE static Log10Parts<Lanes4> parts(Lanes4 x) { return log10PartsWide(x); }
    TOLVANE_AVX2_LANE static Lanes4 singlePrecision(Lanes4 x) {
        return {_mm256_cvtps_pd(_mm256_cvtpd_ps(x.v))};
    }
};

TOLVANE_AVX2 void laterStages(double* re, double* im, const RealFftTables& t, int from, int to) {
    fft_passes::laterStages<WideLanes>(re, im, t, from, to);
}

// The four values ending at p, in reverse order: p[0], p[-1], p[-2], p[-3].
TOLVANE_AVX2_LANE Lanes4 reversedAt(const double* p) {
    return {_mm256_permute4x64_pd(_mm256_loadu_pd(p - 3), _MM_SHUFFLE(0, 1, 2, 3))};
}

// Bins from..to - 1, four at a time; the one-value loop takes the rest (bins 509..511 when
// `to` is the end).
TOLVANE_AVX2 void splitPowers(const double* re, const double* im, const RealFftTables& t, int from,
                              int to, double* power) {
    constexpr int half = kRealFftHalf;
    int k = from;
    for (; k + 3 < to; k += 4) {
        const Lanes4 ci{_mm256_sub_pd(_mm256_setzero_pd(), reversedAt(im + half - k).v)};
        put(power + k, splitPower(at(re + k), at(im + k), reversedAt(re + half - k), ci,
                                  at(t.splitRe.data() + k), at(t.splitIm.data() + k)));
    }
    generic::splitPowers(re, im, t, k, to, power);
}

} // namespace

// The first two stages are the portable ones (generic::fftFirstStages), run as the samples
// arrive.
TOLVANE_AVX2 void fftPart(const RealFftTables& t, const double*, double* work, double* power,
                          int part) noexcept {
    double* re = work;
    double* im = work + kRealFftHalf;
    if (part == 0) {
        laterStages(re, im, t, 4, kFftSecondPartFrom);
        return;
    }
    laterStages(re, im, t, kFftSecondPartFrom, kRealFftHalf);
    edgePowers(re, im, power);
}

TOLVANE_AVX2 void fftSplit(const RealFftTables& t, const double* work, double* power, int from,
                           int to) noexcept {
    splitPowers(work, work + kRealFftHalf, t, from, to, power);
}

TOLVANE_AVX2 void levels(double* power, int count, double binScaleDb) noexcept {
    const int done = spectrum_levels::inTwoPasses<WideLanes>(power, count, binScaleDb);
    sse2::levels(power + done, count - done, binScaleDb);
}

TOLVANE_AVX2_UNFUSED void window(double* samples, const float* ring, const double* window,
                                 int count) noexcept {
    const __m256d largest = _mm256_set1_pd(std::numeric_limits<double>::max());
    const __m256d magnitude = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    int i = 0;
    for (; i + 3 < count; i += 4) {
        const __m256d v = _mm256_cvtps_pd(_mm_loadu_ps(ring + i));
        const __m256d finite = _mm256_cmp_pd(_mm256_and_pd(v, magnitude), largest, _CMP_LE_OQ);
        _mm256_storeu_pd(samples + i,
                         _mm256_and_pd(finite, _mm256_mul_pd(v, _mm256_loadu_pd(window + i))));
    }
    sse2::window(samples + i, ring + i, window + i, count - i);
}

TOLVANE_AVX2_UNFUSED void smooth(float* spectrumDb, const double* levels, int count) noexcept {
    int k = 0;
    for (; k + 7 < count; k += 8) {
        const __m256 fresh = _mm256_set_m128(_mm256_cvtpd_ps(_mm256_loadu_pd(levels + k + 4)),
                                             _mm256_cvtpd_ps(_mm256_loadu_pd(levels + k)));
        const __m256 old = _mm256_loadu_ps(spectrumDb + k);
        const __m256 rise = _mm256_add_ps(_mm256_mul_ps(old, _mm256_set1_ps(0.35f)),
                                          _mm256_mul_ps(fresh, _mm256_set1_ps(0.65f)));
        const __m256 fall = _mm256_add_ps(_mm256_mul_ps(old, _mm256_set1_ps(0.9f)),
                                          _mm256_mul_ps(fresh, _mm256_set1_ps(0.1f)));
        const __m256 rises = _mm256_cmp_ps(fresh, old, _CMP_GT_OQ);
        _mm256_storeu_ps(spectrumDb + k, _mm256_blendv_ps(fall, rise, rises));
    }
    sse2::smooth(spectrumDb + k, levels + k, count - k);
}

// The magnitudes and the garbage test in single precision (exact: both limits are floats),
// eight at a time, widened to double at the end: the same values as detectorInput.
TOLVANE_AVX2 void detectorInputs(const float* left, const float* right, std::int32_t count,
                                 double* inputs) noexcept {
    std::int32_t i = 0;
    const __m256 magnitude = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
    for (; i + 7 < count; i += 8) {
        const __m256 l = _mm256_and_ps(_mm256_loadu_ps(left + i), magnitude);
        const __m256 r = _mm256_and_ps(_mm256_loadu_ps(right + i), magnitude);
        // The one-value form's std::max(|L|, |R|) answers its first operand when either is
        // not a number; this instruction answers its second.
        const __m256 m = _mm256_max_ps(r, l);
        // "Less than" is false for NaN as well as for the absurdly large.
        const __m256 sane = _mm256_cmp_ps(m, _mm256_set1_ps(1000000.0f), _CMP_LT_OQ);
        const __m256 in = _mm256_and_ps(sane, m);
        _mm256_storeu_pd(inputs + i, _mm256_cvtps_pd(_mm256_castps256_ps128(in)));
        _mm256_storeu_pd(inputs + i + 4, _mm256_cvtps_pd(_mm256_extractf128_ps(in, 1)));
    }
    generic::detectorInputs(left + i, right + i, count - i, inputs + i);
}

} // namespace avx2
