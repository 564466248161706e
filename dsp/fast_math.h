// Fast replacements for the library functions the audio path calls most, each with an
// error bound far below what the output can show (the output is single precision, about
// 6e-8 near full scale). tests/unit/dsp_fast_math_test.cpp checks the bounds.
#pragma once

#include "dsp/stereo_pair.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

// exp(-y) for 0 <= y <= 40, per lane, relative error below 3e-13: y is split as
// n ln2 + r with |r| <= ln2/2, e^r is its Taylor series to r^10 (remainder below
// 0.347^11 / 11! < 2.2e-13) and 2^n is built in the exponent bits. The wide copy in
// output_stage_wide.cpp evaluates the same series with fused steps.
inline StereoPair expNegative(StereoPair y) {
    const StereoPair z = splat(0.0) - y;
    const StereoPair n = roundToIntegral(z * splat(1.4426950408889634));
    // ln 2 in two parts; n * hi is exact for |n| < 2^11.
    const StereoPair r = (z - n * splat(0.6931471803691238)) - n * splat(1.9082149292705877e-10);
    // Estrin's scheme: the same series in four short dependent steps instead of ten, so
    // the independent samples around it overlap (Horner's chain of ten would stall them).
    const StereoPair r2 = r * r;
    const StereoPair r4 = r2 * r2;
    const StereoPair r8 = r4 * r4;
    const StereoPair q0 = splat(1.0) + r;
    const StereoPair q1 = splat(0.5) + splat(1.0 / 6.0) * r;
    const StereoPair q2 = splat(1.0 / 24.0) + splat(1.0 / 120.0) * r;
    const StereoPair q3 = splat(1.0 / 720.0) + splat(1.0 / 5040.0) * r;
    const StereoPair q4 = splat(1.0 / 40320.0) + splat(1.0 / 362880.0) * r;
    const StereoPair q5 = splat(1.0 / 3628800.0);
    const StereoPair low = (q0 + q1 * r2) + (q2 + q3 * r2) * r4;
    const StereoPair p = low + (q4 + q5 * r2) * r8;
    return p * exp2Integral(n);
}

// tanh x as x N(x^2) / D(x^2) for |x| <= kTanhRationalLimit: Lambert's continued fraction
// x / (1 + x^2 / (3 + x^2 / (5 + ... + x^2 / 23))) multiplied out. Its truncation error is
// below 9.5e-14 there (worked out with 50-digit arithmetic, at 2001 points), and with
// positive coefficients the evaluation in doubles adds only a few units in the last place.
// Beyond the limit the exponential form takes over. The vector stages
// (output_stage_wide.cpp and output_stage_widest.cpp) evaluate the same polynomials.
inline constexpr double kTanhRationalLimit = 3.5;
inline constexpr double kTanhNumerator[6] = {
    1.0, 10.0 / 69.0, 4.0 / 805.0, 8.0 / 137655.0, 1.0 / 4212243.0, 2.0 / 8108567775.0};
inline constexpr double kTanhDenominator[7] = {1.0,
                                               11.0 / 23.0,
                                               5.0 / 161.0,
                                               4.0 / 6555.0,
                                               2.0 / 468027.0,
                                               1.0 / 105306075.0,
                                               1.0 / 316234143225.0};

// tanh of finite values as numerator / denominator, per lane, so a caller that divides
// anyway can fold the division in. Absolute error of the quotient below 1e-12 (below 1e-13
// within the rational form's range). Beyond |x| = 20 tanh is 1 to within 1e-17.
struct TanhParts {
    StereoPair numerator, denominator;
};
inline TanhParts tanhRationalParts(StereoPair x) {
    const StereoPair u = x * x;
    StereoPair n = splat(kTanhNumerator[5]);
    for (int i = 4; i >= 0; --i) {
        n = n * u + splat(kTanhNumerator[i]);
    }
    StereoPair d = splat(kTanhDenominator[6]);
    for (int i = 5; i >= 0; --i) {
        d = d * u + splat(kTanhDenominator[i]);
    }
    return {x * n, d};
}
inline TanhParts tanhParts(StereoPair x) {
    const TanhParts near = tanhRationalParts(x);
    const StereoPair far = lessThan(splat(kTanhRationalLimit), absOf(x));
    if (!anyOf(far)) {
        return near;
    }
    const StereoPair a = minOf(absOf(x), splat(20.0));
    const StereoPair e = expNegative(a + a);
    return {select(far, withSignOf(splat(1.0) - e, x), near.numerator),
            select(far, splat(1.0) + e, near.denominator)};
}

