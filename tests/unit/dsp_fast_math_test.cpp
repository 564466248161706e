// The fast tanh, exp, log10 and powers of the audio path stay within their stated error bounds
// against the C library, over the whole range the engine feeds them.
#include "dsp/fast_math.h"
#include "dsp/generic/generic.h"
#include "dsp/kernels.h"
#include "dsp/stereo_pair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

TEST(FastMath, TanhWithinOneTrillionthEverywhere) {
    double worst = 0.0;
    for (double x = -30.0; x <= 30.0; x += 0.00037) {
        const StereoPair t = tanhFinite(pairOf(x, x * 1e-6));
        worst = std::max(worst, std::fabs(leftOf(t) - std::tanh(x)));
        worst = std::max(worst, std::fabs(rightOf(t) - std::tanh(x * 1e-6)));
    }
    EXPECT_LT(worst, 1e-12);
    // Odd, exact at zero and saturated far out, whatever the sign.
    const StereoPair ends = tanhFinite(pairOf(-1e30, 1e30));
    EXPECT_EQ(leftOf(ends), -1.0);
    EXPECT_EQ(rightOf(ends), 1.0);
    const StereoPair zeros = tanhFinite(pairOf(0.0, -0.0));
    EXPECT_EQ(leftOf(zeros), 0.0);
    EXPECT_TRUE(std::signbit(rightOf(zeros)));
}

TEST(FastMath, ScalarTanhKeepsTheLibrarysSpecialValues) {
    double worst = 0.0;
    for (double x = -25.0; x <= 25.0; x += 0.00113) {
        worst = std::max(worst, std::fabs(tanhOf(x) - std::tanh(x)));
    }
    EXPECT_LT(worst, 1e-12);
    EXPECT_TRUE(std::isnan(tanhOf(NAN)));
    EXPECT_TRUE(std::isnan(tanhOf(-NAN)));
    EXPECT_EQ(tanhOf(INFINITY), 1.0);
    EXPECT_EQ(tanhOf(-INFINITY), -1.0);
    EXPECT_EQ(tanhOf(0.0), 0.0);
    EXPECT_TRUE(std::signbit(tanhOf(-0.0)));
}

// The rational form alone, over the whole range it is used for (both signs) and a little
// past it, where the exponential form takes over.
TEST(FastMath, TanhRationalFormWithinItsBoundUpToItsLimit) {
    double worst = 0.0;
    for (double x = -kTanhRationalLimit; x <= kTanhRationalLimit; x += 0.000271) {
        const TanhParts t = tanhRationalParts(pairOf(x, -x));
        worst = std::max(worst, std::fabs(leftOf(t.numerator / t.denominator) - std::tanh(x)));
        worst = std::max(worst, std::fabs(rightOf(t.numerator / t.denominator) + std::tanh(x)));
    }
    EXPECT_LT(worst, 1e-13);
    // Either side of the switch, both forms agree with the library.
    for (const double x : {kTanhRationalLimit, std::nextafter(kTanhRationalLimit, 4.0)}) {
        EXPECT_NEAR(leftOf(tanhFinite(pairOf(x, -x))), std::tanh(x), 1e-13) << x;
        EXPECT_NEAR(rightOf(tanhFinite(pairOf(x, -x))), -std::tanh(x), 1e-13) << x;
    }
}

// The output stage's shorter tanh, relative to tanh x: its fitted fraction is within
// 3.5e-10 of it up to the switch, so the bounds below leave room for rounding only. A
// coefficient off by one part in a million, the leading one off by a part in a billion (a
// fit for the absolute error leaves it 1.3e-7 off, which the analyser's loop amplifies), or
// the switch moved out to where the fraction has drifted, breaks them.
TEST(FastMath, OutputTanhWithinItsBoundEverywhere) {
    double worst = 0.0;
    for (double x = -kOutputTanhLimit; x <= kOutputTanhLimit; x += 0.000271) {
        const TanhParts t = outputTanhRationalParts(pairOf(x, -x), pairOf(x * x, x * x));
        const double want = std::tanh(x);
        const double scale = x == 0.0 ? 1.0 : std::fabs(want);
        worst = std::max(worst, std::fabs(leftOf(t.numerator / t.denominator) - want) / scale);
        worst = std::max(worst, std::fabs(rightOf(t.numerator / t.denominator) + want) / scale);
    }
    EXPECT_LT(worst, 3.6e-10);
    // Near zero, where quiet samples are.
    worst = 0.0;
    for (double x = 1e-9; x < 0.01; x *= 1.37) {
        const TanhParts t = outputTanhRationalParts(pairOf(x, -x), pairOf(x * x, x * x));
        worst =
            std::max(worst, std::fabs(leftOf(t.numerator / t.denominator) / std::tanh(x) - 1.0));
    }
    EXPECT_LT(worst, 1e-11);
    worst = 0.0;
    for (double x = -30.0; x <= 30.0; x += 0.00037) {
        const StereoPair z = pairOf(x, x * 1e-6);
        const TanhParts t = outputTanhParts(z, z * z);
        const StereoPair q = t.numerator / t.denominator;
        worst = std::max(worst, std::fabs(leftOf(q) - std::tanh(x)) / std::fabs(std::tanh(x)));
        worst = std::max(worst, std::fabs(rightOf(q) / std::tanh(x * 1e-6) - 1.0));
    }
    EXPECT_LT(worst, 3.6e-10);
    const StereoPair far = pairOf(-1e30, 1e30);
    const TanhParts ends = outputTanhParts(far, far * far);
    EXPECT_EQ(leftOf(ends.numerator / ends.denominator), -1.0);
    EXPECT_EQ(rightOf(ends.numerator / ends.denominator), 1.0);
    const StereoPair zeros = pairOf(0.0, -0.0);
    const TanhParts t = outputTanhParts(zeros, zeros * zeros);
    EXPECT_EQ(leftOf(t.numerator / t.denominator), 0.0);
    EXPECT_TRUE(std::signbit(rightOf(t.numerator / t.denominator)));
}

