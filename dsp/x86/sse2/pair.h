// The stereo pair on x86-64: both doubles in one SSE2 register (every 64-bit x86 processor
// has SSE2, so the DLL stays baseline). Only IEEE basic operations, each rounded on its
// own, so results are bit-identical to scalar code evaluating the same expressions in the
// same order. Included through dsp/stereo_pair.h.
#pragma once

#include "dsp/lanes.h"

#include <emmintrin.h>

struct StereoPair {
    __m128d v;
};
inline StereoPair pairOf(double left, double right) {
    return {_mm_set_pd(right, left)};
}
inline StereoPair splat(double x) {
    return {_mm_set1_pd(x)};
}
inline double leftOf(StereoPair p) {
    return _mm_cvtsd_f64(p.v);
}
inline double rightOf(StereoPair p) {
    return _mm_cvtsd_f64(_mm_unpackhi_pd(p.v, p.v));
}
inline StereoPair loadPair(const double* p) {
    return {_mm_loadu_pd(p)};
}
inline void storePair(double* p, StereoPair v) {
    _mm_storeu_pd(p, v.v);
}
TOLVANE_LANE_ARITHMETIC(StereoPair, inline, _mm_)
TOLVANE_LANE_SIGNS(StereoPair, inline, _mm_, _mm_andnot_pd, _mm_and_pd, _mm_or_pd)
// Masks are pairs with each lane all ones or all zeros.
TOLVANE_LANE_MASK(StereoPair, StereoPair, inline, _mm_cmplt_pd(a.v, b.v),
                  _mm_or_pd(_mm_and_pd(m.v, a.v), _mm_andnot_pd(m.v, b.v)),
                  _mm_movemask_pd(m.v) != 0)
inline unsigned laneBits(StereoPair m) {
    return static_cast<unsigned>(_mm_movemask_pd(m.v));
}
// True when both lanes are at most `limit` in magnitude (false for NaN).
inline bool bothWithin(StereoPair a, double limit) {
    return _mm_movemask_pd(_mm_cmple_pd(absOf(a).v, _mm_set1_pd(limit))) == 3;
}
inline PowerOfTwo<StereoPair> nearestPowerOfTwo(StereoPair t) {
    const __m128i n32 = _mm_cvtpd_epi32(t.v); // two int32 in the low half, ties to even
    const __m128i n64 = _mm_unpacklo_epi32(n32, _mm_srai_epi32(n32, 31));
    const __m128i bits = _mm_slli_epi64(_mm_add_epi64(n64, _mm_set1_epi64x(1023)), 52);
    return {{_mm_cvtepi32_pd(n32)}, {_mm_castsi128_pd(bits)}};
}

// The register that holds x, as a pair whose upper lane is whatever it holds: only the
// lower lane is read. _mm_set_sd would clear the upper lane with an instruction of its own
// for every value.
inline __m128d inLowLane(double x) noexcept {
    __m128d v;
    asm("" : "=x"(v) : "0"(x));
    return v;
}

// x > y ? a : b, as a mask and a blend rather than a branch (compilers turn the plain
// conditional back into one).
inline double pickIfGreater(double x, double y, double a, double b) noexcept {
    const __m128d greater = _mm_cmpgt_sd(inLowLane(x), inLowLane(y));
    return _mm_cvtsd_f64(
        _mm_or_pd(_mm_and_pd(greater, inLowLane(a)), _mm_andnot_pd(greater, inLowLane(b))));
}
