// Two doubles processed together: the left and right channel of one sample. On x86-64 one
// SSE2 register (every 64-bit x86 processor has SSE2, so the DLL stays baseline); elsewhere
// a plain pair. Only IEEE basic operations, so results are bit-identical to scalar code
// evaluating the same expressions in the same order.
#pragma once

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TOLVANE_SSE2 1
#endif

#include <cmath>
#include <cstdint>

#if TOLVANE_SSE2
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
inline StereoPair operator+(StereoPair a, StereoPair b) {
    return {_mm_add_pd(a.v, b.v)};
}
inline StereoPair operator-(StereoPair a, StereoPair b) {
    return {_mm_sub_pd(a.v, b.v)};
}
inline StereoPair operator*(StereoPair a, StereoPair b) {
    return {_mm_mul_pd(a.v, b.v)};
}
inline StereoPair operator/(StereoPair a, StereoPair b) {
    return {_mm_div_pd(a.v, b.v)};
}
inline StereoPair absOf(StereoPair a) {
    return {_mm_andnot_pd(_mm_set1_pd(-0.0), a.v)};
}
inline StereoPair minOf(StereoPair a, StereoPair b) {
    return {_mm_min_pd(a.v, b.v)};
}
inline StereoPair maxOf(StereoPair a, StereoPair b) {
    return {_mm_max_pd(a.v, b.v)};
}
// Per lane: a where the mask lane is all ones, else b.
inline StereoPair select(StereoPair mask, StereoPair a, StereoPair b) {
    return {_mm_or_pd(_mm_and_pd(mask.v, a.v), _mm_andnot_pd(mask.v, b.v))};
}
inline StereoPair lessThan(StereoPair a, StereoPair b) {
    return {_mm_cmplt_pd(a.v, b.v)};
}
// True when either lane of a mask (from lessThan) is set.
inline bool anyOf(StereoPair mask) {
    return _mm_movemask_pd(mask.v) != 0;
}
// True when both lanes are at most `limit` in magnitude (false for NaN).
inline bool bothWithin(StereoPair a, double limit) {
    return _mm_movemask_pd(_mm_cmple_pd(absOf(a).v, _mm_set1_pd(limit))) == 3;
}
// 2^n for integral n in the normal exponent range, per lane.
inline StereoPair exp2Integral(StereoPair n) {
    const __m128i n32 = _mm_cvtpd_epi32(n.v); // two int32 in the low half
    const __m128i n64 = _mm_unpacklo_epi32(n32, _mm_srai_epi32(n32, 31));
    const __m128i bits = _mm_slli_epi64(_mm_add_epi64(n64, _mm_set1_epi64x(1023)), 52);
    return {_mm_castsi128_pd(bits)};
}
inline StereoPair roundToIntegral(StereoPair x) {
    return {_mm_cvtepi32_pd(_mm_cvtpd_epi32(x.v))}; // round to nearest even
}
inline StereoPair withSignOf(StereoPair magnitude, StereoPair sign) {
    const __m128d signBit = _mm_set1_pd(-0.0);
    return {_mm_or_pd(_mm_andnot_pd(signBit, magnitude.v), _mm_and_pd(signBit, sign.v))};
}
#else
struct StereoPair {
    double l, r;
};
inline StereoPair pairOf(double left, double right) {
    return {left, right};
}
inline StereoPair splat(double x) {
    return {x, x};
}
inline double leftOf(StereoPair p) {
    return p.l;
}
inline double rightOf(StereoPair p) {
    return p.r;
}
inline StereoPair operator+(StereoPair a, StereoPair b) {
    return {a.l + b.l, a.r + b.r};
}
inline StereoPair operator-(StereoPair a, StereoPair b) {
    return {a.l - b.l, a.r - b.r};
}
inline StereoPair operator*(StereoPair a, StereoPair b) {
    return {a.l * b.l, a.r * b.r};
}
inline StereoPair operator/(StereoPair a, StereoPair b) {
    return {a.l / b.l, a.r / b.r};
}
inline StereoPair absOf(StereoPair a) {
    return {a.l < 0 ? -a.l : a.l, a.r < 0 ? -a.r : a.r};
}
inline StereoPair minOf(StereoPair a, StereoPair b) {
    return {a.l < b.l ? a.l : b.l, a.r < b.r ? a.r : b.r};
}
inline StereoPair maxOf(StereoPair a, StereoPair b) {
    return {a.l > b.l ? a.l : b.l, a.r > b.r ? a.r : b.r};
}
inline StereoPair lessThan(StereoPair a, StereoPair b) {
    return {a.l < b.l ? 1.0 : 0.0, a.r < b.r ? 1.0 : 0.0};
}
inline StereoPair select(StereoPair mask, StereoPair a, StereoPair b) {
    return {mask.l != 0.0 ? a.l : b.l, mask.r != 0.0 ? a.r : b.r};
}
inline bool anyOf(StereoPair mask) {
    return mask.l != 0.0 || mask.r != 0.0;
}
inline bool bothWithin(StereoPair a, double limit) {
    const StereoPair m = absOf(a);
    return m.l <= limit && m.r <= limit;
}
inline StereoPair exp2Integral(StereoPair n) {
    return {std::ldexp(1.0, static_cast<int>(n.l)), std::ldexp(1.0, static_cast<int>(n.r))};
}
inline StereoPair roundToIntegral(StereoPair x) {
    return {std::nearbyint(x.l), std::nearbyint(x.r)};
}
inline StereoPair withSignOf(StereoPair magnitude, StereoPair sign) {
    return {std::copysign(magnitude.l, sign.l), std::copysign(magnitude.r, sign.r)};
}
#endif
