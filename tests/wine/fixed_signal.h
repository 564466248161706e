// A fixed stereo test signal and the host-side render loop shared by the DLL check
// (mingw, under wine) and the cross-build comparison (native, Tolvane-Q.so), so both
// builds see bit-identical input and identical host calls.
//
// The signal uses only +, - and * (no libm), which IEEE double arithmetic evaluates the
// same way on both toolchains; any difference in the outputs therefore comes from the
// plug-in itself.
#pragma once

#include "host/vst_abi.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace fixed_signal {

constexpr double kSampleRate = 48000.0;
constexpr int kBlock = 512;
// Two and a half seconds; not a multiple of the block so the last block is short.
constexpr int kFrames = 120000;

// cos(x) for |x| <= pi by its Taylor series; precise to rounding, and libm-free.
inline double cosSeries(double x) {
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n < 30; ++n) {
        term *= -x * x / ((2.0 * n - 1.0) * (2.0 * n));
        sum += term;
    }
    return sum;
}

// A sine oscillator run by the recurrence y[n] = 2cos(w) y[n-1] - y[n-2].
struct Oscillator {
    double coef;
    double y1;
    double y2;
};

inline Oscillator makeOscillator(double frequency) {
    const double w = 2.0 * 3.14159265358979323846 * frequency / kSampleRate;
    // Cosine phase (y[-1] = cos(-w), y[-2] = cos(-2w)): a sine start would need libm.
    return Oscillator{2.0 * cosSeries(w), cosSeries(w), cosSeries(2.0 * w)};
}

inline double next(Oscillator& osc) {
    const double y = osc.coef * osc.y1 - osc.y2;
    osc.y2 = osc.y1;
    osc.y1 = y;
    return y;
}

// Uniform noise in [-1, 1) from a 32-bit linear congruential generator.
inline double noise(std::uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
}

// Left: 110 Hz + 2.5 kHz; right: 330 Hz + 7 kHz; both with noise. The level steps through
// quiet, normal, silent and very loud sections (the last drives the soft limiter) so the
// level detector, the band modulation and the analyser all move.
inline void make(std::vector<float>& left, std::vector<float>& right) {
    left.assign(kFrames, 0.0f);
    right.assign(kFrames, 0.0f);
    Oscillator lowL = makeOscillator(110.0);
    Oscillator highL = makeOscillator(2500.0);
    Oscillator lowR = makeOscillator(330.0);
    Oscillator highR = makeOscillator(7000.0);
    std::uint32_t seed = 12345u;
    for (int i = 0; i < kFrames; ++i) {
        const double level = i < 24000 ? 0.05 : i < 60000 ? 0.3 : i < 72000 ? 0.0 : 1.6;
        const double l = 0.6 * next(lowL) + 0.3 * next(highL) + 0.1 * noise(seed);
        const double r = 0.5 * next(lowR) + 0.3 * next(highR) + 0.2 * noise(seed);
        left[i] = static_cast<float>(level * l);
        right[i] = static_cast<float>(level * r);
    }
}

// What a host does: set the rate and block size, resume, process in blocks of 512 and
// automate two parameters part way through. With `inPlace` the host hands the same
// buffers as input and output, as many DAWs do. Returns the output interleaved (L, R per
// frame); empty if a slot is missing.
inline std::vector<float> render(AEffect* effect, bool inPlace = false) {
    std::vector<float> out;
    if (effect == nullptr || effect->dispatcher == nullptr || effect->processReplacing == nullptr ||
        effect->setParameter == nullptr) {
        return out;
    }
    std::vector<float> inL, inR;
    make(inL, inR);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kSampleRate));
    effect->dispatcher(effect, effSetBlockSize, 0, kBlock, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    std::vector<float> outL(kBlock), outR(kBlock);
    out.reserve(2 * static_cast<std::size_t>(kFrames));
    for (int start = 0, block = 0; start < kFrames; start += kBlock, ++block) {
        const int count = kFrames - start < kBlock ? kFrames - start : kBlock;
        if (block == 60) {
            effect->setParameter(effect, 0, 0.7f); // output trim +4.8 dB
        }
        if (block == 150) {
            effect->setParameter(effect, 1, 0.3f); // less coupling
        }
        float* outputs[2] = {outL.data(), outR.data()};
        float* inputs[2] = {inL.data() + start, inR.data() + start};
        if (inPlace) {
            std::copy(inputs[0], inputs[0] + count, outputs[0]);
            std::copy(inputs[1], inputs[1] + count, outputs[1]);
            inputs[0] = outputs[0];
            inputs[1] = outputs[1];
        }
        effect->processReplacing(effect, inputs, outputs, count);
        for (int i = 0; i < count; ++i) {
            out.push_back(outL[i]);
            out.push_back(outR[i]);
        }
    }
    return out;
}

} // namespace fixed_signal
