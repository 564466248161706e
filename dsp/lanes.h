// The lane operations the shared formulas (formulas.h) are written in, for the plainest
// lane type: one double. The vector lane types (the SSE2 pair in stereo_pair.h, the 256-
// and 512-bit ones under x86/) give the same operations, so one formula serves every
// instruction set. A lane type with fused multiply-adds rounds mulAdd, negMulAdd and mulSub
// once; this one, like the SSE2 pair, rounds the product and the sum apart.
#pragma once

#include <cmath>

// A lane type's value with every lane set to x: each lane type gives an overload of
// splatLane for a null pointer to it, which the formulas reach through splatAs<V>.
inline double splatLane(const double*, double x) {
    return x;
}
template <class V> inline V splatAs(double x) {
    return splatLane(static_cast<const V*>(nullptr), x);
}

inline double mulAdd(double a, double b, double c) { // a b + c
    return a * b + c;
}
inline double negMulAdd(double a, double b, double c) { // c - a b
    return c - a * b;
}
inline double mulSub(double a, double b, double c) { // a b - c
    return a * b - c;
}
inline double absOf(double a) {
    return std::fabs(a);
}
// The second operand where either is not a number, as the x86 instructions answer.
inline double minOf(double a, double b) {
    return a < b ? a : b;
}
inline double maxOf(double a, double b) {
    return a > b ? a : b;
}
inline bool lessThan(double a, double b) {
    return a < b;
}
inline double select(bool mask, double a, double b) {
    return mask ? a : b;
}
inline bool anyOf(bool mask) {
    return mask;
}
inline double withSignOf(double magnitude, double sign) {
    return std::copysign(magnitude, sign);
}

// t rounded to the nearest integer (ties to even), and 2 to that power; for |t| < 1023.
template <class V> struct PowerOfTwo { V n, scale; };
inline PowerOfTwo<double> nearestPowerOfTwo(double t) {
    const double n = std::nearbyint(t);
    return {n, std::ldexp(1.0, static_cast<int>(n))};
}
