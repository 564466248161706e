#include "tools/test_signal.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kBeat = 0.5;  // seconds, 120 bpm
constexpr double kLevel = 0.7; // peaks a few dB below full scale

// A minor chord progression, one chord per bar of four beats (root frequencies in Hz).
constexpr double kRoots[] = {110.0, 87.31, 130.81, 98.0};

double chordRoot(double t) {
    return kRoots[static_cast<int>(t / (4 * kBeat)) % 4];
}

double decay(double sinceOnset, double time) {
    return std::exp(-sinceOnset / time);
}

double bass(double t) {
    const double since = std::fmod(t, kBeat);
    return 0.28 * decay(since, 0.35) * std::sin(kTwoPi * chordRoot(t) * 0.5 * t);
}

double pad(double t, double detune) {
    const double root = chordRoot(t);
    double sum = 0.0;
    for (double ratio : {1.0, 1.2, 1.5, 2.0}) {
        sum += std::sin(kTwoPi * root * 2.0 * ratio * detune * t);
    }
    return 0.06 * sum;
}

double lead(double t) {
    const double note = chordRoot(t) * 4.0 * (std::fmod(t, 2 * kBeat) < kBeat ? 1.5 : 2.0);
    const double vibrato = 1.0 + 0.004 * std::sin(kTwoPi * 5.5 * t);
    const double phase = kTwoPi * note * vibrato * t;
    return 0.08 * decay(std::fmod(t, kBeat), 0.4) * (std::sin(phase) + 0.3 * std::sin(2 * phase));
}

double kick(double t) {
    const double since = std::fmod(t, kBeat);
    return 0.5 * decay(since, 0.08) * std::sin(kTwoPi * (50.0 + 90.0 * decay(since, 0.03)) * since);
}

// Linear congruential noise: reproducible, no library state.
double noise(std::uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
}

double hat(double t, std::uint32_t& state) {
    const double since = std::fmod(t + kBeat / 2, kBeat);
    return 0.07 * decay(since, 0.02) * noise(state);
}

} // namespace

StereoAudio generateTestSignal(double seconds, int sampleRate) {
    StereoAudio audio;
    audio.sampleRate = sampleRate;
    const auto frames = static_cast<std::size_t>(seconds * sampleRate);
    audio.left.resize(frames);
    audio.right.resize(frames);
    std::uint32_t state = 12345u;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double centre = bass(t) + kick(t) + lead(t);
        const double shaker = hat(t, state);
        audio.left[i] = static_cast<float>(kLevel * (centre + pad(t, 1.0) + shaker));
        audio.right[i] = static_cast<float>(kLevel * (centre + pad(t, 1.003) - 0.6 * shaker));
    }
    return audio;
}
