// The biquad designer and the gain mapping that every band passes through first.
#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace {

using dsptest::magnitudeAt;
using dsptest::sameBits;

TEST(FilterDesign, BellReferenceCoefficientsAndUnityAtZeroGain) {
    const BiquadCoefficients c = designBiquad(Bell, 1000.0, 6.0, 1.0, 48000.0);
    EXPECT_NEAR(c.b0, 1.043953, 1e-6);
    EXPECT_NEAR(c.b1, -1.895321, 1e-6);
    EXPECT_NEAR(c.b2, 0.867722, 1e-6);
    EXPECT_EQ(c.a1, c.b1);
    EXPECT_NEAR(c.a2, 0.911675, 1e-6);
    const BiquadCoefficients flat = designBiquad(Bell, 700.0, 0.0, 3.0, 44100.0);
    EXPECT_DOUBLE_EQ(flat.b0, 1.0);
    EXPECT_DOUBLE_EQ(flat.b1, flat.a1);
    EXPECT_DOUBLE_EQ(flat.b2, flat.a2);
}

// The measured response of each shape where the cookbook fixes it (at, gain) and where it
// must be flat or closed (far, farGain).
TEST(FilterDesign, ShapesReachTheirDesignedResponse) {
    const double plus6 = std::pow(10.0, 0.3), minus9 = std::pow(10.0, -0.45);
    const double minus4 = std::pow(10.0, -0.2), root2 = std::sqrt(0.5);
    const struct {
        std::uint32_t type;
        double frequency, gain, q, at, atGain, far, farGain;
    } cases[] = {
        {Bell, 1000, 6, 1, 1000, plus6, 0, 1},
        {Bell, 250, -9, 2, 250, minus9, 24000, 1},
        {LowShelf, 100, 6, 0.707, 0, plus6, 24000, 1},
        {HighShelf, 1e4, -4, 0.7, 24000, minus4, 0, 1},
        {LowCut, 100, 12, 0.707, 0, 0, 24000, 1},
        {LowCut, 1000, 0, root2, 1000, root2, 24000, 1},
        {HighCut, 5000, 0, 0.707, 24000, 0, 0, 1},
        {Notch, 3000, 9, 2, 3000, 0, 0, 1},
    };
    for (const auto& tc : cases) {
        const BiquadCoefficients c = designBiquad(tc.type, tc.frequency, tc.gain, tc.q, 48000.0);
        EXPECT_NEAR(magnitudeAt(c, tc.at, 48000.0), tc.atGain, 1e-9) << tc.type << " " << tc.at;
        EXPECT_NEAR(magnitudeAt(c, tc.far, 48000.0), tc.farGain, 1e-9) << tc.type << " " << tc.far;
    }
}

bool isPassThrough(const BiquadCoefficients& c) {
    return sameBits(c, BiquadCoefficients{});
}

// Both poles strictly inside the unit circle.
bool isStable(const BiquadCoefficients& c) {
    return std::fabs(c.a2) < 1.0 && std::fabs(c.a1) < 1.0 + c.a2;
}

// A band whose angle per sample lies at or above Nyquist (the 10 Hz floor at rates under
// 20 Hz) or below the 10 Hz floor at 768 kHz cannot be realised stably: it passes audio
// unchanged. Every band at an ordinary rate, however extreme, is still designed.
TEST(FilterDesign, BandsThatCannotBeStableAtThisRatePassAudio) {
    const struct {
        std::uint32_t type;
        double frequency, gain, q, rate;
        bool passes;
    } cases[] = {
        {LowCut, 30, 0, 0.707, 6, true},
        {Bell, 1000, 6, 1, 15, true},
        {LowShelf, 85, 1.8, 0.85, 1, true},
        {HighShelf, 12500, 2.6, 0.75, 20, true},
        {LowCut, 30, 0, 0.707, 1e9, true},
        {HighShelf, 12500, 2.6, 0.75, 1e9, true},
        {Bell, 10, 24, 25, 768000, false},
        {HighCut, 10, 0, 25, 768000, false},
        {LowShelf, 10, -24, 0.1, 768000, false},
        {Bell, 30, 6, 1, 20.5, false},
        {HighShelf, 12500, 2.6, 0.75, 8000, false},
        {Notch, 20000, 0, 2, 22050, false},
    };
    for (const auto& tc : cases) {
        const BiquadCoefficients c = designBiquad(tc.type, tc.frequency, tc.gain, tc.q, tc.rate);
        EXPECT_EQ(isPassThrough(c), tc.passes)
            << tc.type << " " << tc.frequency << " @ " << tc.rate;
    }
}

