#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using dsptest::makeInstance;
using dsptest::musicLikeSignal;
using dsptest::processInBlocks;

struct RunResult {
    dsptest::StereoSignal out;
    std::unique_ptr<PluginInstance> inst;
};

RunResult runWithBlockSize(const dsptest::StereoSignal& in, std::size_t blockSize, float rate) {
    RunResult r{in, makeInstance()};
    setSampleRate(*r.inst, rate);
    processInBlocks(*r.inst, r.out, blockSize);
    return r;
}

template <typename T> bool sameBits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), sizeof(T) * a.size()) == 0;
}

// The detector, the modulation and the analyser are tied to the sample count, so the
// host's block size must not change a single bit of the output or the state.
TEST(DspBlockSize, OutputAndStateAreIdenticalForAnyBlockSize) {
    for (float rate : {48000.0f, 44100.0f}) {
        const auto in = musicLikeSignal(3 * 48000 + 123, rate); // ~140 analyses
        const RunResult ref = runWithBlockSize(in, 1, rate);
        for (std::size_t blockSize : {37u, 512u, 4096u}) {
            const RunResult r = runWithBlockSize(in, blockSize, rate);
            EXPECT_TRUE(sameBits(r.out.left, ref.out.left)) << blockSize;
            EXPECT_TRUE(sameBits(r.out.right, ref.out.right)) << blockSize;
            EXPECT_TRUE(sameBits(r.inst->spectrumDb, ref.inst->spectrumDb)) << blockSize;
            EXPECT_TRUE(sameBits(r.inst->filters, ref.inst->filters)) << blockSize;
            EXPECT_TRUE(sameBits(r.inst->modDrive, ref.inst->modDrive)) << blockSize;
            EXPECT_TRUE(sameBits(r.inst->lastModulation, ref.inst->lastModulation)) << blockSize;
            EXPECT_EQ(r.inst->envLevel, ref.inst->envLevel);
            EXPECT_EQ(r.inst->analysisPos, ref.inst->analysisPos);
        }
        // The run really did modulate and analyse.
        EXPECT_GT(ref.inst->spectrumDb[10], -60.0f);
        EXPECT_NE(ref.inst->lastModulation[4], -1.0);
        EXPECT_NE(ref.out.left, in.left);
    }
}

} // namespace
