#include "bench/peer/rounds.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

namespace peer {

void warmUp(std::vector<Configuration>& configurations, double seconds) {
    for (Configuration& configuration : configurations) {
        Stream& stream = *configuration.stream;
        stream.run(blocksFor(seconds, stream.blockSize()));
    }
}

void runRounds(std::vector<Configuration>& configurations, int rounds, double secondsPerRound) {
    std::vector<std::size_t> order(configurations.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::mt19937 shuffler(20240601u); // the same orders on every run
    for (int round = 0; round < rounds; ++round) {
        std::shuffle(order.begin(), order.end(), shuffler);
        for (std::size_t index : order) {
            Configuration& configuration = configurations[index];
            Stream& stream = *configuration.stream;
            const std::size_t blocks = blocksFor(secondsPerRound, stream.blockSize());
            const double ns = static_cast<double>(stream.run(blocks));
            const double frames = static_cast<double>(blocks) * stream.blockSize();
            configuration.nsPerFrame.push_back(ns / frames);
        }
    }
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    if (values.size() % 2 == 1) {
        return *middle;
    }
    return (*middle + *std::max_element(values.begin(), middle)) / 2.0;
}

std::size_t blocksFor(double seconds, int blockSize) {
    const double blocks = std::ceil(seconds * kSampleRate / blockSize);
    return static_cast<std::size_t>(std::max(1.0, blocks));
}

} // namespace peer
