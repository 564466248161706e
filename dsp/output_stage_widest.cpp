#include "dsp/output_stage_widest.h"

#include "dsp/fast_math.h"
#include "dsp/output_stage_wide.h"

#include <cstring>

#if TOLVANE_SSE2
// GCC 12's AVX-512 intrinsics start their results from an "undefined" register, which its
// flow analysis reports as maybe uninitialized in every caller.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

namespace {

#define TOLVANE_WIDEST [[gnu::target("avx512f,avx2,fma")]]

TOLVANE_WIDEST inline __m512d splat8(double v) {
    return _mm512_set1_pd(v);
}

// Bitwise operations on doubles through the integer forms, which need only AVX-512F.
TOLVANE_WIDEST inline __m512d andOf(__m512d a, __m512d b) {
    return _mm512_castsi512_pd(_mm512_and_epi64(_mm512_castpd_si512(a), _mm512_castpd_si512(b)));
}
TOLVANE_WIDEST inline __m512d andNotOf(__m512d a, __m512d b) { // ~a & b
    return _mm512_castsi512_pd(_mm512_andnot_epi64(_mm512_castpd_si512(a), _mm512_castpd_si512(b)));
}
TOLVANE_WIDEST inline __m512d orOf(__m512d a, __m512d b) {
    return _mm512_castsi512_pd(_mm512_or_epi64(_mm512_castpd_si512(a), _mm512_castpd_si512(b)));
}

// expNegativeWide (output_stage_wide.cpp) on eight lanes.
TOLVANE_WIDEST inline __m512d expNegativeWidest(__m512d y) {
    const __m512d z = _mm512_sub_pd(_mm512_setzero_pd(), y);
    const __m256i n32 = _mm512_cvtpd_epi32(_mm512_mul_pd(z, splat8(1.4426950408889634)));
    const __m512d n = _mm512_cvtepi32_pd(n32);
    const __m512d r = _mm512_fnmadd_pd(n, splat8(1.9082149292705877e-10),
                                       _mm512_fnmadd_pd(n, splat8(0.6931471803691238), z));
    const __m512d r2 = _mm512_mul_pd(r, r);
    const __m512d r4 = _mm512_mul_pd(r2, r2);
    const __m512d r8 = _mm512_mul_pd(r4, r4);
    const __m512d q0 = _mm512_add_pd(splat8(1.0), r);
    const __m512d q1 = _mm512_fmadd_pd(splat8(1.0 / 6.0), r, splat8(0.5));
    const __m512d q2 = _mm512_fmadd_pd(splat8(1.0 / 120.0), r, splat8(1.0 / 24.0));
    const __m512d q3 = _mm512_fmadd_pd(splat8(1.0 / 5040.0), r, splat8(1.0 / 720.0));
    const __m512d q4 = _mm512_fmadd_pd(splat8(1.0 / 362880.0), r, splat8(1.0 / 40320.0));
    const __m512d q5 = splat8(1.0 / 3628800.0);
    const __m512d low =
        _mm512_fmadd_pd(_mm512_fmadd_pd(q3, r2, q2), r4, _mm512_fmadd_pd(q1, r2, q0));
    const __m512d p = _mm512_fmadd_pd(_mm512_fmadd_pd(q5, r2, q4), r8, low);
    const __m512i exponent = _mm512_add_epi64(_mm512_cvtepi32_epi64(n32), _mm512_set1_epi64(1023));
    return _mm512_mul_pd(p, _mm512_castsi512_pd(_mm512_slli_epi64(exponent, 52)));
}

// The run's settings in every lane, worked out once before the loop (GCC leaves the
// broadcasts in the loop otherwise, on the shuffle port the conversions need too).
struct Settings {
    __m512d trim, drive, dry, wet;
};

TOLVANE_WIDEST inline Settings settingsFor(double trim, double l) {
    return {splat8(trim), splat8(0.35 * l + 1.0), splat8(1.0 - l), splat8(l)};
}

// tanhPartsWide (output_stage_wide.cpp) on eight lanes.
TOLVANE_WIDEST inline void tanhPartsWidest(__m512d x, __m512d& numerator, __m512d& denominator) {
    const __m512d signBit = splat8(-0.0);
    const __m512d u = _mm512_mul_pd(x, x);
    __m512d n = splat8(kTanhNumerator[5]);
    for (int i = 4; i >= 0; --i) {
        n = _mm512_fmadd_pd(n, u, splat8(kTanhNumerator[i]));
    }
    __m512d d = splat8(kTanhDenominator[6]);
    for (int i = 5; i >= 0; --i) {
        d = _mm512_fmadd_pd(d, u, splat8(kTanhDenominator[i]));
    }
    numerator = _mm512_mul_pd(x, n);
    denominator = d;
    const __m512d magnitude = andNotOf(signBit, x);
    const __mmask8 far = _mm512_cmp_pd_mask(splat8(kTanhRationalLimit), magnitude, _CMP_LT_OQ);
    if (far != 0) {
        const __m512d a = _mm512_min_pd(magnitude, splat8(20.0));
        const __m512d e = expNegativeWidest(_mm512_add_pd(a, a));
        const __m512d one = splat8(1.0);
        const __m512d signed1 = orOf(andNotOf(signBit, _mm512_sub_pd(one, e)), andOf(signBit, x));
        numerator = _mm512_mask_mov_pd(numerator, far, signed1);
        denominator = _mm512_mask_mov_pd(denominator, far, _mm512_add_pd(one, e));
    }
}

// Four samples (L0 R0 ... L3 R3) through trim and limiter: finishFour's steps.
TOLVANE_WIDEST inline __m512d finishEight(__m512d y, const Settings& k) {
    const __m512d one = splat8(1.0);
    const __m512d x = _mm512_mul_pd(y, k.trim);
    __m512d v = _mm512_mul_pd(_mm512_fmsub_pd(_mm512_mul_pd(splat8(116.0), x), x, splat8(0.00375)),
                              splat8(100.0 / 20.0 / 580.0));
    v = _mm512_min_pd(_mm512_max_pd(v, _mm512_setzero_pd()), splat8(4.0));
    const __m512d driven = _mm512_mul_pd(k.drive, x);
    __m512d numerator, denominator;
    tanhPartsWidest(driven, numerator, denominator);
    const __m512d shaping = _mm512_fmadd_pd(splat8(0.25), _mm512_mul_pd(v, v), one);
    const __m512d limited = _mm512_div_pd(numerator, _mm512_mul_pd(shaping, denominator));
    return _mm512_fmadd_pd(x, k.dry, _mm512_mul_pd(limited, k.wet));
}

// Whether any of four flags is set, in one load rather than four.
inline bool anyOfFour(const bool* flags) {
    std::uint32_t word;
    std::memcpy(&word, flags, sizeof word);
    return word != 0;
}

} // namespace

TOLVANE_WIDEST std::int32_t finishRunWidest(const StereoPair* y, const bool* checked,
                                            std::int32_t run, double trim, double limiter,
                                            float* left, float* right) noexcept {
    // Lanes L0 R0 L1 R1 L2 R2 L3 R3 of the converted output, left channel first.
    const __m256i channels = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    const Settings settings = settingsFor(trim, limiter);
    std::int32_t i = 0;
    for (; i + 3 < run && !anyOfFour(checked + i); i += 4) {
        const __m512d out =
            finishEight(_mm512_loadu_pd(reinterpret_cast<const double*>(y + i)), settings);
        const __m256 f = _mm256_permutevar8x32_ps(_mm512_cvtpd_ps(out), channels);
        _mm_storeu_ps(left + i, _mm256_castps256_ps128(f));
        _mm_storeu_ps(right + i, _mm256_extractf128_ps(f, 1));
    }
    return i + finishRunWide(y + i, checked + i, run - i, trim, limiter, left + i, right + i);
}
#endif
