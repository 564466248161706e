// The audio callback: buffer checks, copying, processing and the peak meters.
#include "host_fixture.h"

#include "host/audio_callback.h"

#include <cmath>
#include <vector>

namespace {

class AudioCallbackTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        inLeft.assign(kFrames, 0.0f);
        inRight.assign(kFrames, 0.0f);
        outLeft.assign(kFrames, 7.0f);
        outRight.assign(kFrames, 7.0f);
        // Bypassed so the chain returns its input untouched and the meters see it.
        effect->setParameter(effect, 4, 1.0f);
    }

    void run(std::int32_t frames) {
        float* in[2] = {inLeft.data(), inRight.data()};
        float* out[2] = {outLeft.data(), outRight.data()};
        effect->processReplacing(effect, in, out, frames);
    }

    void setMeters(float left, float right) {
        inst().peakL.store(left);
        inst().peakR.store(right);
    }

    static constexpr std::int32_t kFrames = 64;
    std::vector<float> inLeft, inRight, outLeft, outRight;
};

TEST_F(AudioCallbackTest, MetersHoldTheBlockPeakOfEachChannel) {
    inLeft[10] = -0.75f;
    inLeft[11] = 0.5f;
    inRight[63] = 0.25f;
    run(kFrames);
    EXPECT_EQ(outLeft, inLeft); // bypass: copied, not changed
    EXPECT_EQ(outRight, inRight);
    EXPECT_EQ(inst().peakL.load(), 0.75f);
    EXPECT_EQ(inst().peakR.load(), 0.25f);
}

TEST_F(AudioCallbackTest, SilentBlocksDecayTheMetersBy088PerCallback) {
    setMeters(1.0f, 0.5f);
    float expectedLeft = 1.0f;
    float expectedRight = 0.5f;
    for (int n = 1; n <= 20; ++n) {
        run(kFrames);
        expectedLeft *= 0.88f;
        expectedRight *= 0.88f;
        ASSERT_EQ(inst().peakL.load(), expectedLeft) << n;
        ASSERT_EQ(inst().peakR.load(), expectedRight) << n;
    }
    EXPECT_NEAR(inst().peakL.load(), std::pow(0.88, 20), 1e-6);
}

TEST_F(AudioCallbackTest, ALouderBlockReplacesTheDecayedValue) {
    setMeters(0.5f, 0.5f);
    inLeft[0] = 0.45f;  // above 0.5 * 0.88 = 0.44
    inRight[0] = 0.43f; // below it
    run(kFrames);
    EXPECT_EQ(inst().peakL.load(), 0.45f);
    EXPECT_EQ(inst().peakR.load(), 0.5f * 0.88f);
}

TEST_F(AudioCallbackTest, NanSamplesNeverRaiseTheMeters) {
    inLeft[0] = std::nanf("");
    inLeft[1] = 0.125f;
    inRight[0] = std::nanf("");
    run(kFrames);
    EXPECT_EQ(inst().peakL.load(), 0.125f);
    EXPECT_EQ(inst().peakR.load(), 0.0f);
}

TEST_F(AudioCallbackTest, EmptyAndNegativeBlocksTouchNoSampleAndDecayTheMeters) {
    inLeft.assign(kFrames, 0.9f);
    for (std::int32_t frames : {0, -1, -2147483647 - 1}) {
        setMeters(1.0f, 0.25f);
        run(frames);
        EXPECT_EQ(outLeft, std::vector<float>(kFrames, 7.0f)) << frames;
        EXPECT_EQ(outRight, std::vector<float>(kFrames, 7.0f)) << frames;
        EXPECT_EQ(inst().peakL.load(), 0.88f) << frames;
        EXPECT_EQ(inst().peakR.load(), 0.25f * 0.88f) << frames;
    }
}

TEST_F(AudioCallbackTest, InPlaceProcessingStillProcessesAndMeters) {
    effect->setParameter(effect, 4, 0.0f);
    effect->setParameter(effect, 0, 0.0f); // trim -12 dB, so processing is visible
    for (std::int32_t i = 0; i < kFrames; ++i) {
        outLeft[i] = 0.5f * std::sin(0.2f * static_cast<float>(i));
        outRight[i] = outLeft[i];
    }
    const std::vector<float> original = outLeft;
    float* io[2] = {outLeft.data(), outRight.data()};
    effect->processReplacing(effect, io, io, kFrames);
    float inputPeak = 0.0f;
    float outputPeak = 0.0f;
    for (std::int32_t i = 0; i < kFrames; ++i) {
        inputPeak = std::max(inputPeak, std::fabs(original[i]));
        outputPeak = std::max(outputPeak, std::fabs(outLeft[i]));
    }
    EXPECT_LT(outputPeak, 0.5f * inputPeak); // -12 dB is a factor of about 0.25
    EXPECT_GT(outputPeak, 0.0f);
    EXPECT_EQ(inst().peakL.load(), outputPeak);
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
    EXPECT_EQ(outLeft, std::vector<float>(kFrames, 7.0f));
    EXPECT_EQ(outRight, std::vector<float>(kFrames, 7.0f));
    EXPECT_EQ(inst().peakL.load(), 1.0f);
    dispatch(effClose);
    process(effect, in, out, kFrames);
    EXPECT_EQ(outLeft, std::vector<float>(kFrames, 7.0f));
}

TEST_F(AudioCallbackTest, TheAccumulatingSlotOverwritesLikeTheReplacingOne) {
    inLeft.assign(kFrames, 0.25f);
    float* in[2] = {inLeft.data(), inRight.data()};
    float* out[2] = {outLeft.data(), outRight.data()};
    effect->process(effect, in, out, kFrames);
    EXPECT_EQ(outLeft, inLeft);
}

} // namespace
