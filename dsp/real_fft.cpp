#include "dsp/real_fft.h"

#include "dsp/kernels.h"

#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;

RealFftTables buildTables() {
    RealFftTables t;
    int bits = 0;
    while ((1 << bits) < kRealFftHalf) {
        ++bits;
    }
    t.bitReversed.resize(kRealFftHalf);
    for (int i = 0; i < kRealFftHalf; ++i) {
        int r = 0;
        for (int b = 0; b < bits; ++b) {
            r |= ((i >> b) & 1) << (bits - 1 - b);
        }
        t.bitReversed[i] = r;
    }
    for (int h = 4; h < kRealFftHalf; h <<= 1) {
        for (int j = 0; j < h; ++j) {
            t.stageRe.push_back(std::cos(kTwoPi * j / (2 * h)));
            t.stageIm.push_back(-std::sin(kTwoPi * j / (2 * h)));
        }
    }
    for (int k = 0; k <= kRealFftHalf; ++k) {
        t.splitRe.push_back(std::cos(kTwoPi * k / kRealFftSize));
        t.splitIm.push_back(-std::sin(kTwoPi * k / kRealFftSize));
    }
    return t;
}

const RealFftTables& tables() {
    static const RealFftTables t = buildTables();
    return t;
}

} // namespace

void prepareRealFft() {
    (void)tables();
    (void)kernels();
}

void realFftPower(const double* samples, double* work, double* power) noexcept {
    realFftFirstStages(samples, work, 0, kFftFirstGroups);
    for (int part = 0; part < kFftParts; ++part) {
        realFftPart(samples, work, power, part);
    }
    realFftSplit(work, power, 0, kFftSplitChunks);
}

void realFftFirstStages(const double* samples, double* work, int from, int to) noexcept {
    kernels().fftFirstStages(tables(), samples, work, from, to);
}

void realFftSplit(const double* work, double* power, int from, int to) noexcept {
    const int first = from * kFftSplitChunk + 1;
    const int end = to * kFftSplitChunk + 1 < kRealFftHalf ? to * kFftSplitChunk + 1 : kRealFftHalf;
    if (first < end) {
        kernels().fftSplit(tables(), work, power, first, end);
    }
}

void realFftPart(const double* samples, double* work, double* power, int part) noexcept {
    kernels().fftPart(tables(), samples, work, power, part);
}
