// The audio callback: buffer checks, copying, processing and the peak meters.
#include "host_fixture.h"

#include "dsp/denormals.h"
#include "host/audio_callback.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

namespace {

class AudioCallbackTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        // Bypassed so the chain returns its input untouched and the meters see it.
        effect->setParameter(effect, 4, 1.0f);
    }

    void run(std::int32_t frames) {
        float* in[2] = {inLeft.data(), inRight.data()};
        float* out[2] = {outLeft.data(), outRight.data()};
        effect->processReplacing(effect, in, out, frames);
    }

    void setMeters(float left, float right) {
        inst().engine.peakL.store(left);
        inst().engine.peakR.store(right);
    }
    std::pair<float, float> meters() {
        return {inst().engine.peakL.load(), inst().engine.peakR.load()};
    }

    bool outputsUntouched() const {
        const std::vector<float> sevens(kFrames, 7.0f);
        return outLeft == sevens && outRight == sevens;
    }

    static constexpr std::int32_t kFrames = 64;
    std::vector<float> inLeft = std::vector<float>(kFrames);
    std::vector<float> inRight = std::vector<float>(kFrames);
    std::vector<float> outLeft = std::vector<float>(kFrames, 7.0f);
    std::vector<float> outRight = std::vector<float>(kFrames, 7.0f);
};

// A meter holds its block's peak (the first and second left samples, the last right one)
// unless the decayed previous value is higher; NaN and infinite samples never raise it.
TEST_F(AudioCallbackTest, MetersTakeTheBlockPeakOrTheDecayedValue) {
    const float nan = std::nanf("");
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float startL, startR, left0, left1, rightLast, peakL, peakR;
    } rows[] = {
        {0.0f, 0.0f, -0.75f, 0.5f, 0.25f, 0.75f, 0.25f},
        {0.5f, 0.5f, 0.45f, 0.0f, 0.43f, 0.45f, 0.5f * 0.88f}, // 0.44 lies between them
        {0.0f, 0.0f, nan, 0.125f, nan, 0.125f, 0.0f},
        // An infinite sample counts as silence: a meter at infinity would never fall again.
        {0.5f, 0.25f, inf, 0.125f, -inf, 0.5f * 0.88f, 0.25f * 0.88f},
    };
    for (const auto& row : rows) {
        inLeft[0] = row.left0;
        inLeft[1] = row.left1;
        inRight[kFrames - 1] = row.rightLast;
        setMeters(row.startL, row.startR);
        run(kFrames);
        // Bypassed: copied, not changed (bitwise, so NaN compares too).
        EXPECT_EQ(std::memcmp(outLeft.data(), inLeft.data(), kFrames * sizeof(float)), 0);
        EXPECT_EQ(std::memcmp(outRight.data(), inRight.data(), kFrames * sizeof(float)), 0);
        EXPECT_EQ(meters(), std::make_pair(row.peakL, row.peakR));
    }
}

// Denormals cost the core dozens of cycles each, and hosts often leave the flush modes
// off: the callback turns them on for its own work and hands the host's control word back.
TEST_F(AudioCallbackTest, DenormalsAreFlushedAndTheHostsModesRestored) {
    if (!flushModesExist()) {
        GTEST_SKIP() << "this processor has no flush modes";
    }
    effect->setParameter(effect, 4, 0.0f); // processing, not bypassed
    std::fill(inLeft.begin(), inLeft.end(), 1e-40f);
    std::fill(inRight.begin(), inRight.end(), -3e-39f);
    const std::uint32_t hostModes = withoutFlushModes(floatModes());
    setFloatModes(hostModes);
    run(kFrames);
    const std::uint32_t after = floatModes();
    setFloatModes(hostModes);
    EXPECT_EQ(after, hostModes);
    for (std::int32_t i = 0; i < kFrames; ++i) {
        EXPECT_NE(std::fpclassify(outLeft[i]), FP_SUBNORMAL) << i;
        EXPECT_NE(std::fpclassify(outRight[i]), FP_SUBNORMAL) << i;
    }
}

TEST_F(AudioCallbackTest, SilentBlocksDecayTheMetersBy088PerCallback) {
    setMeters(1.0f, 0.5f);
    std::pair<float, float> expected = meters();
    for (int n = 1; n <= 20; ++n) {
        run(kFrames);
        expected = {expected.first * 0.88f, expected.second * 0.88f};
        ASSERT_EQ(meters(), expected) << n;
    }
}

TEST_F(AudioCallbackTest, EmptyAndNegativeBlocksTouchNoSampleAndDecayTheMeters) {
    inLeft.assign(kFrames, 0.9f);
    for (std::int32_t frames : {0, -1, -2147483647 - 1}) {
        setMeters(1.0f, 0.25f);
        run(frames);
        EXPECT_TRUE(outputsUntouched()) << frames;
        EXPECT_EQ(meters(), std::make_pair(0.88f, 0.25f * 0.88f)) << frames;
    }
}

TEST_F(AudioCallbackTest, InPlaceProcessingStillProcessesAndMeters) {
    effect->setParameter(effect, 4, 0.0f);
    effect->setParameter(effect, 0, 0.0f); // trim -12 dB, so processing is visible
    for (std::int32_t i = 0; i < kFrames; ++i) {
        outLeft[i] = outRight[i] = 0.5f * std::sin(0.2f * static_cast<float>(i));
    }
    float* io[2] = {outLeft.data(), outRight.data()};
    effect->processReplacing(effect, io, io, kFrames);
    float outputPeak = 0.0f;
    for (float v : outLeft) {
        outputPeak = std::max(outputPeak, std::fabs(v));
    }
    EXPECT_LT(outputPeak, 0.25f); // -12 dB is a factor of about 0.25 on a 0.5 peak
    EXPECT_GT(outputPeak, 0.0f);
    EXPECT_EQ(inst().engine.peakL.load(), outputPeak);
}

TEST_F(AudioCallbackTest, MissingBuffersOrInstanceSkipTheWholeBlock) {
    inLeft.assign(kFrames, 0.5f);
    inRight.assign(kFrames, 0.5f);
    setMeters(1.0f, 1.0f);
    float* in[2] = {inLeft.data(), inRight.data()};
    float* out[2] = {outLeft.data(), outRight.data()};
    float* inNoRight[2] = {inLeft.data(), nullptr};
    float* outNoLeft[2] = {nullptr, outRight.data()};
    const ProcessProc process = effect->processReplacing;
    process(nullptr, in, out, kFrames);
    process(effect, nullptr, out, kFrames);
    process(effect, in, nullptr, kFrames);
    process(effect, inNoRight, out, kFrames);
    process(effect, in, outNoLeft, kFrames);
    EXPECT_TRUE(outputsUntouched());
    EXPECT_EQ(meters(), std::make_pair(1.0f, 1.0f));
    dispatch(effClose);
    process(effect, in, out, kFrames);
    EXPECT_TRUE(outputsUntouched());
}

} // namespace
