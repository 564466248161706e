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

// The output stage's shorter tanh. Its output is a float (a step of 6e-8 near full scale)
// held within 1e-6 of the reference engine, so 1e-10 is plenty; its truncation error is
// below 1.8e-11 up to the switch, so 2.5e-11 leaves room for rounding only. A coefficient
// off by one part in a million, or the switch moved out to where the fraction has drifted
// (6e-11 at 3.25), breaks these bounds.
TEST(FastMath, OutputTanhWithinItsBoundEverywhere) {
    double worst = 0.0;
    for (double x = -kOutputTanhLimit; x <= kOutputTanhLimit; x += 0.000271) {
        const TanhParts t = outputTanhRationalParts(pairOf(x, -x), pairOf(x * x, x * x));
        worst = std::max(worst, std::fabs(leftOf(t.numerator / t.denominator) - std::tanh(x)));
        worst = std::max(worst, std::fabs(rightOf(t.numerator / t.denominator) + std::tanh(x)));
    }
    EXPECT_LT(worst, 2.5e-11);
    worst = 0.0;
    for (double x = -30.0; x <= 30.0; x += 0.00037) {
        const TanhParts t = outputTanhParts(pairOf(x, x * 1e-6));
        const StereoPair q = t.numerator / t.denominator;
        worst = std::max(worst, std::fabs(leftOf(q) - std::tanh(x)));
        worst = std::max(worst, std::fabs(rightOf(q) - std::tanh(x * 1e-6)));
    }
    EXPECT_LT(worst, 1e-10);
    const TanhParts ends = outputTanhParts(pairOf(-1e30, 1e30));
    EXPECT_EQ(leftOf(ends.numerator / ends.denominator), -1.0);
    EXPECT_EQ(rightOf(ends.numerator / ends.denominator), 1.0);
}

// The output stage's folded constants (the level's factors, the quarter and the wet blend
// taken into the shaping) against the formula as written out, with the library's tanh:
// within the tanh's own 1e-10, over the limiter's whole range and past its clamp.
TEST(FastMath, TrimAndLimitMatchesTheWrittenOutFormula) {
    double worst = 0.0;
    for (const double limiter : {0.011, 0.3, 0.77, 1.0}) {
        for (const double trim : {0.25, 1.0, 3.98}) {
            const OutputLanes<double> k = outputLanes<double>(trim, limiter);
            for (double y = -6.0; y <= 6.0; y += 0.00113) {
                const double x = y * trim;
                const double v =
                    std::clamp((116.0 * x * x - 0.00375) * 100.0 / 20.0 / 580.0, 0.0, 4.0);
                const double shaped = std::tanh((0.35 * limiter + 1.0) * x) / (1.0 + v * v / 4);
                const double want = x * (1.0 - limiter) + limiter * shaped;
                worst = std::max(worst, std::fabs(trimAndLimit(y, k) - want));
            }
        }
    }
    EXPECT_LT(worst, 1e-10);
    const OutputLanes<double> k = outputLanes<double>(1.0, 0.5);
    EXPECT_TRUE(std::isnan(trimAndLimit<double>(NAN, k)));
    EXPECT_EQ(trimAndLimit<double>(INFINITY, k), INFINITY);
    EXPECT_EQ(trimAndLimit<double>(-INFINITY, k), -INFINITY);
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
