// The benchmark's tables, printed to stdout.
#pragma once

#include "bench/peer/rounds.h"

#include <string>
#include <vector>

namespace peer {

// Median, fastest and slowest round per configuration, in ns of thread CPU time per stereo
// frame, and the median as a multiple of real time.
void printMedians(const std::vector<Configuration>& configurations);

// numerator / denominator for every signal and block size both plug-ins were timed at:
// the ratio of their medians and the median of the ratios within each round.
void printRatios(const std::vector<Configuration>& configurations, const std::string& numerator,
                 const std::string& denominator);

} // namespace peer
