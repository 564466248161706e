#include "bench/peer/report.h"

#include <algorithm>
#include <cstdio>

namespace peer {

namespace {

const Configuration* find(const std::vector<Configuration>& configurations,
                          const std::string& plugin, const StereoSignal* signal, int blockSize) {
    for (const Configuration& c : configurations) {
        if (c.plugin == plugin && c.signal == signal && c.blockSize() == blockSize) {
            return &c;
        }
    }
    return nullptr;
}

double pairedRatio(const Configuration& numerator, const Configuration& denominator) {
    std::vector<double> ratios;
    const std::size_t rounds = std::min(numerator.nsPerFrame.size(), denominator.nsPerFrame.size());
    for (std::size_t r = 0; r < rounds; ++r) {
        ratios.push_back(numerator.nsPerFrame[r] / denominator.nsPerFrame[r]);
    }
    return median(ratios);
}

} // namespace

void printMedians(const std::vector<Configuration>& configurations) {
    std::printf("%-26s %-6s %6s %12s %10s %10s %12s\n", "plug-in", "signal", "block",
                "median ns/fr", "min", "max", "x real time");
    for (const Configuration& c : configurations) {
        const double middle = median(c.nsPerFrame);
        const auto [low, high] = std::minmax_element(c.nsPerFrame.begin(), c.nsPerFrame.end());
        const double realTime = 1e9 / kSampleRate / middle;
        std::printf("%-26s %-6s %6d %12.1f %10.1f %10.1f %12.0f\n", c.plugin.c_str(),
                    c.signal->name.c_str(), c.blockSize(), middle, *low, *high, realTime);
    }
}

void printRatios(const std::vector<Configuration>& configurations, const std::string& numerator,
                 const std::string& denominator) {
    std::printf("%s / %s\n", numerator.c_str(), denominator.c_str());
    std::printf("  %-6s %6s %18s %22s\n", "signal", "block", "ratio of medians",
                "median per-round ratio");
    for (const Configuration& n : configurations) {
        if (n.plugin != numerator) {
            continue;
        }
        const Configuration* d = find(configurations, denominator, n.signal, n.blockSize());
        if (d == nullptr) {
            continue;
        }
        std::printf("  %-6s %6d %18.3f %22.3f\n", n.signal->name.c_str(), n.blockSize(),
                    median(n.nsPerFrame) / median(d->nsPerFrame), pairedRatio(n, *d));
    }
}

void printSummary(const char* vectorPath, const std::vector<Configuration>& configurations,
                  const std::vector<SummaryRow>& rows, const std::vector<PeriodPeak>& peaks) {
    std::printf("\n== summary, vector path %s (median per-round ratios)\n", vectorPath);
    std::printf("%-22s %9s %9s %9s %9s\n", "", "pink 64", "pink 512", "music 64", "music 512");
    for (const SummaryRow& row : rows) {
        std::printf("%-22s", row.caption.c_str());
        for (const char* signal : {"pink", "music"}) {
            for (const int blockSize : {64, 512}) {
                const Configuration* n = nullptr;
                const Configuration* d = nullptr;
                for (const Configuration& c : configurations) {
                    if (c.signal->name == signal && c.blockSize() == blockSize) {
                        n = c.plugin == row.numerator ? &c : n;
                        d = c.plugin == row.denominator ? &c : d;
                    }
                }
                if (n != nullptr && d != nullptr) {
                    std::printf(" %9.3f", pairedRatio(*n, *d));
                } else {
                    std::printf(" %9s", "-");
                }
            }
        }
        std::printf("\n");
    }
    std::printf("1-in-16 block / median block at 64 frames\n");
    for (const PeriodPeak& p : peaks) {
        std::printf("  %-22s %-6s %6.2fx\n", p.plugin.c_str(), p.signal.c_str(), p.overMedian);
    }
}

} // namespace peer
