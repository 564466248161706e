// A deterministic, music-like stereo programme: bass line, chords, a lead with vibrato,
// kick and hi-hat at 120 bpm, so the plug-in's detector, modulation and analyser all have
// work to do. Every sample is a pure function of its frame index, so a stream rendered
// block by block equals one rendered in a single call. Header-only: the command-line
// host, the engine tests, the benchmark and the wine test hosts share it.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace programme {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kBeat = 0.5;  // seconds, 120 bpm
constexpr double kLevel = 0.7; // peaks a few dB below full scale

// A minor chord progression, one chord per bar of four beats (root frequencies in Hz).
inline double chordRoot(double t) {
    constexpr double kRoots[] = {110.0, 87.31, 130.81, 98.0};
    return kRoots[static_cast<long long>(t / (4 * kBeat)) % 4];
}

inline double decay(double sinceOnset, double time) {
    return std::exp(-sinceOnset / time);
}

inline double bass(double t) {
    return 0.28 * decay(std::fmod(t, kBeat), 0.35) * std::sin(kTwoPi * chordRoot(t) * 0.5 * t);
}

inline double pad(double t, double detune) {
    const double root = chordRoot(t);
    double sum = 0.0;
    for (double ratio : {1.0, 1.2, 1.5, 2.0}) {
        sum += std::sin(kTwoPi * root * 2.0 * ratio * detune * t);
    }
    return 0.06 * sum;
}

inline double lead(double t) {
    const double note = chordRoot(t) * 4.0 * (std::fmod(t, 2 * kBeat) < kBeat ? 1.5 : 2.0);
    const double vibrato = 1.0 + 0.004 * std::sin(kTwoPi * 5.5 * t);
    const double phase = kTwoPi * note * vibrato * t;
    return 0.08 * decay(std::fmod(t, kBeat), 0.4) * (std::sin(phase) + 0.3 * std::sin(2 * phase));
}

inline double kick(double t) {
    const double since = std::fmod(t, kBeat);
    return 0.5 * decay(since, 0.08) * std::sin(kTwoPi * (50.0 + 90.0 * decay(since, 0.03)) * since);
}

// Hashed white noise in [-1, 1): reproducible and independent of how the stream is cut.
inline double noise(std::uint64_t frame) {
    std::uint64_t x = frame * 0x9E3779B97F4A7C15ull;
    x ^= x >> 31;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 29;
    return static_cast<double>(x >> 40) / 8388608.0 - 1.0;
}

inline double hat(double t, std::uint64_t frame) {
    return 0.07 * decay(std::fmod(t + kBeat / 2, kBeat), 0.02) * noise(frame);
}

// Renders `count` frames starting at frame `first` into the two channel buffers.
inline void render(std::uint64_t first, std::size_t count, double sampleRate, float* left,
                   float* right) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t frame = first + i;
        const double t = static_cast<double>(frame) / sampleRate;
        const double centre = bass(t) + kick(t) + lead(t);
        const double shaker = hat(t, frame);
        left[i] = static_cast<float>(kLevel * (centre + pad(t, 1.0) + shaker));
        right[i] = static_cast<float>(kLevel * (centre + pad(t, 1.003) - 0.6 * shaker));
    }
}

} // namespace programme
