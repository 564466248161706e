// Fast replacements for the library functions the audio path calls most, each with an
// error bound far below what the output can show (the output is single precision, about
// 6e-8 near full scale). tests/unit/dsp_fast_math_test.cpp checks the bounds.
#pragma once

#include "dsp/formulas.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

// tanh of one value, within the same 1e-12 of the library's; a NaN stays a NaN (the lanes'
// form would saturate it) and the infinities give +-1, as std::tanh does.
inline double tanhOf(double x) {
    return std::isnan(x) ? x : tanhFinite(x);
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

// sin and cos of one value for the gain mapping, which works out one of each at every
// redesign. x is brought into [-pi/4, pi/4] as r = x - k pi/2 with pi/2 in two parts (the
// first of 33 bits, so k times it is exact for |k| < 2^20), and the quadrant k picks the
// sine or cosine series of r (the fdlibm kernels' minimax coefficients, within one unit in
// the last place on that range). For |x| below 2^16 the absolute error stays below 4e-16
// (the tests measure it against the library's); beyond, and for infinities and NaN, the
// library answers.
struct SinCosParts {
    double r;     // the reduced argument, |r| <= pi/4 (plus a rounding)
    unsigned k;   // the quadrant, modulo 4
    bool library; // |x| too large (or not finite) to reduce this way
};
inline SinCosParts reduceQuarterTurns(double x) {
    constexpr double kLimit = 65536.0;
    if (!(std::fabs(x) < kLimit)) {
        return {x, 0, true};
    }
    constexpr double kTwoOverPi = 6.36619772367581382433e-01;
    constexpr double kHalfPi1 = 1.57079632673412561417e+00;     // first 33 bits of pi/2
    constexpr double kHalfPi1Tail = 6.07710050650619224932e-11; // pi/2 - kHalfPi1
    // Rounded to the nearest integer by the 1.5 * 2^52 shift (no library call, and k = +0
    // near zero keeps the sign of a zero x in r).
    constexpr double kShift = 6755399441055744.0;
    const double k = (x * kTwoOverPi + kShift) - kShift;
    const double r = (x - k * kHalfPi1) - k * kHalfPi1Tail;
    return {r, static_cast<unsigned>(static_cast<long long>(k)) & 3u, false};
}
inline double sinSeries(double r) {
    if (std::fabs(r) < 0x1p-27) {
        return r; // sin r rounds to r there; a zero keeps its sign
    }
    const double z = r * r;
    const double p =
        -1.66666666666666324348e-01 +
        z * (8.33333333332248946124e-03 +
             z * (-1.98412698298579493134e-04 +
                  z * (2.75573137070700676789e-06 +
                       z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10))));
    return r + r * z * p;
}
inline double cosSeries(double r) {
    const double z = r * r;
    const double p =
        4.16666666666666019037e-02 +
        z * (-1.38888888888741095749e-03 +
             z * (2.48015872894767294178e-05 +
                  z * (-2.75573143513906633035e-07 +
                       z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11))));
    const double hz = 0.5 * z;
    const double w = 1.0 - hz;
    return w + (((1.0 - w) - hz) + z * z * p);
}
// The series of quadrant k's quarter turn: sin x = sin r, cos r, -sin r, -cos r.
inline double quadrantValue(const SinCosParts& q) {
    const double v = (q.k & 1u) != 0 ? cosSeries(q.r) : sinSeries(q.r);
    return (q.k & 2u) != 0 ? -v : v;
}
inline double sinOf(double x) {
    const SinCosParts q = reduceQuarterTurns(x);
    return q.library ? std::sin(x) : quadrantValue(q);
}
inline double cosOf(double x) {
    SinCosParts q = reduceQuarterTurns(x);
    q.k = (q.k + 1u) & 3u; // cos x = sin(x + pi/2)
    return q.library ? std::cos(x) : quadrantValue(q);
}
