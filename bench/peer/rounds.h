// Interleaved timing rounds: every configuration processes the same amount of audio once
// per round, in an order shuffled anew each round, so drifts in machine load spread over
// all of them instead of landing on whichever ran last.
#pragma once

#include "bench/peer/stream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace peer {

struct Configuration {
    std::string plugin;
    const StereoSignal* signal;
    std::unique_ptr<Stream> stream;
    std::vector<double> nsPerFrame; // one entry per round

    int blockSize() const { return stream->blockSize(); }
};

// Once per instance before the first round: first-call allocations, settings the plug-in
// applies on its first block, filter and detector states that need to settle.
void warmUp(std::vector<Configuration>& configurations, double seconds);
// `secondsPerRound` of audio per configuration in each round.
void runRounds(std::vector<Configuration>& configurations, int rounds, double secondsPerRound);

double median(std::vector<double> values);
// Whole blocks covering `seconds` of audio at the benchmark's rate.
std::size_t blocksFor(double seconds, int blockSize);

} // namespace peer
