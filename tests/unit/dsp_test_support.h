// Shared helpers for the engine tests: instances, a music-like test signal and filter
// response evaluation.
#pragma once

#include "dsp/plugin_instance.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <memory>
#include <vector>

namespace dsptest {

inline std::unique_ptr<PluginInstance> makeInstance() {
    return std::make_unique<PluginInstance>(nullptr);
}

struct StereoSignal {
    std::vector<float> left;
    std::vector<float> right;
};

// Deterministic programme material: a decaying kick every half second, a bass line, a few
// partials with slow tremolo, and hiss. It exercises the detector's level and transient
// paths, the modulation and the analyser without any randomness between runs.
inline StereoSignal musicLikeSignal(std::size_t frames, double sampleRate = 48000.0) {
    StereoSignal s{std::vector<float>(frames), std::vector<float>(frames)};
    std::uint32_t seed = 12345u;
    const double twoPi = 6.283185307179586;
    for (std::size_t n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / sampleRate;
        const double beat = std::fmod(t, 0.5);
        const double kick = std::exp(-beat * 18.0) *
                            std::sin(twoPi * (50.0 + 80.0 * std::exp(-beat * 30.0)) * beat);
        const double bass = 0.25 * std::sin(twoPi * 55.0 * t);
        const double pad = 0.12 * (1.0 + 0.5 * std::sin(twoPi * 0.7 * t)) *
                           (std::sin(twoPi * 440.0 * t) + 0.5 * std::sin(twoPi * 2900.0 * t));
        seed = seed * 1664525u + 1013904223u;
        const double hiss = 0.02 * (static_cast<double>(seed >> 8) / 8388608.0 - 1.0);
        s.left[n] = static_cast<float>(0.5 * kick + bass + pad + hiss);
        s.right[n] = static_cast<float>(0.5 * kick + bass - 0.8 * pad + hiss);
    }
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

// Runs the instance over a whole signal in blocks of blockSize, in place.
inline void processInBlocks(PluginInstance& inst, StereoSignal& s, std::size_t blockSize) {
    for (std::size_t start = 0; start < s.left.size(); start += blockSize) {
        const std::size_t n = std::min(blockSize, s.left.size() - start);
        processBlock(inst, s.left.data() + start, s.right.data() + start,
                     static_cast<std::int32_t>(n));
    }
}

} // namespace dsptest
