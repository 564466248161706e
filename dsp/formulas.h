// The audio path's formulas, each written once over a lane type (lanes.h): one double for
// the checked path, the SSE2 pair for the baseline, and the 128-, 256- and 512-bit lanes of
// the AVX2 and AVX-512 kernels (x86/). A lane type with fused multiply-adds evaluates the
// same expressions with one rounding per multiply-add, which is the only difference
// between the paths. The reference engine (tests/reference) keeps its own literal copy.
#pragma once

#include "dsp/lanes.h"

// One transposed direct form II stage: the output, and the stage's next two states.
template <class V> struct StageStep { V y, s1, s2; };
template <class V> struct StageCoefficients { V b0, b1, b2, a1, a2; };
// The stage in place: the states move on, the output is returned. Loops over many stages
// take this form: GCC keeps the record above on the stack (three dead stores per stage)
// when it is built in a loop whose states live in memory.
template <class V> inline V advanceStage(const StageCoefficients<V>& k, V x, V& s1, V& s2) {
    const V y = mulAdd(k.b0, x, s1);
    s1 = negMulAdd(k.a1, y, mulAdd(k.b1, x, s2));
    s2 = negMulAdd(k.a2, y, k.b2 * x);
    return y;
}
template <class V> inline StageStep<V> biquadStep(const StageCoefficients<V>& k, V x, V s1, V s2) {
    const V y = advanceStage(k, x, s1, s2);
    return {y, s1, s2};
}

// exp(-y) for 0 <= y <= 40, relative error below 3e-13: y is split as n ln2 + r with
// |r| <= ln2/2, e^r is its Taylor series to r^10 (remainder below 0.347^11 / 11! < 2.2e-13)
// and 2^n is built in the exponent bits.
template <class V> inline V expNegative(V y) {
    const V z = splatAs<V>(0.0) - y;
    const PowerOfTwo<V> n = nearestPowerOfTwo(z * splatAs<V>(1.4426950408889634));
    // ln 2 in two parts; n * hi is exact for |n| < 2^11.
    const V r = negMulAdd(n.n, splatAs<V>(1.9082149292705877e-10),
                          negMulAdd(n.n, splatAs<V>(0.6931471803691238), z));
    // Estrin's scheme: the same series in four short dependent steps instead of ten, so
    // the independent samples around it overlap (Horner's chain of ten would stall them).
    const V r2 = r * r;
    const V r4 = r2 * r2;
    const V r8 = r4 * r4;
    const V q0 = splatAs<V>(1.0) + r;
    const V q1 = mulAdd(splatAs<V>(1.0 / 6.0), r, splatAs<V>(0.5));
    const V q2 = mulAdd(splatAs<V>(1.0 / 120.0), r, splatAs<V>(1.0 / 24.0));
    const V q3 = mulAdd(splatAs<V>(1.0 / 5040.0), r, splatAs<V>(1.0 / 720.0));
    const V q4 = mulAdd(splatAs<V>(1.0 / 362880.0), r, splatAs<V>(1.0 / 40320.0));
    const V q5 = splatAs<V>(1.0 / 3628800.0);
    const V low = mulAdd(mulAdd(q3, r2, q2), r4, mulAdd(q1, r2, q0));
    const V p = mulAdd(mulAdd(q5, r2, q4), r8, low);
    return p * n.scale;
}

// tanh x as x N(x^2) / D(x^2) for |x| <= kTanhRationalLimit: Lambert's continued fraction
// x / (1 + x^2 / (3 + x^2 / (5 + ... + x^2 / 23))) multiplied out. Its truncation error is
// below 9.5e-14 there (worked out with 50-digit arithmetic, at 2001 points), and with
// positive coefficients the evaluation in doubles adds only a few units in the last place.
// Beyond the limit the exponential form takes over.
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

// tanh of finite values as numerator / denominator, so a caller that divides anyway can
// fold the division in. Absolute error of the quotient below 1e-12 (below 1e-13 within the
// rational form's range). Beyond |x| = 20 tanh is 1 to within 1e-17. The exponential form
// is only worked out when some lane needs it.
template <class V> struct TanhParts { V numerator, denominator; };
template <class V> inline TanhParts<V> tanhRationalParts(V x) {
    const V u = x * x;
    V n = splatAs<V>(kTanhNumerator[5]);
    for (int i = 4; i >= 0; --i) {
        n = mulAdd(n, u, splatAs<V>(kTanhNumerator[i]));
    }
    V d = splatAs<V>(kTanhDenominator[6]);
    for (int i = 5; i >= 0; --i) {
        d = mulAdd(d, u, splatAs<V>(kTanhDenominator[i]));
    }
    return {x * n, d};
}
// The parts `near` of a rational form of tanh x, with the exponential form in the lanes
// where `far` is set.
template <class V, class M>
inline TanhParts<V> exponentialWhere(M far, V x, const TanhParts<V>& near) {
    if (!anyOf(far)) {
        return near;
    }
    const V a = minOf(absOf(x), splatAs<V>(20.0));
    const V e = expNegative(a + a);
    return {select(far, withSignOf(splatAs<V>(1.0) - e, x), near.numerator),
            select(far, splatAs<V>(1.0) + e, near.denominator)};
}
// A rational form's parts `near` of tanh x, with the exponential form in the lanes beyond
// `limit` in magnitude.
template <class V> inline TanhParts<V> beyondLimit(V x, const TanhParts<V>& near, double limit) {
    return exponentialWhere(lessThan(splatAs<V>(limit), absOf(x)), x, near);
}
template <class V> inline TanhParts<V> tanhParts(V x) {
    return beyondLimit(x, tanhRationalParts(x), kTanhRationalLimit);
}