// Whatever the arguments, the designer never answers an unstable filter.
TEST(FilterDesign, EveryDesignIsStable) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> logRate(0.0, 9.0), logFrequency(0.0, 5.0);
    std::uniform_real_distribution<double> gain(-30.0, 30.0), logQ(-2.0, 2.0);
    for (int i = 0; i < 20000; ++i) {
        const auto type = static_cast<std::uint32_t>(i % 6);
        const double rate = std::pow(10.0, logRate(random));
        const double frequency = std::pow(10.0, logFrequency(random));
        const double q = std::pow(10.0, logQ(random));
        const BiquadCoefficients c = designBiquad(type, frequency, gain(random), q, rate);
        ASSERT_TRUE(isStable(c)) << type << " " << frequency << " Hz q " << q << " @ " << rate;
    }
}

// Frequency is limited to 10 Hz .. 0.495 fs and q to 0.1 .. 25: out-of-range arguments
// design exactly what the limit designs, in-range ones do not.
TEST(FilterDesign, FrequencyAndQAreLimited) {
    const double fs = 48000.0, top = 0.495 * fs, inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double frequency, q, limitFrequency, limitQ;
        bool limited;
    } cases[] = {{24000.0, 1.0, top, 1.0, true},     {30000.0, 1.0, top, 1.0, true},
                 {1e9, 1.0, top, 1.0, true},         {inf, 1.0, top, 1.0, true},
                 {9.99, 1.0, 10.0, 1.0, true},       {5.0, 1.0, 10.0, 1.0, true},
                 {0.0, 1.0, 10.0, 1.0, true},        {-100.0, 1.0, 10.0, 1.0, true},
                 {10.5, 1.0, 10.0, 1.0, false},      {1000.0, 0.05, 1000.0, 0.1, true},
                 {1000.0, 0.0, 1000.0, 0.1, true},   {1000.0, -3.0, 1000.0, 0.1, true},
                 {1000.0, nan, 1000.0, 0.1, true},   {1000.0, 40.0, 1000.0, 25.0, true},
                 {1000.0, 1e12, 1000.0, 25.0, true}, {1000.0, 25.0001, 1000.0, 25.0, true}};
    for (const auto& tc : cases) {
        for (std::uint32_t type : {Bell, LowShelf}) {
            EXPECT_EQ(sameBits(designBiquad(type, tc.frequency, 6.0, tc.q, fs),
                               designBiquad(type, tc.limitFrequency, 6.0, tc.limitQ, fs)),
                      tc.limited)
                << type << ": " << tc.frequency << " Hz, q " << tc.q;
        }
    }
    EXPECT_NEAR(designBiquad(Bell, 23760.0, 6.0, 1.0, fs).b0,
                designBiquad(Bell, 30000.0, 6.0, 1.0, fs).b0, 1e-9);
}

TEST(FilterDesign, UnknownTypesPassThrough) {
    for (std::uint32_t type : {6u, 7u, 100u, 0xFFFFFFFFu}) {
        EXPECT_TRUE(sameBits(designBiquad(type, 1000.0, 6.0, 1.0, 48000.0), {})) << type;
    }
}

using FilterEffectiveGain = dsptest::EngineTest;

// Without coupling the mapping is only the limiter: identity at 0, 18 tanh(g / 18) at 1.
TEST_F(FilterEffectiveGain, WithoutCouplingOnlyTheLimiterActs) {
    setParam(*inst, ParamCoupling, 0.0f);
    const double soft6 = 18.0 * std::tanh(6.0 / 18.0);
    const struct {
        float limiter;
        double gain, expected, tolerance;
    } cases[] = {
        {0.0f, -24.0, -24.0, 0.0}, {0.0f, -3.3, -3.3, 0.0},     {0.0f, 5.5, 5.5, 0.0},
        {0.0f, 24.0, 24.0, 0.0},   {1.0f, 18.0, 13.7087, 1e-4}, {1.0f, -18.0, -13.7087, 1e-4},
        {1.0f, 6.0, soft6, 1e-12}, {0.92f, 12.0, 10.611, 1e-3}, {0.92f, -12.0, -10.611, 1e-3},
    };
    for (const auto& tc : cases) {
        setParam(*inst, ParamLimiter, tc.limiter);
        for (double f : {20.0, 1000.0, 2900.0, 19000.0}) {
            EXPECT_NEAR(effectiveGain(*inst, f, tc.gain), tc.expected, tc.tolerance)
                << "limiter " << tc.limiter << ", " << tc.gain << " dB at " << f << " Hz";
        }
    }
}

