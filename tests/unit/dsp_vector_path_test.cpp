// The vector paths give the same sound, so any of them may run on a user's machine: the
// widest (AVX-512: skewed cascade, eight-lane output stage) exactly what the wide one (AVX2
// and FMA) gives, and the wide one the baseline's output to within the float output's own
// rounding, over programme material with the limiter at several settings.
#include "dsp/kernels.h"
#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

dsptest::StereoSignal render(VectorPath path, float limiter, std::size_t block = 301,
                             bool bursts = false) {
    limitVectorPath(path);
    auto inst = dsptest::makeInstance();
    setParam(*inst, ParamLimiter, limiter);
    setParam(*inst, ParamOutputTrim, 0.8f); // hot enough that the limiter really works
    rebuildFilters(*inst);
    dsptest::StereoSignal s = dsptest::musicLikeSignal(48000);
    if (bursts) { // samples the cascades must leave to the checked path, alone and in a row
        for (std::size_t i = 1000; i < s.left.size(); i += 4999) {
            s.left[i] = NAN;
            s.right[i + 3] = INFINITY;
            s.left[i + 4] = -INFINITY;
            s.right[i + 4] = NAN;
        }
    }
    dsptest::processInBlocks(*inst, s, block);
    limitVectorPath(VectorPath::Widest);
    return s;
}

float largestDifference(const std::vector<float>& a, const std::vector<float>& b) {
    float largest = a.size() == b.size() ? 0.0f : INFINITY;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        largest = std::max(largest, std::fabs(a[i] - b[i]));
    }
    return largest;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

TEST(VectorPaths, WideAndBaselineAgreeWithinTheOutputRounding) {
    if (kernelsFor(VectorPath::Wide) == nullptr) {
        GTEST_SKIP() << "no AVX2 path here: only the baseline runs";
    }
    for (const float limiter : {0.02f, 0.5f, 0.92f, 1.0f}) {
        const dsptest::StereoSignal wide = render(VectorPath::Wide, limiter);
        const dsptest::StereoSignal baseline = render(VectorPath::Baseline, limiter);
        // A few float steps at full scale; NaN would fail the comparison too.
        EXPECT_LE(largestDifference(wide.left, baseline.left), 2.5e-7f) << limiter;
        EXPECT_LE(largestDifference(wide.right, baseline.right), 2.5e-7f) << limiter;
    }
}

TEST(VectorPaths, WidestGivesExactlyTheWideOutput) {
    if (kernelsFor(VectorPath::Widest) == nullptr) {
        GTEST_SKIP() << "no AVX-512 path here: the widest kernels do not run";
    }
    for (const float limiter : {0.02f, 0.5f, 0.92f, 1.0f}) {
        const dsptest::StereoSignal widest = render(VectorPath::Widest, limiter);
        const dsptest::StereoSignal wide = render(VectorPath::Wide, limiter);
        EXPECT_TRUE(sameBits(widest.left, wide.left)) << limiter;
        EXPECT_TRUE(sameBits(widest.right, wide.right)) << limiter;
    }
    // Host blocks shorter than the widest cascade's pipeline, and ones that leave runs cut
    // short at their end, with samples on two sets of coefficients in flight.
    for (const std::size_t block : {1u, 5u, 37u, 512u}) {
        for (const bool bursts : {false, true}) {
            const dsptest::StereoSignal widest = render(VectorPath::Widest, 0.5f, block, bursts);
            const dsptest::StereoSignal wide = render(VectorPath::Wide, 0.5f, block, bursts);
            EXPECT_TRUE(sameBits(widest.left, wide.left)) << block << (bursts ? " bursts" : "");
            EXPECT_TRUE(sameBits(widest.right, wide.right)) << block << (bursts ? " bursts" : "");
        }
    }
}

// The output stage alone, where its groups of four meet checked samples and run ends: every
// sample it writes is the wide stage's, checked ones included.
TEST(VectorPaths, WidestOutputStageWritesTheWideOnesBits) {
    const Kernels* wideKernels = kernelsFor(VectorPath::Wide);
    const Kernels* widestKernels = kernelsFor(VectorPath::Widest);
    if (widestKernels == nullptr) {
        GTEST_SKIP() << "no AVX-512 path here: the widest kernels do not run";
    }
    std::mt19937 random(7);
    std::uniform_real_distribution<double> level(-6.0, 6.0); // well into the limiter
    for (int trial = 0; trial < 400; ++trial) {
        const std::int32_t run = 1 + trial % 32;
        std::vector<StereoPair> y(run);
        bool checked[32] = {};
        for (std::int32_t i = 0; i < run; ++i) {
            y[i] = pairOf(level(random), level(random));
        }
        if (trial % 3 == 1) {
            checked[random() % run] = true;
        }
        std::vector<float> wideL(run, -9.0f), wideR(run, -9.0f);
        std::vector<float> widestL(run, -9.0f), widestR(run, -9.0f);
        if (trial % 5 == 2) {
            const std::int32_t at = static_cast<std::int32_t>(random() % run);
            y[at] = pairOf(trial % 2 == 0 ? NAN : INFINITY, -INFINITY);
            checked[at] = true;
        }
        const OutputLanes<double> settings = outputLanes<double>(0.9, 0.7);
        wideKernels->finishRun(y.data(), checked, run, settings, wideL.data(), wideR.data());
        widestKernels->finishRun(y.data(), checked, run, settings, widestL.data(), widestR.data());
        EXPECT_TRUE(sameBits(widestL, wideL)) << "run " << run << ", trial " << trial;
        EXPECT_TRUE(sameBits(widestR, wideR)) << "run " << run << ", trial " << trial;
    }
}

} // namespace
