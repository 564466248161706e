#include "dsp/kernels.h"
#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace {

using AnalyserSpectrum = dsptest::EngineTest;

void fillRingWithSine(Engine& inst, double bin, double amplitude) {
    for (int i = 0; i < kAnalysisSize; ++i) {
        inst.analysisRing[i] =
            static_cast<float>(amplitude * std::sin(6.283185307179586 * bin * i / 1024.0));
    }
}

// Silence stays at -80; a full-scale sine centred on bin 64 rises 65 % of the way per
// analysis and converges to the window's coherent gain of 511.5 / 1024; silence then
// takes it down 10 % of the way per analysis.
TEST_F(AnalyserSpectrum, SilenceBinCentredSineRiseAndFall) {
    for (int i = 0; i < 5; ++i) {
        runAnalyser(*inst);
    }
    EXPECT_EQ(inst->spectrumDb, std::vector<float>(kSpectrumBins, -80.0f));
    fillRingWithSine(*inst, 64.0, 1.0);
    runAnalyser(*inst);
    EXPECT_NEAR(inst->spectrumDb[64], -80.0f * 0.35f + -6.03f * 0.65f, 0.01f);
    for (int i = 0; i < 40; ++i) {
        runAnalyser(*inst);
    }
    EXPECT_NEAR(inst->spectrumDb[64], -6.03, 0.01);
    EXPECT_NEAR(inst->spectrumDb[63], -12.04, 0.02);
    EXPECT_NEAR(inst->spectrumDb[65], -12.04, 0.02);
    const auto loudest = std::max_element(inst->spectrumDb.begin(), inst->spectrumDb.end());
    EXPECT_EQ(loudest - inst->spectrumDb.begin(), 64);
    EXPECT_LT(inst->spectrumDb[80], -60.0f);
    const float settled = inst->spectrumDb[64];
    std::fill(inst->analysisRing.begin(), inst->analysisRing.end(), 0.0f);
    runAnalyser(*inst);
    EXPECT_EQ(inst->spectrumDb[64], settled * 0.9f + -80.0f * 0.1f);
    for (int i = 0; i < 400; ++i) {
        runAnalyser(*inst);
    }
    EXPECT_NEAR(inst->spectrumDb[64], -80.0f, 1e-3f);
}

// A sample that is not finite counts as silence: the analysis equals that of the same
// block with a zero in its place, and no bin turns NaN or infinite (an infinite bin would
// never fall again and the gain mapping reads these bins).
TEST_F(AnalyserSpectrum, NonFiniteSamplesCountAsSilence) {
    const float inf = std::numeric_limits<float>::infinity();
    for (const float bad : {std::nanf(""), inf, -inf}) {
        inst = dsptest::makeInstance();
        auto twin = dsptest::makeInstance();
        fillRingWithSine(*inst, 10.0, 0.5);
        fillRingWithSine(*twin, 10.0, 0.5);
        runAnalyser(*inst);
        runAnalyser(*twin);
        inst->analysisRing[300] = bad;
        twin->analysisRing[300] = 0.0f;
        runAnalyser(*inst);
        runAnalyser(*twin);
        EXPECT_TRUE(std::all_of(inst->spectrumDb.begin(), inst->spectrumDb.end(), [](float v) {
            return std::isfinite(v);
        })) << bad;
        EXPECT_EQ(inst->spectrumDb, twin->spectrumDb) << bad;
        EXPECT_GT(inst->spectrumDb[10], -40.0f) << bad; // the sine still shows
    }
}

} // namespace

namespace {

void checkWindowAndSmoothing(decltype(Kernels::window) windowFn,
                             decltype(Kernels::smooth) smoothFn) {
    unsigned seed = 17;
    const auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(seed >> 8) / 16777216.0f;
    };
    std::vector<float> ring(kAnalysisSize);
    std::vector<double> window(kAnalysisSize);
    for (int i = 0; i < kAnalysisSize; ++i) {
        ring[i] = next() - 0.5f;
        window[i] = 0.5 - 0.5 * std::cos(6.283185307179586 * i / kAnalysisSize);
    }
    ring[101] = NAN;
    ring[902] = -INFINITY;
    std::vector<double> windowed(kAnalysisSize, -1.0);
    windowFn(windowed.data(), ring.data(), window.data(), kAnalysisSize);
    for (int i = 0; i < kAnalysisSize; ++i) {
        const double v = ring[i];
        const double expected = std::isfinite(v) ? v * window[i] : 0.0;
        ASSERT_EQ(std::memcmp(&windowed[i], &expected, sizeof expected), 0) << i;
    }

    std::vector<float> spectrum(kSpectrumBins), plain(kSpectrumBins);
    std::vector<double> levels(kSpectrumBins);
    for (int k = 0; k < kSpectrumBins; ++k) {
        spectrum[k] = plain[k] = -80.0f + 70.0f * next();
        levels[k] = k % 7 == 0 ? spectrum[k] : -80.0 + 70.0 * next();
    }
    smoothFn(spectrum.data(), levels.data(), kSpectrumBins);
    const int smoothed = kSpectrumBins;
    for (int k = 0; k < smoothed; ++k) {
        const auto fresh = static_cast<float>(levels[k]);
        const float old = plain[k];
        const float rise = old * 0.35f + fresh * 0.65f;
        const float fall = old * 0.9f + fresh * 0.1f;
        const float expected = fresh > old ? rise : fall;
        ASSERT_EQ(std::memcmp(&spectrum[k], &expected, sizeof expected), 0) << k;
    }
}

// The window and the smoothing of every record the processor has (two, four and eight
// lanes wide): the same single operations as the portable kernels, unfused, so the same
// bits (the displayed spectrum is also what the gain mapping reads). Against the plain
// formulas, including a NaN and an infinity in the ring and bins that rise, fall and stay.
TEST(AnalyserPaths, EveryWindowAndSmoothingGiveThePlainFormulasBits) {
    for (const VectorPath path : {VectorPath::Baseline, VectorPath::Wide, VectorPath::Widest}) {
        const Kernels* k = kernelsFor(path);
        if (k == nullptr) {
            continue; // not on this processor: the paths it has are checked
        }
        SCOPED_TRACE(k->name);
        checkWindowAndSmoothing(k->window, k->smooth);
    }
}

} // namespace
