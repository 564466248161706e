// The stereo pair where there is no SSE2: two doubles, the same operations lane by lane.
// Included through dsp/stereo_pair.h.
#pragma once

#include "dsp/lanes.h"

#include <cmath>

struct StereoPair {
    double l, r;
};
inline StereoPair pairOf(double left, double right) {
    return {left, right};
}
inline StereoPair splat(double x) {
    return {x, x};
}
inline StereoPair splatLane(const StereoPair*, double x) {
    return splat(x);
}
inline double leftOf(StereoPair p) {
    return p.l;
}
inline double rightOf(StereoPair p) {
    return p.r;
}
inline StereoPair loadPair(const double* p) {
    return {p[0], p[1]};
}
inline void storePair(double* p, StereoPair v) {
    p[0] = v.l;
    p[1] = v.r;
}
// Each lane through the one-double operation of the same name (lanes.h).
template <class F> inline StereoPair eachLane(StereoPair a, StereoPair b, F f) {
    return {f(a.l, b.l), f(a.r, b.r)};
}
inline StereoPair operator+(StereoPair a, StereoPair b) {
    return eachLane(a, b, [](double x, double y) { return x + y; });
}
inline StereoPair operator-(StereoPair a, StereoPair b) {
    return eachLane(a, b, [](double x, double y) { return x - y; });
}
inline StereoPair operator*(StereoPair a, StereoPair b) {
    return eachLane(a, b, [](double x, double y) { return x * y; });
}
inline StereoPair operator/(StereoPair a, StereoPair b) {
    return eachLane(a, b, [](double x, double y) { return x / y; });
}
inline StereoPair absOf(StereoPair a) {
    return {std::fabs(a.l), std::fabs(a.r)};
}
inline StereoPair minOf(StereoPair a, StereoPair b) {
    return eachLane(a, b, [](double x, double y) { return minOf(x, y); });
}
inline StereoPair maxOf(StereoPair a, StereoPair b) {
    return eachLane(a, b, [](double x, double y) { return maxOf(x, y); });
}
struct PairMask {
    bool l, r;
};
inline PairMask lessThan(StereoPair a, StereoPair b) {
    return {a.l < b.l, a.r < b.r};
}
inline StereoPair select(PairMask mask, StereoPair a, StereoPair b) {
    return {mask.l ? a.l : b.l, mask.r ? a.r : b.r};
}
inline bool anyOf(PairMask mask) {
    return mask.l || mask.r;
}
inline unsigned laneBits(PairMask mask) {
    return (mask.l ? 1u : 0u) | (mask.r ? 2u : 0u);
}
inline bool bothWithin(StereoPair a, double limit) {
    return std::fabs(a.l) <= limit && std::fabs(a.r) <= limit;
}
inline PowerOfTwo<StereoPair> nearestPowerOfTwo(StereoPair t) {
    const PowerOfTwo<double> l = nearestPowerOfTwo(t.l), r = nearestPowerOfTwo(t.r);
    return {{l.n, r.n}, {l.scale, r.scale}};
}
inline StereoPair withSignOf(StereoPair magnitude, StereoPair sign) {
    return {std::copysign(magnitude.l, sign.l), std::copysign(magnitude.r, sign.r)};
}

inline double pickIfGreater(double x, double y, double a, double b) noexcept {
    return x > y ? a : b;
}
