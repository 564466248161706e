// The benchmark's input signals, generated once before anything is timed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace peer {

struct StereoSignal {
    std::string name;
    std::vector<float> left;
    std::vector<float> right;
    std::size_t frames() const { return left.size(); }
};

// Independent pink noise per channel (white noise through Paul Kellet's pink filter), each
// channel scaled to `rmsDbfs`. The same seed gives the same samples on every machine.
StereoSignal makePinkNoise(std::size_t frames, double rmsDbfs, std::uint64_t seed);
// The music-like programme of tools/programme_signal.h.
StereoSignal makeProgramme(std::size_t frames, double sampleRate);

double rmsDbfs(const std::vector<float>& samples);

} // namespace peer
