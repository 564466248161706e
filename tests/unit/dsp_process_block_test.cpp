#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace {

using dsptest::makeInstance;
using dsptest::musicLikeSignal;
using dsptest::processInBlocks;

void disableAllBands(PluginInstance& inst) {
    for (Band& b : inst.bands) {
        b.enabled = false;
    }
}

// One stereo sample through an instance with no active bands.
float processOne(PluginInstance& inst, float in) {
    float l = in;
    float r = in;
    processBlock(inst, &l, &r, 1);
    EXPECT_EQ(l, r);
    return l;
}

TEST(ProcessBlock, TrimGainWithoutBandsOrLimiter) {
    const struct {
        float p0;
        float gain;
        float tolerance;
    } cases[] = {{0.5f, 1.0f, 0.0f}, {0.0f, 0.2511886f, 1e-7f}, {1.0f, 3.981072f, 1e-6f}};
    for (const auto& tc : cases) {
        auto inst = makeInstance();
        disableAllBands(*inst);
        setParam(*inst, ParamLimiter, 0.0f);
        setParam(*inst, ParamOutputTrim, tc.p0);
        EXPECT_NEAR(processOne(*inst, 1.0f), tc.gain, tc.tolerance) << tc.p0;
        EXPECT_NEAR(processOne(*inst, -0.25f), -0.25f * tc.gain, tc.tolerance) << tc.p0;
    }
}

TEST(ProcessBlock, SoftLimiterExamples) {
    const struct {
        float limiter;
        float in;
        double expected;
        double tolerance;
    } cases[] = {
        {1.0f, 1.0f, 0.69925, 1e-5},
        {1.0f, -1.0f, -0.69925, 1e-5},
        {1.0f, 3.0f, 0.19988, 1e-5},
        // Below |y| = 0.0056 the level reduction is off: plain tanh of the drive.
        {1.0f, 0.005f, std::tanh(1.35 * double(0.005f)), 1e-9},
        {0.01f, 0.7f, double(0.7f), 0.0}, // at 0.01 the limiter stays out of the path
    };
    for (const auto& tc : cases) {
        auto inst = makeInstance();
        disableAllBands(*inst);
        setParam(*inst, ParamLimiter, tc.limiter);
        EXPECT_NEAR(processOne(*inst, tc.in), tc.expected, tc.tolerance)
            << tc.limiter << " / " << tc.in;
    }
    auto inst = makeInstance();
    disableAllBands(*inst);
    setParam(*inst, ParamLimiter, 0.02f);
    EXPECT_NE(processOne(*inst, 0.7f), 0.7f); // 0.02 engages it
}

TEST(ProcessBlock, BypassPassesInputAndFreezesAllState) {
    auto inst = makeInstance();
    auto warm = musicLikeSignal(3000);
    processInBlocks(*inst, warm, 256);
    setParam(*inst, ParamBypass, 0.5f);
    inst->bands.push_back(Band{true, 500.0, 3.0, 1.0, Bell, 0, false}); // pending resync

    const auto before = musicLikeSignal(2000);
    auto buffers = before;
    const std::vector<BandFilter> filters = inst->filters;
    const std::vector<float> ring = inst->analysisRing;
    const std::vector<float> spectrum = inst->spectrumDb;
    const double envLevel = inst->envLevel, peakHold = inst->peakHold;
    const double highDrive = inst->highDrive, transientScale = inst->transientScale;
    const int modCounter = inst->modCounter, pos = inst->analysisPos;
    const int decimationCounter = inst->decimationCounter;
    const std::vector<double> modDrive = inst->modDrive;

    processInBlocks(*inst, buffers, 512);
    EXPECT_EQ(buffers.left, before.left);
    EXPECT_EQ(buffers.right, before.right);
    ASSERT_EQ(inst->filters.size(), filters.size());
    EXPECT_EQ(
        std::memcmp(inst->filters.data(), filters.data(), sizeof(BandFilter) * filters.size()), 0);
    EXPECT_EQ(inst->analysisRing, ring);
    EXPECT_EQ(inst->spectrumDb, spectrum);
    EXPECT_EQ(inst->envLevel, envLevel);
    EXPECT_EQ(inst->peakHold, peakHold);
    EXPECT_EQ(inst->highDrive, highDrive);
    EXPECT_EQ(inst->transientScale, transientScale);
    EXPECT_EQ(inst->modCounter, modCounter);
    EXPECT_EQ(inst->analysisPos, pos);
    EXPECT_EQ(inst->decimationCounter, decimationCounter);
    EXPECT_EQ(inst->modDrive, modDrive);

    setParam(*inst, ParamBypass, 0.49f);
    processInBlocks(*inst, buffers, 512);
    EXPECT_NE(buffers.left, before.left);
    EXPECT_EQ(inst->filters.size(), inst->bands.size());
}

