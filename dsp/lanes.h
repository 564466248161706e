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

// Multiply-adds rounded twice, for every lane type without fused ones of its own (these
// and the SSE2 pair); a fused lane type's own overloads are the better match.
template <class V> inline V mulAdd(V a, V b, V c) { // a b + c
    return a * b + c;
}
template <class V> inline V negMulAdd(V a, V b, V c) { // c - a b
    return c - a * b;
}
template <class V> inline V mulSub(V a, V b, V c) { // a b - c
    return a * b - c;
}

// The arithmetic of a vector lane type (a struct around one register `v`) from its
// instructions, named `prefix` + add_pd and so on; `attributes` gives the functions their
// instruction set.
#define TOLVANE_LANE_ARITHMETIC(Type, attributes, prefix)                                          \
    attributes Type splatLane(const Type*, double x) {                                             \
        return {prefix##set1_pd(x)};                                                               \
    }                                                                                              \
    attributes Type operator+(Type a, Type b) {                                                    \
        return {prefix##add_pd(a.v, b.v)};                                                         \
    }                                                                                              \
    attributes Type operator-(Type a, Type b) {                                                    \
        return {prefix##sub_pd(a.v, b.v)};                                                         \
    }                                                                                              \
    attributes Type operator*(Type a, Type b) {                                                    \
        return {prefix##mul_pd(a.v, b.v)};                                                         \
    }                                                                                              \
    attributes Type operator/(Type a, Type b) {                                                    \
        return {prefix##div_pd(a.v, b.v)};                                                         \
    }                                                                                              \
    attributes Type minOf(Type a, Type b) {                                                        \
        return {prefix##min_pd(a.v, b.v)};                                                         \
    }                                                                                              \
    attributes Type maxOf(Type a, Type b) {                                                        \
        return {prefix##max_pd(a.v, b.v)};                                                         \
    }

// The fused multiply-adds of a vector lane type, one rounding each.
#define TOLVANE_LANE_FUSED(Type, attributes, prefix)                                               \
    attributes Type mulAdd(Type a, Type b, Type c) {                                               \
        return {prefix##fmadd_pd(a.v, b.v, c.v)};                                                  \
    }                                                                                              \
    attributes Type negMulAdd(Type a, Type b, Type c) {                                            \
        return {prefix##fnmadd_pd(a.v, b.v, c.v)};                                                 \
    }                                                                                              \
    attributes Type mulSub(Type a, Type b, Type c) {                                               \
        return {prefix##fmsub_pd(a.v, b.v, c.v)};                                                  \
    }

// A vector lane type's comparison, pick and test from three expressions: `less` of lanes
// a and b, `pick` of a where mask m is set and of b elsewhere, `any` of mask m.
#define TOLVANE_LANE_MASK(Type, Mask, attributes, less, pick, any)                                 \
    attributes Mask lessThan(Type a, Type b) {                                                     \
        return {less};                                                                             \
    }                                                                                              \
    attributes Type select(Mask m, Type a, Type b) {                                               \
        return {pick};                                                                             \
    }                                                                                              \
    attributes bool anyOf(Mask m) {                                                                \
        return any;                                                                                \
    }

// |a|, and a magnitude with another value's sign, from a vector lane type's and-not, and
// and or on its register.
#define TOLVANE_LANE_SIGNS(Type, attributes, prefix, andNot, both, either)                         \
    attributes Type absOf(Type a) {                                                                \
        return {andNot(prefix##set1_pd(-0.0), a.v)};                                               \
    }                                                                                              \
    attributes Type withSignOf(Type magnitude, Type sign) {                                        \
        const auto signBit = prefix##set1_pd(-0.0);                                                \
        return {either(andNot(signBit, magnitude.v), both(signBit, sign.v))};                      \
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
// A mask's lanes as bits, the first lane lowest.
inline unsigned laneBits(bool mask) {
    return mask ? 1u : 0u;
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
