#include "bench/peer/output_check.h"

#include "bench/peer/rounds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace peer {

namespace {

struct Sums {
    double input = 0.0;
    double output = 0.0;
    double difference = 0.0;
};

void accumulate(const Stream& stream, Sums& sums, OutputCheck& check) {
    for (int channel = 0; channel < 2; ++channel) {
        for (int i = 0; i < stream.blockSize(); ++i) {
            const double in = stream.input(channel)[i];
            const double out = stream.output(channel)[i];
            check.finite = check.finite && std::isfinite(out);
            check.peak = std::max(check.peak, std::fabs(out));
            sums.input += in * in;
            sums.output += out * out;
            sums.difference += (out - in) * (out - in);
        }
    }
}

double decibels(double energyRatio) {
    return 10.0 * std::log10(energyRatio + 1e-30);
}

} // namespace

bool OutputCheck::filters() const {
    return finite && differenceDb > -60.0 && std::fabs(outputDbfs - inputDbfs) < 12.0;
}

OutputCheck checkOutput(Stream& stream, double seconds) {
    const std::size_t blocks = blocksFor(seconds, stream.blockSize());
    const std::size_t settle = blocks / 4;
    Sums sums;
    OutputCheck check;
    for (std::size_t b = 0; b < blocks; ++b) {
        stream.step();
        if (b >= settle) {
            accumulate(stream, sums, check);
        }
    }
    const double samples = 2.0 * static_cast<double>((blocks - settle) * stream.blockSize());
    check.inputDbfs = decibels(sums.input / samples);
    check.outputDbfs = decibels(sums.output / samples);
    check.differenceDb = decibels(sums.difference / sums.input);
    return check;
}

void printOutputCheck(const std::string& label, const OutputCheck& check) {
    std::printf("%-26s in %6.1f dBFS, out %6.1f dBFS, out-in %7.1f dB re input, peak %.3f, "
                "%s -> %s\n",
                label.c_str(), check.inputDbfs, check.outputDbfs, check.differenceDb, check.peak,
                check.finite ? "finite" : "NOT FINITE",
                check.filters() ? "processes" : "DOES NOT PROCESS");
}

double largestDifference(Stream& a, Stream& b, double seconds) {
    double largest = 0.0;
    for (std::size_t n = blocksFor(seconds, a.blockSize()); n > 0; --n) {
        a.step();
        b.step();
        for (int channel = 0; channel < 2; ++channel) {
            for (int i = 0; i < a.blockSize(); ++i) {
                const double d = std::fabs(a.output(channel)[i] - b.output(channel)[i]);
                largest = std::isnan(d) ? d : std::max(largest, d);
            }
        }
    }
    return largest;
}

} // namespace peer