TEST(ProcessBlock, ZeroCountRepairsFilterCountOnly) {
    auto inst = makeInstance();
    inst->bands.push_back(Band{true, 500.0, 3.0, 1.0, Bell, 0, false});
    inst->lastModulation[7] = 0.5;
    processBlock(*inst, nullptr, nullptr, 0);
    ASSERT_EQ(inst->filters.size(), 8u);
    EXPECT_EQ(inst->lastModulation[7], -1.0);
    EXPECT_NE(inst->filters[7].coeffs.a1, 0.0);
    EXPECT_EQ(inst->modCounter, 0);
    EXPECT_EQ(inst->decimationCounter, 0);
    EXPECT_EQ(inst->analysisPos, 0);

    inst->bands.resize(2);
    float l = 0.5f, r = 0.5f;
    processBlock(*inst, &l, &r, -5);
    EXPECT_EQ(inst->filters.size(), 2u);
    EXPECT_EQ(l, 0.5f);
}

bool filterStatesAreZero(const PluginInstance& inst) {
    for (const BandFilter& f : inst.filters) {
        if (f.s1L != 0.0 || f.s2L != 0.0 || f.s1R != 0.0 || f.s2R != 0.0) {
            return false;
        }
    }
    return true;
}

TEST(ProcessBlock, NonFiniteInputResetsStagesAndIsSilenceToTheDetector) {
    auto inst = makeInstance();
    setParam(*inst, ParamLimiter, 0.0f);
    auto warm = musicLikeSignal(4000);
    processInBlocks(*inst, warm, 512);
    ASSERT_FALSE(filterStatesAreZero(*inst));

    const double envLevel = inst->envLevel;
    float l = std::numeric_limits<float>::infinity();
    float r = -std::numeric_limits<float>::infinity();
    processBlock(*inst, &l, &r, 1);
    EXPECT_TRUE(filterStatesAreZero(*inst));              // every enabled stage reset
    EXPECT_EQ(l, std::numeric_limits<float>::infinity()); // and passed it on
    EXPECT_EQ(r, -std::numeric_limits<float>::infinity());
    EXPECT_LT(inst->envLevel, envLevel); // the detector heard silence

    auto more = musicLikeSignal(100);
    processInBlocks(*inst, more, 100);
    l = std::nanf("");
    r = 2e6f; // overflowing the detector's range but finite: the cascade still filters it
    processBlock(*inst, &l, &r, 1);
    EXPECT_TRUE(std::isnan(l));
    EXPECT_TRUE(std::isfinite(r));
    for (const BandFilter& f : inst->filters) {
        EXPECT_EQ(f.s1L, 0.0);
        EXPECT_EQ(f.s2L, 0.0);
        EXPECT_TRUE(std::isfinite(f.s1R) && std::isfinite(f.s2R));
    }

    auto after = musicLikeSignal(5000);
    processInBlocks(*inst, after, 333);
    for (std::size_t i = 0; i < after.left.size(); ++i) {
        ASSERT_TRUE(std::isfinite(after.left[i]) && std::isfinite(after.right[i])) << i;
    }
    for (float db : inst->spectrumDb) {
        ASSERT_FALSE(std::isnan(db));
    }
}

TEST(ProcessBlock, TransientUpdateEveryDecimationSamples) {
    for (float rate : {48000.0f, 8000.0f, 4000.0f}) {
        auto inst = makeInstance();
        setSampleRate(*inst, rate);
        const int d = inst->decimation;
        auto s = musicLikeSignal(static_cast<std::size_t>(d), rate);
        s.left[0] = 0.9f; // make sure the level is not zero
        processBlock(*inst, s.left.data(), s.right.data(), d - 1);
        EXPECT_EQ(inst->levelHistory[0], 0.0) << rate;
        processBlock(*inst, s.left.data() + d - 1, s.right.data() + d - 1, 1);
        EXPECT_GT(inst->levelHistory[0], 0.0) << rate;
        EXPECT_EQ(inst->decimationCounter, 0);
    }
}

// A rate change can leave the running count above the new decimation; the transient
// detector must carry on instead of waiting for the counter to wrap.
TEST(ProcessBlock, TransientDetectorSurvivesLowerDecimation) {
    auto inst = makeInstance();
    auto s = musicLikeSignal(200);
    processBlock(*inst, s.left.data(), s.right.data(), 50);
    ASSERT_EQ(inst->decimationCounter, 50);
    setSampleRate(*inst, 8000.0f);
    processBlock(*inst, s.left.data() + 50, s.right.data() + 50, 1);
    EXPECT_EQ(inst->decimationCounter, 0);
    EXPECT_GT(inst->levelHistory[0], 0.0);
}

TEST(ProcessBlock, AnalysisRunsOnThe1024thSampleMidBlock) {
    auto inst = makeInstance();
    auto s = musicLikeSignal(1500);
    processBlock(*inst, s.left.data(), s.right.data(), 1023);
    EXPECT_EQ(inst->spectrumDb[20], -80.0f);
    EXPECT_EQ(inst->analysisPos, 1023);
    processBlock(*inst, s.left.data() + 1023, s.right.data() + 1023, 477);
    EXPECT_GT(inst->spectrumDb[20], -80.0f);
    EXPECT_EQ(inst->analysisPos, 476);
    EXPECT_EQ(inst->analysisRing[0], (s.right[1024] + s.left[1024]) * 0.5f);
    EXPECT_EQ(inst->modCounter, 1500 % 32);
}

} // namespace
