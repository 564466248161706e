// The benchmark's tables, printed to stdout.
#pragma once

#include "bench/peer/rounds.h"
#include "bench/peer/worst_block.h"

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

// One comparison row of the closing summary: numerator / denominator by plug-in label.
struct SummaryRow {
    std::string caption;
    std::string numerator;
    std::string denominator;
};

// The closing summary for one vector path: each row's median per-round ratio for every
// signal and block size, then the analyser's 1-in-16 block against the median one.
void printSummary(const char* vectorPath, const std::vector<Configuration>& configurations,
                  const std::vector<SummaryRow>& rows, const std::vector<PeriodPeak>& peaks);

} // namespace peer