template <class V> inline V tanhFinite(V x) {
    const TanhParts<V> t = tanhParts(x);
    return t.numerator / t.denominator;
}

// The output stage's tanh: x N(x^2) / D(x^2) for |x| <= kOutputTanhLimit, the exponential
// form beyond. The output is single precision (a step of 6e-8 near full scale) held within
// 1e-6 of the reference engine, so this tanh needs less than the full form's 1e-13, but its
// error must be relative: the output feeds the analyser, whose levels steer the bands, and a
// tanh off by a fixed part near zero (as a fit for the absolute error leaves it) shifts
// every quiet sample the same way, which that loop turns into differences of 1e-5. A fit of
// the fraction's shape with four and four terms, the leading one held at 1 (weighted least
// squares for the relative error, driven towards equal ripple, 30-digit arithmetic), keeps
// it within 3.5e-10 of tanh x relative to it up to the limit (checked at 4000 points); the
// continued fraction needs eleven terms for that. Six multiply-adds per value instead of
// nine, all terms positive, so the doubles add only a few units in the last place. The
// switch stays at 3 so that the far form, several times the cost, stays rare. The gain
// mapping keeps the full form above: its gains are compared much more finely.
inline constexpr double kOutputTanhLimit = 3.0;
inline constexpr double kOutputTanhNumerator[4] = {
    1.0, 0.12717350332994773504, 0.0026845110861877847968, 6.4191522988255095815e-6};
inline constexpr double kOutputTanhDenominator[4] = {
    1.0, 0.46050683277958682513, 0.022853468877324869849, 0.00019156794850203633085};

template <class V> inline TanhParts<V> outputTanhRationalParts(V x, V u) { // u = x^2
    V n = splatAs<V>(kOutputTanhNumerator[3]);
    for (int i = 2; i >= 0; --i) {
        n = mulAdd(n, u, splatAs<V>(kOutputTanhNumerator[i]));
    }
    V d = splatAs<V>(kOutputTanhDenominator[3]);
    for (int i = 2; i >= 0; --i) {
        d = mulAdd(d, u, splatAs<V>(kOutputTanhDenominator[i]));
    }
    return {x * n, d};
}
// The switch is tested on x^2, which the caller has anyway (a magnitude would cost an
// operation more per value); not a number takes the rational form and stays not a number.
template <class V> inline TanhParts<V> outputTanhParts(V x, V u) { // u = x^2
    return exponentialWhere(lessThan(splatAs<V>(kOutputTanhLimit * kOutputTanhLimit), u), x,
                            outputTanhRationalParts(x, u));
}

// The output stage's settings in every lane, worked out once per run. The limiter's
// shaping 1 + v^2 / 4 (v = kScale (116 x^2 - 0.00375), x the trimmed value, clamped to
// [0, 4]) is kept as (1 + h^2) / wet with h = v / (2 sqrt(wet)), so the level's two
// constant factors, the quarter and the wet blend all fold into the run's constants; h is
// worked out from the square u of the tanh's argument z = drive x, which the tanh needs
// anyway, and the dry part from the untrimmed value, so the trimmed value is never formed.
template <class V> struct OutputLanes { V driveTrim, dryTrim, square, offset, ceiling, overWet; };
// The settings in every lane of V from their one-value form: the same values, so a kernel
// handed the one-value settings (worked out once per block) gets the bits of outputLanes<V>.
template <class V> inline OutputLanes<V> outputLanesFrom(const OutputLanes<double>& k) {
    return {splatAs<V>(k.driveTrim), splatAs<V>(k.dryTrim), splatAs<V>(k.square),
            splatAs<V>(k.offset),    splatAs<V>(k.ceiling), splatAs<V>(k.overWet)};
}
template <class V> inline OutputLanes<V> outputLanes(double trim, double limiter) {
    constexpr double kScale = 100.0 / 20.0 / 580.0;
    const double half = 0.5 / std::sqrt(limiter); // limiter > 0.01: the limiter is engaged
    const double drive = 0.35 * limiter + 1.0;
    return {splatAs<V>(drive * trim),
            splatAs<V>((1.0 - limiter) * trim),
            splatAs<V>(116.0 * kScale * half / (drive * drive)),
            splatAs<V>(0.00375 * kScale * half),
            splatAs<V>(4.0 * half),
            splatAs<V>(1.0 / limiter)};
}