// Two channels sharing one division give what each gives with its own, to a few units in
// the last place of the quotient (four roundings instead of one), over the limiter's range
// of settings and levels past the tanh's far form; the partner's denominator cancels
// exactly only when it is the right one.
TEST(FastMath, SharedDivisionGivesEachChannelsOwnQuotient) {
    std::mt19937 random(31);
    std::uniform_real_distribution<double> level(-12.0, 12.0);
    double worst = 0.0;
    for (const double limiter : {0.0101, 0.2, 0.5, 0.9, 1.0}) {
        for (const double trim : {0.25, 1.0, 3.98}) {
            const OutputLanes<StereoPair> k = outputLanes<StereoPair>(trim, limiter);
            for (int i = 0; i < 4000; ++i) {
                const StereoPair a = pairOf(level(random), level(random) * 0.01);
                const StereoPair b = pairOf(level(random) * 0.1, level(random));
                const LimitedBoth<StereoPair> both = trimAndLimitBoth(a, b, k);
                const StereoPair alone[] = {trimAndLimit(a, k), trimAndLimit(b, k)};
                const StereoPair shared[] = {both.a, both.b};
                for (int c = 0; c < 2; ++c) {
                    for (const auto& [got, want] : {std::pair{leftOf(shared[c]), leftOf(alone[c])},
                                                    {rightOf(shared[c]), rightOf(alone[c])}}) {
                        worst = std::max(worst, std::fabs(got - want) / (1.0 + std::fabs(want)));
                    }
                }
            }
        }
    }
    EXPECT_LT(worst, 1e-15);
}

// The output stage's folded constants (the level's factors, the quarter and the wet blend
// taken into the shaping) against the formula as written out, in long double with the
// library's tanh, over the limiter's whole range and past its clamp: within the shorter
// tanh's 3.5e-10 for the one-value form and the pair alike.
TEST(FastMath, TrimAndLimitMatchesTheWrittenOutFormula) {
    double worst = 0.0;
    for (const double limiter : {0.011, 0.3, 0.77, 1.0}) {
        for (const double trim : {0.25, 1.0, 3.98}) {
            const OutputLanes<double> k = outputLanes<double>(trim, limiter);
            const OutputLanes<StereoPair> pair = outputLanes<StereoPair>(trim, limiter);
            for (double y = -6.0; y <= 6.0; y += 0.00113) {
                const long double x = static_cast<long double>(y) * trim;
                const long double v =
                    std::clamp((116.0L * x * x - 0.00375L) * 100.0L / 20.0L / 580.0L, 0.0L, 4.0L);
                const long double shaped =
                    std::tanh((0.35L * limiter + 1.0L) * x) / (1.0L + v * v / 4.0L);
                const long double want = x * (1.0L - limiter) + limiter * shaped;
                const StereoPair both = trimAndLimit(pairOf(y, -y), pair);
                worst = std::max({worst, static_cast<double>(std::fabs(trimAndLimit(y, k) - want)),
                                  static_cast<double>(std::fabs(leftOf(both) - want)),
                                  static_cast<double>(std::fabs(rightOf(both) + want))});
            }
        }
    }
    EXPECT_LT(worst, 4e-10);
    const OutputLanes<double> k = outputLanes<double>(1.0, 0.5);
    EXPECT_TRUE(std::isnan(trimAndLimit<double>(NAN, k)));
    EXPECT_EQ(trimAndLimit<double>(INFINITY, k), INFINITY);
    EXPECT_EQ(trimAndLimit<double>(-INFINITY, k), -INFINITY);
    // The pair keeps them too, and full limiting turns an infinity into not a number (dry
    // times zero) in either form.
    const StereoPair odd = trimAndLimit(pairOf(NAN, -INFINITY), outputLanes<StereoPair>(1.0, 0.5));
    EXPECT_TRUE(std::isnan(leftOf(odd)));
    EXPECT_EQ(rightOf(odd), -INFINITY);
    const StereoPair full = trimAndLimit(pairOf(INFINITY, 0.5), outputLanes<StereoPair>(1.0, 1.0));
    EXPECT_TRUE(std::isnan(leftOf(full)));
    EXPECT_TRUE(std::isnan(trimAndLimit<double>(INFINITY, outputLanes<double>(1.0, 1.0))));
}

