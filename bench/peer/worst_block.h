// The worst single block against the typical one. A host's deadline is per block, so a
// plug-in that does its heavy work once every few blocks (Tolvane-Q's analyser runs a
// 1024-point transform every 1024 samples: one 64-frame block in 16) can miss it while
// its average looks fine.
#pragma once

#include "bench/peer/rounds.h"

#include <string>
#include <vector>

namespace peer {

constexpr int kAnalyserPeriodBlocks = 16;              // 1024 samples in 64-frame blocks
constexpr int kTurnBlocks = kAnalyserPeriodBlocks + 1; // blocks per plug-in per turn

// The heaviest position's median block within the analyser period, over the median block.
struct PeriodPeak {
    std::string plugin;
    std::string signal;
    double overMedian;
};

// Times every block of the given configurations for `seconds` of audio each, taking turns
// of a block more than an analyser period, prints the table and answers each row's period
// peak.
std::vector<PeriodPeak> measureWorstBlocks(const std::vector<Configuration*>& series,
                                           double seconds);

} // namespace peer
