#include "dsp/output_stage_wide.h"

#include "dsp/fast_math.h"

#if TOLVANE_SSE2
#include <immintrin.h>

namespace {

#define TOLVANE_WIDE [[gnu::target("avx2,fma")]]

TOLVANE_WIDE inline __m256d splat4(double v) {
    return _mm256_set1_pd(v);
}

// expNegative (fast_math.h) on four lanes: the same split and series, Estrin's scheme with
// each step fused.
TOLVANE_WIDE inline __m256d expNegativeWide(__m256d y) {
    const __m256d z = _mm256_sub_pd(_mm256_setzero_pd(), y);
    const __m128i n32 = _mm256_cvtpd_epi32(_mm256_mul_pd(z, splat4(1.4426950408889634)));
    const __m256d n = _mm256_cvtepi32_pd(n32);
    const __m256d r = _mm256_fnmadd_pd(n, splat4(1.9082149292705877e-10),
                                       _mm256_fnmadd_pd(n, splat4(0.6931471803691238), z));
    const __m256d r2 = _mm256_mul_pd(r, r);
    const __m256d r4 = _mm256_mul_pd(r2, r2);
    const __m256d r8 = _mm256_mul_pd(r4, r4);
    const __m256d q0 = _mm256_add_pd(splat4(1.0), r);
    const __m256d q1 = _mm256_fmadd_pd(splat4(1.0 / 6.0), r, splat4(0.5));
    const __m256d q2 = _mm256_fmadd_pd(splat4(1.0 / 120.0), r, splat4(1.0 / 24.0));
    const __m256d q3 = _mm256_fmadd_pd(splat4(1.0 / 5040.0), r, splat4(1.0 / 720.0));
    const __m256d q4 = _mm256_fmadd_pd(splat4(1.0 / 362880.0), r, splat4(1.0 / 40320.0));
    const __m256d q5 = splat4(1.0 / 3628800.0);
    const __m256d low =
        _mm256_fmadd_pd(_mm256_fmadd_pd(q3, r2, q2), r4, _mm256_fmadd_pd(q1, r2, q0));
    const __m256d p = _mm256_fmadd_pd(_mm256_fmadd_pd(q5, r2, q4), r8, low);
    const __m256i exponent = _mm256_add_epi64(_mm256_cvtepi32_epi64(n32), _mm256_set1_epi64x(1023));
    return _mm256_mul_pd(p, _mm256_castsi256_pd(_mm256_slli_epi64(exponent, 52)));
}

// tanhParts (fast_math.h) on four lanes: the rational form, and the exponential one only
// when some lane lies beyond its range.
TOLVANE_WIDE inline void tanhPartsWide(__m256d x, __m256d& numerator, __m256d& denominator) {
    const __m256d signBit = splat4(-0.0);
    const __m256d u = _mm256_mul_pd(x, x);
    __m256d n = splat4(kTanhNumerator[5]);
    for (int i = 4; i >= 0; --i) {
        n = _mm256_fmadd_pd(n, u, splat4(kTanhNumerator[i]));
    }
    __m256d d = splat4(kTanhDenominator[6]);
    for (int i = 5; i >= 0; --i) {
        d = _mm256_fmadd_pd(d, u, splat4(kTanhDenominator[i]));
    }
    numerator = _mm256_mul_pd(x, n);
    denominator = d;
    const __m256d magnitude = _mm256_andnot_pd(signBit, x);
    const __m256d far = _mm256_cmp_pd(splat4(kTanhRationalLimit), magnitude, _CMP_LT_OQ);
    if (_mm256_movemask_pd(far) != 0) {
        const __m256d a = _mm256_min_pd(magnitude, splat4(20.0));
        const __m256d e = expNegativeWide(_mm256_add_pd(a, a));
        const __m256d one = splat4(1.0);
        const __m256d signed1 = _mm256_or_pd(_mm256_andnot_pd(signBit, _mm256_sub_pd(one, e)),
                                             _mm256_and_pd(signBit, x));
        numerator = _mm256_blendv_pd(numerator, signed1, far);
        denominator = _mm256_blendv_pd(denominator, _mm256_add_pd(one, e), far);
    }
}

// Two samples (L0 R0 L1 R1) through trim and limiter.
TOLVANE_WIDE inline __m256d finishFour(__m256d y, double trim, double l) {
    const __m256d one = splat4(1.0);
    const __m256d x = _mm256_mul_pd(y, splat4(trim));
    __m256d v = _mm256_mul_pd(_mm256_fmsub_pd(_mm256_mul_pd(splat4(116.0), x), x, splat4(0.00375)),
                              splat4(100.0 / 20.0 / 580.0));
    v = _mm256_min_pd(_mm256_max_pd(v, _mm256_setzero_pd()), splat4(4.0));
    const __m256d driven = _mm256_mul_pd(splat4(0.35 * l + 1.0), x);
    __m256d numerator, denominator;
    tanhPartsWide(driven, numerator, denominator);
    const __m256d shaping = _mm256_fmadd_pd(splat4(0.25), _mm256_mul_pd(v, v), one);
    const __m256d limited = _mm256_div_pd(numerator, _mm256_mul_pd(shaping, denominator));
    return _mm256_fmadd_pd(x, splat4(1.0 - l), _mm256_mul_pd(limited, splat4(l)));
}

} // namespace

TOLVANE_WIDE std::int32_t finishRunWide(const StereoPair* y, const bool* checked, std::int32_t run,
                                        double trim, double limiter, float* left,
                                        float* right) noexcept {
    std::int32_t i = 0;
    for (; i + 1 < run && !checked[i] && !checked[i + 1]; i += 2) {
        const __m256d out = finishFour(_mm256_set_m128d(y[i + 1].v, y[i].v), trim, limiter);
        const __m128 f = _mm256_cvtpd_ps(out);                           // L0 R0 L1 R1
        const __m128 lr = _mm_shuffle_ps(f, f, _MM_SHUFFLE(3, 1, 2, 0)); // L0 L1 R0 R1
        _mm_storel_pi(reinterpret_cast<__m64*>(left + i), lr);
        _mm_storeh_pi(reinterpret_cast<__m64*>(right + i), lr);
    }
    return i;
}
#endif