// With the default parameters, 48 kHz and a flat spectrum. The sieve acts on 2900 Hz,
// in bin 61 (prime), not on 1000 Hz, in bin 21.
TEST_F(FilterEffectiveGain, DefaultsAndThePrimeBinSieve) {
    EXPECT_NEAR(effectiveGain(*inst, 1000.0, 0.0), 0.02355, 5e-6);
    EXPECT_NEAR(effectiveGain(*inst, 2900.0, 2.8), 2.81525, 5e-6);
    const double at1000 = effectiveGain(*inst, 1000.0, 3.0);
    const double at2900 = effectiveGain(*inst, 2900.0, 3.0);
    setParam(*inst, ParamSieve, 0.0f);
    EXPECT_EQ(effectiveGain(*inst, 1000.0, 3.0), at1000);
    EXPECT_NE(effectiveGain(*inst, 2900.0, 3.0), at2900);
}

// Bins 0, 1, 511 and 512 have no four neighbours and get no spectral term.
TEST_F(FilterEffectiveGain, SpectralTermNeedsTwoBinsEachSide) {
    const struct {
        double frequency;
        std::size_t bin;
        bool affected;
    } cases[] = {{30.0, 0, false},     {50.0, 1, false},     {100.0, 2, true},
                 {1000.0, 21, true},   {23920.0, 510, true}, {23970.0, 511, false},
                 {30000.0, 512, false}};
    for (const auto& tc : cases) {
        const double flat = effectiveGain(*inst, tc.frequency, 4.0);
        inst->spectrumDb[tc.bin] = -20.0f;
        EXPECT_EQ(effectiveGain(*inst, tc.frequency, 4.0) != flat, tc.affected) << tc.frequency;
        inst->spectrumDb[tc.bin] = -80.0f;
    }
}

// Whatever the parameters and the spectrum, the mapping moves a band by at most 0.6 dB
// before the limiter.
TEST_F(FilterEffectiveGain, OffsetStaysWithinSixTenthsOfADecibel) {
    std::mt19937 rng(20240611u);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f), level(-140.0f, 0.0f);
    std::uniform_real_distribution<double> logF(std::log(5.0), std::log(40000.0)), gain(-30, 30);
    const float rates[] = {8000.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f};
    double largest = 0.0;
    for (int trial = 0; trial < 400; ++trial) {
        setSampleRate(*inst, rates[trial % 5]);
        setParam(*inst, ParamCoupling, unit(rng));
        setParam(*inst, ParamSieve, unit(rng));
        setParam(*inst, ParamLimiter, 0.0f);
        for (float& bin : inst->spectrumDb) {
            bin = level(rng);
        }
        for (int i = 0; i < 20; ++i) {
            const double f = std::exp(logF(rng)), g = gain(rng);
            const double offset = std::fabs(effectiveGain(*inst, f, g) - g);
            ASSERT_LE(offset, 0.6 + 1e-9) << f << " Hz, " << g << " dB";
            largest = std::max(largest, offset);
        }
    }
    EXPECT_GT(largest, 0.1); // the sweep really exercised the mapping
}

} // namespace

// The modulation designs from frequency terms it keeps per band: they must give what the
// plain forms give, bit for bit, at any frequency, rate, gain and Q, odd values included.
TEST_F(FilterEffectiveGain, KeptFrequencyTermsGiveThePlainFormsBitForBit) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> frequencies = {nan, -5.0, 0.0, 9.0, 10.0, 23999.0, 24000.0, 1e9};
    for (int i = 0; i < 300; ++i) {
        frequencies.push_back(std::pow(10.0, 1.0 + 3.5 * unit(random)));
    }
    for (const double rate : {8000.0, 44100.0, 48000.0, 96000.0}) {
        setSampleRate(*inst, static_cast<float>(rate));
        for (const double f : frequencies) {
            const FrequencyTerms terms = frequencyTerms(f, rate);
            for (const double g : {-30.0, -3.5, 0.0, 0.7, 12.0, 24.0}) {
                const double plain = effectiveGain(*inst, f, g);
                const double kept = effectiveGain(*inst, terms, g);
                EXPECT_TRUE(std::memcmp(&plain, &kept, sizeof plain) == 0) << f << " " << g;
                for (std::uint32_t type = 0; type <= Notch + 1; ++type) {
                    const double q = 0.05 + 30.0 * unit(random);
                    EXPECT_TRUE(dsptest::sameBits(designBiquad(type, f, g, q, rate),
                                                  designBiquad(type, terms, g, q)))
                        << type << " " << f << " " << g << " " << q << " at " << rate;
                }
            }
        }
    }
}
