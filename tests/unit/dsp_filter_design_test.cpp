#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace {

using dsptest::magnitudeAt;

bool sameBits(const BiquadCoefficients& a, const BiquadCoefficients& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(FilterDesign, BellAt1kHzMatchesReferenceCoefficients) {
    const BiquadCoefficients c = designBiquad(Bell, 1000.0, 6.0, 1.0, 48000.0);
    EXPECT_NEAR(c.b0, 1.043953, 1e-6);
    EXPECT_NEAR(c.b1, -1.895321, 1e-6);
    EXPECT_NEAR(c.b2, 0.867722, 1e-6);
    EXPECT_NEAR(c.a1, -1.895321, 1e-6);
    EXPECT_NEAR(c.a2, 0.911675, 1e-6);
    EXPECT_EQ(c.b1, c.a1);
}

struct ResponseCase {
    std::uint32_t type;
    double frequency, gain, q, probeHz, expectedLinear, tolerance;
};

// The measured response of each shape at the points where the cookbook fixes it.
TEST(FilterDesign, ShapesReachTheirDesignedResponse) {
    const double fs = 48000.0;
    const double plus6 = std::pow(10.0, 6.0 / 20.0);
    const ResponseCase cases[] = {
        {Bell, 1000.0, 6.0, 1.0, 1000.0, plus6, 1e-12},
        {Bell, 250.0, -9.0, 2.0, 250.0, std::pow(10.0, -9.0 / 20.0), 1e-12},
        {Bell, 1000.0, 0.0, 1.0, 5000.0, 1.0, 1e-12},
        {LowShelf, 100.0, 6.0, 0.707, 0.0, plus6, 1e-12},
        {LowShelf, 100.0, 6.0, 0.707, 24000.0, 1.0, 1e-12},
        {HighShelf, 10000.0, -4.0, 0.7, 24000.0, std::pow(10.0, -4.0 / 20.0), 1e-12},
        {HighShelf, 10000.0, -4.0, 0.7, 0.0, 1.0, 1e-12},
        {LowCut, 100.0, 12.0, 0.707, 0.0, 0.0, 1e-12},
        {LowCut, 100.0, 12.0, 0.707, 24000.0, 1.0, 1e-12},
        {LowCut, 1000.0, 0.0, 0.7071067811865476, 1000.0, std::sqrt(0.5), 1e-9},
        {HighCut, 5000.0, 0.0, 0.707, 24000.0, 0.0, 1e-12},
        {HighCut, 5000.0, 0.0, 0.707, 0.0, 1.0, 1e-12},
        {Notch, 3000.0, 9.0, 2.0, 3000.0, 0.0, 1e-9},
        {Notch, 3000.0, 9.0, 2.0, 0.0, 1.0, 1e-12},
    };
    for (const ResponseCase& tc : cases) {
        const BiquadCoefficients c = designBiquad(tc.type, tc.frequency, tc.gain, tc.q, fs);
        EXPECT_NEAR(magnitudeAt(c, tc.probeHz, fs), tc.expectedLinear, tc.tolerance)
            << "type " << tc.type << " at " << tc.probeHz << " Hz";
    }
}

TEST(FilterDesign, BellWithZeroGainIsUnity) {
    const BiquadCoefficients c = designBiquad(Bell, 700.0, 0.0, 3.0, 44100.0);
    EXPECT_DOUBLE_EQ(c.b1, c.a1);
    EXPECT_DOUBLE_EQ(c.b2, c.a2);
    EXPECT_DOUBLE_EQ(c.b0, 1.0);
}

TEST(FilterDesign, FrequencyIsLimitedTo10HzAndJustBelowNyquist) {
    const double fs = 48000.0;
    const BiquadCoefficients atLimit = designBiquad(Bell, 0.495 * fs, 6.0, 1.0, fs);
    for (double f : {24000.0, 30000.0, 1e9, std::numeric_limits<double>::infinity()}) {
        EXPECT_TRUE(sameBits(designBiquad(Bell, f, 6.0, 1.0, fs), atLimit)) << f;
    }
    EXPECT_NEAR(designBiquad(Bell, 23760.0, 6.0, 1.0, fs).b0, atLimit.b0, 1e-9);

    const BiquadCoefficients at10 = designBiquad(LowShelf, 10.0, 6.0, 1.0, fs);
    for (double f : {9.99, 5.0, 0.0, -100.0}) {
        EXPECT_TRUE(sameBits(designBiquad(LowShelf, f, 6.0, 1.0, fs), at10)) << f;
    }
    EXPECT_FALSE(sameBits(designBiquad(LowShelf, 10.5, 6.0, 1.0, fs), at10));
}

TEST(FilterDesign, QIsLimitedTo0p1And25) {
    const double fs = 48000.0;
    const BiquadCoefficients low = designBiquad(Bell, 1000.0, 6.0, 0.1, fs);
    const BiquadCoefficients high = designBiquad(Bell, 1000.0, 6.0, 25.0, fs);
    for (double q : {0.05, 0.0, -3.0, std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_TRUE(sameBits(designBiquad(Bell, 1000.0, 6.0, q, fs), low)) << q;
    }
    for (double q : {40.0, 25.0001, 1e12}) {
        EXPECT_TRUE(sameBits(designBiquad(Bell, 1000.0, 6.0, q, fs), high)) << q;
    }
}

TEST(FilterDesign, UnknownTypesPassThrough) {
    for (std::uint32_t type : {6u, 7u, 100u, 0xFFFFFFFFu}) {
        const BiquadCoefficients c = designBiquad(type, 1000.0, 6.0, 1.0, 48000.0);
        EXPECT_TRUE(sameBits(c, BiquadCoefficients{})) << type;
    }
}

} // namespace
