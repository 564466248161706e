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

// log10 of a positive, finite, normal double; absolute error below 1e-12: log10Parts and
// log10FromParts (formulas.h) on one value, which the vector kernels run on their lanes.
inline double log10Positive(double x) {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const auto biased = static_cast<double>((bits >> 52) & 0x7FF);
    bits = (bits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull;
    double m;
    std::memcpy(&m, &bits, sizeof m);
    return log10FromParts(log10Parts(m, biased));
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