inline StereoPair tanhFinite(StereoPair x) {
    const TanhParts t = tanhParts(x);
    return t.numerator / t.denominator;
}

// tanh of one value, within the same 1e-12 of the library's; a NaN stays a NaN (the lanes'
// form would saturate it) and the infinities give +-1, as std::tanh does.
inline double tanhOf(double x) {
    return std::isnan(x) ? x : leftOf(tanhFinite(splat(x)));
}

// log10 of a positive, finite, normal double; absolute error below 1e-12. The mantissa is
// brought into [sqrt(1/2), sqrt(2)) and ln m = 2 atanh(s), s = (m - 1) / (m + 1), summed to
// s^13 (|s| <= 0.1716, remainder below 1e-12).
inline double log10Positive(double x) {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    int exponent = static_cast<int>((bits >> 52) & 0x7FF) - 1023;
    bits = (bits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull;
    double m;
    std::memcpy(&m, &bits, sizeof m);
    if (m > 1.4142135623730951) {
        m *= 0.5;
        ++exponent;
    }
    const double s = (m - 1.0) / (m + 1.0);
    const double s2 = s * s;
    const double series =
        1.0 + s2 * (1.0 / 3 +
                    s2 * (1.0 / 5 + s2 * (1.0 / 7 + s2 * (1.0 / 9 + s2 * (1.0 / 11 + s2 / 13)))));
    const double ln = exponent * 0.6931471805599453 + 2.0 * s * series;
    return ln * 0.4342944819032518;
}

#if TOLVANE_SSE2
// log10Positive for both lanes at once: the same reduction and series, so each lane's
// result equals the one-value form's.
inline StereoPair log10PositivePair(StereoPair x) {
    const __m128i bits = _mm_castpd_si128(x.v);
    const __m128i mantissaBits =
        _mm_or_si128(_mm_and_si128(bits, _mm_set1_epi64x(0x000FFFFFFFFFFFFFll)),
                     _mm_set1_epi64x(0x3FF0000000000000ll));
    StereoPair m{_mm_castsi128_pd(mantissaBits)};
    // The biased exponent field as a double: placed in the mantissa of 2^52, then 2^52 off.
    const __m128d twoTo52 = _mm_set1_pd(4503599627370496.0);
    const StereoPair biased{_mm_sub_pd(
        _mm_castsi128_pd(_mm_or_si128(_mm_srli_epi64(bits, 52), _mm_castpd_si128(twoTo52))),
        twoTo52)};
    const StereoPair high = lessThan(splat(1.4142135623730951), m);
    m = select(high, m * splat(0.5), m);
    const StereoPair exponent = biased - splat(1023.0) + select(high, splat(1.0), splat(0.0));
    const StereoPair t = (m - splat(1.0)) / (m + splat(1.0));
    const StereoPair t2 = t * t;
    const StereoPair series =
        splat(1.0) +
        t2 * (splat(1.0 / 3) +
              t2 * (splat(1.0 / 5) +
                    t2 * (splat(1.0 / 7) +
                          t2 * (splat(1.0 / 9) + t2 * (splat(1.0 / 11) + t2 / splat(13.0))))));
    const StereoPair ln = exponent * splat(0.6931471805599453) + splat(2.0) * t * series;
    return ln * splat(0.4342944819032518);
}
#endif

// x^1.5 as x * sqrt(x): both steps correctly rounded, so within 2.3e-16 relative of the
// exact value (pow's own result is within about 1.1e-16), at a fraction of pow's cost. The
// special values come out as pow gives them: 0, +infinity, and NaN for NaN or x < 0.
inline double powThreeHalves(double x) {
    return x * std::sqrt(x);
}

// 10^(x / 40), the amplitude of a shelf or bell gain of x dB, as e^(x ln10 / 40): the
// argument carries at most three roundings (about 3.4e-16 relative, so below 1.2e-15
// absolute for gains within +-60 dB), exp adds under one unit in the last place.
inline double amplitudeOfGain(double x) {
    return std::exp(x * (std::numbers::ln10 / 40.0));
}
