// Checks that a plug-in under test really processes: a peer that passes audio through
// untouched (not started, a parameter lost) would look fast for the wrong reason.
#pragma once

#include "bench/peer/stream.h"

#include <string>

namespace peer {

struct OutputCheck {
    double inputDbfs = 0.0;
    double outputDbfs = 0.0;
    double differenceDb = 0.0; // RMS of output - input, relative to the input's RMS
    double peak = 0.0;
    bool finite = true;

    // Finite, changed by more than a rounding error, and within 12 dB of the input level.
    bool filters() const;
};

// Runs `seconds` of the stream's signal and measures the part after the first quarter
// (the time a detector or smoothing needs to settle).
OutputCheck checkOutput(Stream& stream, double seconds);
void printOutputCheck(const std::string& label, const OutputCheck& check);

// The largest sample difference between two streams fed the same signal in step.
double largestDifference(Stream& a, Stream& b, double seconds);

} // namespace peer
