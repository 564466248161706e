#include "bench/peer/worst_block.h"

#include <algorithm>
#include <cstdio>

namespace peer {

namespace {

struct BlockTimes {
    std::vector<double> cpuUs;
    std::vector<double> wallUs;
};

double percentile(std::vector<double> values, double fraction) {
    const auto at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at),
                     values.end());
    return values[at];
}

// The median block at each position within the analyser period, and the heaviest of them:
// preemption or a cache miss hits one block, the transform hits the same position every
// period.
double heaviestPhaseMedian(const std::vector<double>& cpuUs) {
    double heaviest = 0.0;
    for (int phase = 0; phase < kAnalyserPeriodBlocks; ++phase) {
        std::vector<double> atPhase;
        for (std::size_t b = static_cast<std::size_t>(phase); b < cpuUs.size();
             b += kAnalyserPeriodBlocks) {
            atPhase.push_back(cpuUs[b]);
        }
        heaviest = std::max(heaviest, median(atPhase));
    }
    return heaviest;
}

void printRow(const Configuration& c, const BlockTimes& t) {
    const double cpuMedian = median(t.cpuUs);
    const double wallMedian = median(t.wallUs);
    const double cpuWorst = *std::max_element(t.cpuUs.begin(), t.cpuUs.end());
    const double wallWorst = *std::max_element(t.wallUs.begin(), t.wallUs.end());
    std::printf("%-22s %-6s %7.1f %7.1f %8.1f %6.1fx | %7.1f %7.1f %8.1f %6.1fx | %7.1f %5.2fx\n",
                c.plugin.c_str(), c.signal->name.c_str(), cpuMedian, percentile(t.cpuUs, 0.99),
                cpuWorst, cpuWorst / cpuMedian, wallMedian, percentile(t.wallUs, 0.99), wallWorst,
                wallWorst / wallMedian, heaviestPhaseMedian(t.cpuUs),
                heaviestPhaseMedian(t.cpuUs) / cpuMedian);
}

void printHeader(int blockSize, std::size_t blocks) {
    std::printf("%zu blocks of %d frames per row (budget %.0f us per block at %.0f Hz)\n", blocks,
                blockSize, 1e6 * blockSize / kSampleRate, kSampleRate);
    std::printf("%-22s %-6s %33s | %33s | %s\n", "", "", "thread CPU us per block",
                "wall us per block", "1-in-16 block");
    std::printf("%-22s %-6s %7s %7s %8s %7s | %7s %7s %8s %7s | %7s %6s\n", "plug-in", "signal",
                "median", "p99", "worst", "w/med", "median", "p99", "worst", "w/med", "median",
                "/med");
}

} // namespace

std::vector<PeriodPeak> measureWorstBlocks(const std::vector<Configuration*>& series,
                                           double seconds) {
    std::vector<PeriodPeak> peaks;
    if (series.empty()) {
        return peaks;
    }
    const int blockSize = series.front()->blockSize();
    // Turns of one block more than the period: the first block of a turn finds the caches
    // full of the other plug-ins' work, and with turns as long as the period it would land
    // on the same position every time and read as periodic work (LSP, which has none,
    // showed 1.5 times its median there). This way it moves through the positions.
    const std::size_t turns = blocksFor(seconds, blockSize * kTurnBlocks);
    std::vector<BlockTimes> times(series.size());
    for (std::size_t p = 0; p < turns; ++p) {
        for (std::size_t s = 0; s < series.size(); ++s) {
            for (int b = 0; b < kTurnBlocks; ++b) {
                const BlockTime t = series[s]->stream->timedStep();
                times[s].cpuUs.push_back(static_cast<double>(t.cpuNs) / 1e3);
                times[s].wallUs.push_back(static_cast<double>(t.wallNs) / 1e3);
            }
        }
    }
    printHeader(blockSize, turns * kTurnBlocks);
    for (std::size_t s = 0; s < series.size(); ++s) {
        printRow(*series[s], times[s]);
        peaks.push_back({series[s]->plugin, series[s]->signal->name,
                         heaviestPhaseMedian(times[s].cpuUs) / median(times[s].cpuUs)});
    }
    return peaks;
}

} // namespace peer