// The limiter's tanh stage, level reduced as the signal grows: numerator / denominator.
// The clamp of h at 0 is left out: below 0 it is at most 1.6e-5 / sqrt(wet) in magnitude
// (a level below 0.006), which changes the shaping by less than 3e-10 of itself where the
// stage is below 0.008, so the output by less than 3e-12. An infinite z takes the
// exponential form and h its upper clamp, so the parts stay finite; not a number stays so.
template <class V> inline TanhParts<V> limiterParts(V y, const OutputLanes<V>& k) {
    const V z = y * k.driveTrim;
    const V u = z * z;
    const V h = minOf(mulSub(u, k.square, k.offset), k.ceiling);
    const TanhParts<V> t = outputTanhParts(z, u);
    const V shaping = mulAdd(h, h, k.overWet); // (1 + v^2 / 4) / wet
    return {t.numerator, shaping * t.denominator};
}

// Trim, then the soft limiter: the dry value blended with a tanh stage whose level is
// reduced further as the signal grows, so peaks are rounded off rather than flattened. One
// division per value. Not a number and the infinities come out as they went in (an
// infinity at full limiting gives not a number, as dry times zero does).
template <class V> inline V trimAndLimit(V y, const OutputLanes<V>& k) {
    const TanhParts<V> t = limiterParts(y, k);
    return mulAdd(y, k.dryTrim, t.numerator / t.denominator);
}

// The same for two sets of finite values (a stereo frame's two channels) with one division
// for both: n1 / d1 = n1 d2 / (d1 d2). The division is the costliest step of the wide
// kernels (a 512-bit one holds the divider for 16 cycles on recent Intel cores), and the
// denominators are within [1, 4000], so their product is far from the double range's ends; the
// quotients take four roundings instead of one, parts in 1e15, against the float output's parts in
// 1e8. A lane that is not a number makes its partner's one so: the kernels give only finite frames
// to this.
template <class V> struct LimitedBoth { V a, b; };
template <class V> inline LimitedBoth<V> trimAndLimitBoth(V a, V b, const OutputLanes<V>& k) {
    const TanhParts<V> p = limiterParts(a, k);
    const TanhParts<V> q = limiterParts(b, k);
    const V r = splatAs<V>(1.0) / (p.denominator * q.denominator);
    return {mulAdd(a, k.dryTrim, p.numerator * q.denominator * r),
            mulAdd(b, k.dryTrim, q.numerator * p.denominator * r)};
}

// log10 x for a positive x, from its mantissa field set into [1, 2) and its biased exponent
// field as a double, which each register width takes out of the bits its own way: the
// mantissa is halved above sqrt 2 so that |t| < 0.172, and ln x = e ln 2 + 2 t (1 + t^2/3
// + ... + t^12/13), the remainder below 1e-12.
// In two halves, which the levels kernels run as separate passes over their bins
// (spectrum_levels.h says why).
template <class V> struct Log10Parts { V t, exponent; };
// The first half: the division and the exponent.
template <class V> inline Log10Parts<V> log10Parts(V m, V biased) {
    const auto high = lessThan(splatAs<V>(1.4142135623730951), m);
    m = select(high, m * splatAs<V>(0.5), m);
    const V exponent =
        (biased - splatAs<V>(1023.0)) + select(high, splatAs<V>(1.0), splatAs<V>(0.0));
    const V one = splatAs<V>(1.0);
    return {(m - one) / (m + one), exponent};
}
// The second half: the series and the sum.
template <class V> inline V log10FromParts(const Log10Parts<V>& p) {
    const V one = splatAs<V>(1.0);
    const V t = p.t;
    const V t2 = t * t;
    V series = mulAdd(t2, splatAs<V>(1.0 / 13.0), splatAs<V>(1.0 / 11));
    series = mulAdd(t2, series, splatAs<V>(1.0 / 9));
    series = mulAdd(t2, series, splatAs<V>(1.0 / 7));
    series = mulAdd(t2, series, splatAs<V>(1.0 / 5));
    series = mulAdd(t2, series, splatAs<V>(1.0 / 3));
    series = mulAdd(t2, series, one);
    const V ln = mulAdd(p.exponent, splatAs<V>(0.6931471805599453), (t + t) * series);
    return ln * splatAs<V>(0.4342944819032518);
}
