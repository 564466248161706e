// Shared helpers for the engine tests: instances, a music-like test signal and filter
// response evaluation.
#pragma once

#include "dsp/engine.h"
#include "tools/programme_signal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace dsptest {

// Defined beside the replaced global operator new (dsp_allocation_test.cpp): the next n
// allocations on this thread succeed and the one after fails once; -1 disarms it.
void failAllocationAfter(long n);

inline std::unique_ptr<Engine> makeInstance() {
    return std::make_unique<Engine>();
}

// A fresh instance per test.
struct EngineTest : ::testing::Test {
    std::unique_ptr<Engine> inst = makeInstance();
};

struct StereoSignal {
    std::vector<float> left;
    std::vector<float> right;
};

// Music-like programme material (kick, bass, chords, lead, hi-hat): exercises the
// detector's level and transient paths, the modulation and the analyser, identically on
// every run.
inline StereoSignal musicLikeSignal(std::size_t frames, double sampleRate = 48000.0) {
    StereoSignal s{std::vector<float>(frames), std::vector<float>(frames)};
    programme::render(0, frames, sampleRate, s.left.data(), s.right.data());
    return s;
}

// |H(e^jw)| of a normalised biquad at frequency hz.
inline double magnitudeAt(const BiquadCoefficients& c, double hz, double sampleRate) {
    const std::complex<double> z1 = std::polar(1.0, -6.283185307179586 * hz / sampleRate);
    const std::complex<double> z2 = z1 * z1;
    return std::abs((c.b0 + c.b1 * z1 + c.b2 * z2) / (1.0 + c.a1 * z1 + c.a2 * z2));
}

inline double magnitudeDb(const BiquadCoefficients& c, double hz, double sampleRate) {
    return 20.0 * std::log10(magnitudeAt(c, hz, sampleRate));
}

// Bitwise equality of plain records (coefficients, filters) and of arrays of them.
inline bool sameBits(const BiquadCoefficients& a, const BiquadCoefficients& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
inline bool sameBits(const std::vector<BandFilter>& a, const std::vector<BandFilter>& b) {
    return a.size() == b.size() &&
           std::memcmp(a.data(), b.data(), sizeof(BandFilter) * a.size()) == 0;
}

// Runs the instance over a whole signal in blocks of blockSize, in place.
inline void processInBlocks(Engine& inst, StereoSignal& s, std::size_t blockSize) {
    for (std::size_t start = 0; start < s.left.size(); start += blockSize) {
        const std::size_t n = std::min(blockSize, s.left.size() - start);
        processBlock(inst, s.left.data() + start, s.right.data() + start,
                     static_cast<std::int32_t>(n));
    }
}

} // namespace dsptest
