// The analyser's transform against a plain DFT, and its vector path (bit-reversed copy,
// first stages and later ones rearranged for four lanes) against the baseline one: the
// gain mapping reads these powers, so both paths must give the same spectrum.
#include "dsp/kernels.h"
#include "dsp/real_fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

std::vector<double> powersOf(const std::vector<double>& samples) {
    std::vector<double> work(2 * kRealFftSize), power(kRealFftBins);
    realFftPower(samples.data(), work.data(), power.data());
    return power;
}

// |X_k|^2 of the real DFT, summed in long double.
std::vector<double> plainPowers(const std::vector<double>& x) {
    std::vector<double> power(kRealFftBins);
    for (int k = 0; k < kRealFftBins; ++k) {
        long double re = 0.0L, im = 0.0L;
        for (int n = 0; n < kRealFftSize; ++n) {
            const long double phase =
                2.0L * std::numbers::pi_v<long double> *
                static_cast<long double>((static_cast<long>(k) * n) % kRealFftSize) / kRealFftSize;
            re += x[n] * std::cos(phase);
            im -= x[n] * std::sin(phase);
        }
        power[k] = static_cast<double>(re * re + im * im);
    }
    return power;
}

std::vector<double> testSignal(unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    std::vector<double> x(kRealFftSize);
    for (int n = 0; n < kRealFftSize; ++n) {
        // Noise, a sine between bins and a strong one on a bin: all bins busy, wide range.
        x[n] =
            0.3 * noise(random) + 0.5 * std::sin(0.3711 * n) + 2.0 * std::cos(0.0613592315 * 7 * n);
    }
    return x;
}

TEST(RealFft, PowersMatchAPlainTransformOnEveryPath) {
    for (unsigned seed : {1u, 2u}) {
        const std::vector<double> x = testSignal(seed);
        const std::vector<double> expected = plainPowers(x);
        double peak = 0.0;
        for (double p : expected) {
            peak = std::max(peak, p);
        }
        for (const VectorPath path : {VectorPath::Widest, VectorPath::Wide, VectorPath::Baseline}) {
            limitVectorPath(path);
            const std::vector<double> power = powersOf(x);
            limitVectorPath(VectorPath::Widest);
            for (int k = 0; k < kRealFftBins; ++k) {
                ASSERT_NEAR(power[k], expected[k], 1e-11 * peak)
                    << "bin " << k << ", path " << static_cast<int>(path) << ", seed " << seed;
            }
        }
    }
}

TEST(RealFft, VectorPathGivesTheBaselinePowersToAFewUnitsInTheLastPlace) {
    if (kernelsFor(VectorPath::Wide) == nullptr) {
        GTEST_SKIP() << "no AVX2 path here: only the baseline runs";
    }
    const std::vector<double> x = testSignal(3);
    limitVectorPath(VectorPath::Baseline);
    const std::vector<double> baseline = powersOf(x);
    limitVectorPath(VectorPath::Widest);
    const std::vector<double> wide = powersOf(x);
    double peak = 0.0;
    for (double p : baseline) {
        peak = std::max(peak, p);
    }
    for (int k = 0; k < kRealFftBins; ++k) {
        // Fused multiply-adds round differently; nothing else may differ.
        EXPECT_NEAR(wide[k], baseline[k], 1e-14 * peak) << "bin " << k;
    }
}

} // namespace
