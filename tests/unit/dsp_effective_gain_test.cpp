#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using dsptest::makeInstance;

TEST(FilterEffectiveGain, NoCouplingNoLimiterIsIdentity) {
    auto inst = makeInstance();
    setParam(*inst, ParamCoupling, 0.0f);
    setParam(*inst, ParamLimiter, 0.0f);
    for (double f : {20.0, 1000.0, 2900.0, 19000.0}) {
        for (double g : {-24.0, -3.3, 0.0, 5.5, 24.0}) {
            EXPECT_EQ(effectiveGain(*inst, f, g), g) << f << " Hz, " << g << " dB";
        }
    }
}

struct LimiterCase {
    float limiter;
    double gain, expected, tolerance;
};

TEST(FilterEffectiveGain, LimiterSoftClipsTowards18dB) {
    auto inst = makeInstance();
    setParam(*inst, ParamCoupling, 0.0f);
    const LimiterCase cases[] = {
        {1.0f, 18.0, 13.7087, 1e-4},
        {1.0f, -18.0, -13.7087, 1e-4},
        {1.0f, 6.0, 18.0 * std::tanh(6.0 / 18.0), 1e-12},
        {0.92f, 12.0, 10.611, 1e-3},
        {0.92f, -12.0, -10.611, 1e-3},
    };
    for (const LimiterCase& tc : cases) {
        setParam(*inst, ParamLimiter, tc.limiter);
        EXPECT_NEAR(effectiveGain(*inst, 1000.0, tc.gain), tc.expected, tc.tolerance)
            << "limiter " << tc.limiter << ", gain " << tc.gain;
    }
}

TEST(FilterEffectiveGain, DefaultsWithFlatSpectrum) {
    auto inst = makeInstance();
    EXPECT_NEAR(effectiveGain(*inst, 1000.0, 0.0), 0.02355, 5e-6);
    EXPECT_NEAR(effectiveGain(*inst, 2900.0, 2.8), 2.81525, 5e-6);
}

// 2900 Hz sits in bin 61 (prime) at 48 kHz, 1000 Hz in bin 21 (not prime).
TEST(FilterEffectiveGain, SieveActsOnlyOnPrimeBins) {
    auto inst = makeInstance();
    const double at1000 = effectiveGain(*inst, 1000.0, 3.0);
    const double at2900 = effectiveGain(*inst, 2900.0, 3.0);
    setParam(*inst, ParamSieve, 0.0f);
    EXPECT_EQ(effectiveGain(*inst, 1000.0, 3.0), at1000);
    EXPECT_NE(effectiveGain(*inst, 2900.0, 3.0), at2900);
}

// Bins 0, 1, 511 and 512 have no four neighbours and get no spectral term.
TEST(FilterEffectiveGain, SpectralTermNeedsTwoBinsEachSide) {
    struct Case {
        double frequency;
        int bin;
        bool affected;
    };
    const Case cases[] = {
        {30.0, 0, false},     {50.0, 1, false},      {100.0, 2, true},      {1000.0, 21, true},
        {23920.0, 510, true}, {23970.0, 511, false}, {30000.0, 512, false},
    };
    for (const Case& tc : cases) {
        auto inst = makeInstance();
        const double flat = effectiveGain(*inst, tc.frequency, 4.0);
        inst->spectrumDb[static_cast<std::size_t>(tc.bin)] = -20.0f;
        EXPECT_EQ(effectiveGain(*inst, tc.frequency, 4.0) != flat, tc.affected) << tc.frequency;
    }
}

// Whatever the parameters and the spectrum, the mapping moves a band by at most 0.6 dB
// before the limiter.
TEST(FilterEffectiveGain, OffsetStaysWithinSixTenthsOfADecibel) {
    std::mt19937 rng(20240611u);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_real_distribution<double> logF(std::log(5.0), std::log(40000.0));
    std::uniform_real_distribution<double> gain(-30.0, 30.0);
    std::uniform_real_distribution<float> level(-140.0f, 0.0f);
    const float rates[] = {8000.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f};
    double largest = 0.0;
    for (int trial = 0; trial < 400; ++trial) {
        auto inst = makeInstance();
        setSampleRate(*inst, rates[trial % 5]);
        setParam(*inst, ParamCoupling, unit(rng));
        setParam(*inst, ParamSieve, unit(rng));
        setParam(*inst, ParamLimiter, 0.0f);
        for (float& bin : inst->spectrumDb) {
            bin = level(rng);
        }
        for (int i = 0; i < 20; ++i) {
            const double f = std::exp(logF(rng));
            const double g = gain(rng);
            const double offset = effectiveGain(*inst, f, g) - g;
            ASSERT_LE(std::fabs(offset), 0.6 + 1e-9) << f << " Hz, " << g << " dB";
            largest = std::max(largest, std::fabs(offset));
        }
    }
    EXPECT_GT(largest, 0.1); // the sweep really exercised the mapping
}

} // namespace