TEST(FastMath, ExpOfNegativeArgumentsWithinItsRelativeBound) {
    double worst = 0.0;
    for (double y = 0.0; y <= 40.0; y += 0.0011) {
        const double e = leftOf(expNegative(splat(y)));
        worst = std::max(worst, std::fabs(e - std::exp(-y)) / std::exp(-y));
    }
    EXPECT_LT(worst, 3e-13);
}

TEST(FastMath, Log10WithinOneTrillionthOverTheAnalysersRange) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> exponent(-10.0, 84.0), mantissa(1.0, 10.0);
    double worst = 0.0;
    for (int i = 0; i < 200000; ++i) {
        const double x = mantissa(random) * std::pow(10.0, std::floor(exponent(random)));
        worst = std::max(worst, std::fabs(log10Positive(x) - std::log10(x)));
    }
    for (const double x : {1e-10, 1.0, 1.4142135623730951, 2.0, 1e80}) {
        worst = std::max(worst, std::fabs(log10Positive(x) - std::log10(x)));
    }
    EXPECT_LT(worst, 1e-12);
}

// The baseline record's levels (two bins at a time where the build has SSE2) give the
// portable one-bin form's results bit for bit, over powers from silence to far beyond
// full scale.
TEST(FastMath, BaselineLevelsEqualTheOneBinForm) {
    const Kernels* baseline = kernelsFor(VectorPath::Baseline);
    ASSERT_NE(baseline, nullptr);
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> exponent(-14.0, 84.0), mantissa(1.0, 10.0);
    std::vector<double> power(1001), plain;
    for (int round = 0; round < 100; ++round) {
        for (double& p : power) {
            p = mantissa(random) * std::pow(10.0, std::floor(exponent(random)));
        }
        power[7] = 0.0;
        power[8] = 1e-10; // at the floor: silence
        plain = power;
        baseline->levels(power.data(), static_cast<int>(power.size()), -54.0);
        generic::levels(plain.data(), static_cast<int>(plain.size()), -54.0);
        ASSERT_EQ(std::memcmp(power.data(), plain.data(), power.size() * sizeof(double)), 0)
            << round;
        ASSERT_EQ(power[8], -80.0);
    }
}

// x^1.5 over the detector's envelope (0..1) and the gain mapping's range (1e-4 and up):
// within a few parts in 1e16 of pow, and pow's special values.
TEST(FastMath, ThreeHalvesPowerMatchesPowWithinItsBound) {
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> exponent(-12.0, 3.0);
    double worst = 0.0;
    for (int i = 0; i < 200000; ++i) {
        const double x = std::pow(10.0, exponent(random));
        const double exact = std::pow(x, 1.5);
        worst = std::max(worst, std::fabs(powThreeHalves(x) - exact) / exact);
    }
    EXPECT_LT(worst, 3.5e-16); // the 2.3e-16 bound plus pow's own rounding
    EXPECT_EQ(powThreeHalves(0.0), 0.0);
    EXPECT_EQ(powThreeHalves(1.0), 1.0);
    EXPECT_EQ(powThreeHalves(4.0), 8.0);
    EXPECT_EQ(powThreeHalves(INFINITY), INFINITY);
    EXPECT_TRUE(std::isnan(powThreeHalves(NAN)));
    EXPECT_TRUE(std::isnan(powThreeHalves(-0.5)));
}

// 10^(g/40) over every gain a band can be designed with and well beyond.
TEST(FastMath, AmplitudeOfGainMatchesPowWithinItsBound) {
    double worst = 0.0;
    for (double g = -60.0; g <= 60.0; g += 0.0007) {
        const double exact = std::pow(10.0, g / 40.0);
        worst = std::max(worst, std::fabs(amplitudeOfGain(g) - exact) / exact);
    }
    EXPECT_LT(worst, 1.5e-15);
    EXPECT_EQ(amplitudeOfGain(0.0), 1.0);
    EXPECT_TRUE(std::isnan(amplitudeOfGain(NAN)));
}

} // namespace
