#include "dsp/kernels.h"
#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>

namespace {

using dsptest::makeInstance;
using dsptest::musicLikeSignal;
using dsptest::processInBlocks;
using dsptest::sameBits;
using ProcessBlock = dsptest::EngineTest;

// One stereo sample through an instance with no active bands.
float processOne(Engine& inst, float in) {
    float l = in;
    float r = in;
    processBlock(inst, &l, &r, 1);
    EXPECT_EQ(l, r);
    return l;
}

// Everything processBlock may change apart from the filters (compared bit for bit).
auto engineState(const Engine& inst) {
    return std::make_tuple(inst.analysisRing, inst.spectrumDb, inst.detector.envLevel,
                           inst.detector.peakHold, inst.detector.highDrive,
                           inst.detector.transientScale, inst.modCounter, inst.analysisPos,
                           inst.detector.decimationCounter, inst.modDrive, inst.lastModulation);
}
// Without active bands the output is the input times the trim gain, then soft-limited;
// below |y| = 0.0056 the limiter's level reduction is off (plain tanh of the drive), at
// 0.01 it stays out of the path and 0.02 engages it.
TEST_F(ProcessBlock, TrimAndSoftLimiterExamples) {
    const double quiet = std::tanh(1.35 * double(0.005f)), exact = double(0.7f);
    const struct {
        float trim, limiter, in;
        double expected, tolerance;
    } cases[] = {
        {0.5f, 0.0f, 1.0f, 1.0, 0.0},        {0.5f, 0.0f, -0.25f, -0.25, 0.0},
        {0.0f, 0.0f, 1.0f, 0.2511886, 1e-7}, {1.0f, 0.0f, 1.0f, 3.981072, 1e-6},
        {0.5f, 1.0f, 1.0f, 0.69925, 1e-5},   {0.5f, 1.0f, -1.0f, -0.69925, 1e-5},
        {0.5f, 1.0f, 3.0f, 0.19988, 1e-5},   {0.5f, 1.0f, 0.005f, quiet, 1e-9},
        {0.5f, 0.01f, 0.7f, exact, 0.0},     {0.5f, 0.02f, 0.7f, 0.697461, 1e-6},
    };
    for (Band& b : inst->bands) {
        b.enabled = false;
    }
    for (const auto& tc : cases) {
        setParam(*inst, ParamOutputTrim, tc.trim);
        setParam(*inst, ParamLimiter, tc.limiter);
        EXPECT_NEAR(processOne(*inst, tc.in), tc.expected, tc.tolerance)
            << "trim " << tc.trim << ", limiter " << tc.limiter << ", in " << tc.in;
    }
}

TEST_F(ProcessBlock, BypassPassesInputAndFreezesAllState) {
    auto warm = musicLikeSignal(3000);
    processInBlocks(*inst, warm, 256);
    setParam(*inst, ParamBypass, 0.5f);
    inst->bands.push_back(Band{true, 500.0, 3.0, 1.0, Bell, 0, false}); // pending resync

    const auto before = musicLikeSignal(2000);
    auto buffers = before;
    const std::vector<BandFilter> filters = inst->filters;
    const auto state = engineState(*inst);
    processInBlocks(*inst, buffers, 512);
    EXPECT_EQ(buffers.left, before.left);
    EXPECT_EQ(buffers.right, before.right);
    EXPECT_TRUE(sameBits(inst->filters, filters));
    EXPECT_TRUE(engineState(*inst) == state);

    setParam(*inst, ParamBypass, 0.49f);
    processInBlocks(*inst, buffers, 512);
    EXPECT_NE(buffers.left, before.left);
    EXPECT_EQ(inst->filters.size(), inst->bands.size());
}

// A zero or negative count still repairs a band/filter count mismatch, and nothing else.
TEST_F(ProcessBlock, EmptyBlockRepairsFilterCountOnly) {
    inst->bands.push_back(Band{true, 500.0, 3.0, 1.0, Bell, 0, false});
    inst->lastModulation[7] = 0.5;
    const auto state = engineState(*inst);
    processBlock(*inst, nullptr, nullptr, 0);
    ASSERT_EQ(inst->filters.size(), 8u);
    EXPECT_NE(inst->filters[7].coeffs.a1, 0.0);
    EXPECT_EQ(inst->lastModulation[7], -1.0);
    inst->lastModulation[7] = 0.5;
    EXPECT_TRUE(engineState(*inst) == state);

    inst->bands.resize(2);
    float l = 0.5f, r = 0.5f;
    processBlock(*inst, &l, &r, -5);
    EXPECT_EQ(inst->filters.size(), 2u);
    EXPECT_EQ(l, 0.5f);
}

bool channelStatesAreZero(const Engine& inst, bool right) {
    return std::all_of(inst.filters.begin(), inst.filters.end(), [&](const BandFilter& f) {
        return (right ? f.s1R : f.s1L) == 0.0 && (right ? f.s2R : f.s2L) == 0.0;
    });
}

// A non-finite stage resets its channel's states and passes its input on; the detector
// hears silence. A NaN left sample leaves the right channel filtering as before.
TEST_F(ProcessBlock, NonFiniteInputResetsStagesAndIsSilenceToTheDetector) {
    const float inf = std::numeric_limits<float>::infinity();
    setParam(*inst, ParamLimiter, 0.0f);
    const struct {
        float left, right;
        bool rightReset;
    } cases[] = {{inf, -inf, true}, {std::nanf(""), 2e6f, false}};
    for (const auto& tc : cases) {
        auto warm = musicLikeSignal(4000);
        processInBlocks(*inst, warm, 512);
        const double envLevel = inst->detector.envLevel;
        float l = tc.left, r = tc.right;
        processBlock(*inst, &l, &r, 1);
        EXPECT_TRUE(l == tc.left || (std::isnan(l) && std::isnan(tc.left))) << l;
        EXPECT_TRUE(channelStatesAreZero(*inst, false)) << tc.left;
        EXPECT_EQ(channelStatesAreZero(*inst, true), tc.rightReset) << tc.left;
        EXPECT_EQ(std::isfinite(r), !tc.rightReset) << tc.left;
        EXPECT_LT(inst->detector.envLevel, envLevel) << tc.left;
    }
    auto after = musicLikeSignal(2048);
    processInBlocks(*inst, after, 333);
    EXPECT_TRUE(std::all_of(after.left.begin(), after.left.end(),
                            [](float v) { return std::isfinite(v); }));
}

TEST_F(ProcessBlock, TransientUpdateEveryDecimationSamples) {
    for (float rate : {48000.0f, 8000.0f, 4000.0f}) {
        inst = makeInstance();
        setSampleRate(*inst, rate);
        const int d = inst->detectorTerms.decimation;
        auto s = musicLikeSignal(static_cast<std::size_t>(d), rate);
        s.left[0] = 0.9f; // make sure the level is not zero
        processBlock(*inst, s.left.data(), s.right.data(), d - 1);
        EXPECT_EQ(inst->detector.levelHistory[0], 0.0) << rate;
        processBlock(*inst, s.left.data() + d - 1, s.right.data() + d - 1, 1);
        EXPECT_GT(inst->detector.levelHistory[0], 0.0) << rate;
        EXPECT_EQ(inst->detector.decimationCounter, 0);
    }
}

// A rate change can leave the running count above the new decimation; the transient
// detector must carry on instead of waiting for the counter to wrap.
TEST_F(ProcessBlock, TransientDetectorSurvivesLowerDecimation) {
    auto s = musicLikeSignal(200);
    processBlock(*inst, s.left.data(), s.right.data(), 50);
    ASSERT_EQ(inst->detector.decimationCounter, 50);
    setSampleRate(*inst, 8000.0f);
    processBlock(*inst, s.left.data() + 50, s.right.data() + 50, 1);
    EXPECT_EQ(inst->detector.decimationCounter, 0);
    EXPECT_GT(inst->detector.levelHistory[0], 0.0);
}

TEST_F(ProcessBlock, AnalysisRunsOnThe1024thSampleMidBlock) {
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

// The detector, the modulation and the analyser are tied to the sample count, so the
// host's block size must not change a single bit of the output or the state.
TEST(DspBlockSize, OutputAndStateAreIdenticalForAnyBlockSize) {
    for (float rate : {48000.0f, 44100.0f}) {
        const auto in = musicLikeSignal(3 * 48000 + 123, rate); // ~140 analyses
        auto run = [&](std::size_t blockSize) {
            std::pair result{in, makeInstance()};
            setSampleRate(*result.second, rate);
            processInBlocks(*result.second, result.first, blockSize);
            return result;
        };
        const auto [refOut, ref] = run(1);
        for (std::size_t blockSize : {37u, 512u, 4096u}) {
            const auto [out, inst] = run(blockSize);
            EXPECT_EQ(out.left, refOut.left) << blockSize;
            EXPECT_EQ(out.right, refOut.right) << blockSize;
            EXPECT_TRUE(sameBits(inst->filters, ref->filters)) << blockSize;
            EXPECT_TRUE(engineState(*inst) == engineState(*ref)) << blockSize;
        }
        // The run really did modulate and analyse.
        EXPECT_GT(ref->spectrumDb[10], -60.0f);
        EXPECT_NE(ref->lastModulation[4], -1.0);
        EXPECT_NE(refOut.left, in.left);
    }
}

// Samples that are not finite, alone and in a row, anywhere in a block: the cascade's
// outputs are gathered over several runs (and several more in flight in the skewed
// cascade) before the output stage and the analyser take them, and a checked sample must
// land among them in its place whatever the block size, on every vector path, with the
// short cascade (skewed on the wide paths) and a long one.
TEST(DspBlockSize, SamplesThatAreNotFiniteLandInTheirPlaceInAnyBlockSize) {
    auto input = musicLikeSignal(3 * 4096 + 77);
    const float bad[] = {NAN, INFINITY, -INFINITY, 3e38f};
    for (std::size_t i = 300, k = 0; i + 3 < input.left.size(); i += 997, ++k) {
        input.left[i] = bad[k % 4];
        input.right[i + 1] = bad[(k + 1) % 4];
        input.left[i + 2] = bad[(k + 2) % 4];
        input.right[i + 2] = bad[(k + 3) % 4];
    }
    input.left[1023] = NAN; // the sample that fills the analyser's ring
    const auto sameFloats = [](const std::vector<float>& a, const std::vector<float>& b) {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * 4) == 0;
    };
    for (VectorPath path : {VectorPath::Baseline, VectorPath::Wide, VectorPath::Widest}) {
        if (kernelsFor(path) == nullptr) {
            continue; // not on this processor
        }
        limitVectorPath(path);
        for (std::size_t bands : {7u, 24u}) {
            auto run = [&](std::size_t blockSize) {
                std::pair result{input, makeInstance()};
                Engine& inst = *result.second;
                for (std::size_t b = inst.bands.size(); b < bands; ++b) {
                    inst.bands.push_back(inst.bands[b % 7]);
                    inst.bands.back().frequency *= 1.07;
                }
                rebuildFilters(inst);
                processInBlocks(inst, result.first, blockSize);
                return result;
            };
            const auto [refOut, ref] = run(1);
            EXPECT_TRUE(std::any_of(refOut.left.begin(), refOut.left.end(),
                                    [](float v) { return std::isnan(v); }));
            for (std::size_t blockSize : {37u, 512u, 4096u}) {
                const auto [out, inst] = run(blockSize);
                const std::string where = std::string(kernels().name) + ", " +
                                          std::to_string(bands) + " bands, blocks of " +
                                          std::to_string(blockSize);
                EXPECT_TRUE(sameFloats(out.left, refOut.left)) << where;
                EXPECT_TRUE(sameFloats(out.right, refOut.right)) << where;
                EXPECT_TRUE(sameBits(inst->filters, ref->filters)) << where;
                EXPECT_TRUE(sameFloats(inst->spectrumDb, ref->spectrumDb)) << where;
            }
        }
    }
    limitVectorPath(VectorPath::Widest);
}

} // namespace
