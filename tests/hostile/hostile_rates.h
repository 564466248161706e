// Sample rates no host should announce, both switched to in the middle of the music (the
// plug-in still resumed) and given to a fresh instance before it starts. Whatever the plug-in
// makes of the rate, two seconds of music must come out finite and within 6 dB of the
// input's peak, with the default bands.
#pragma once

#include "tests/hostile/hostile_plugin.h"

namespace hostile {

struct RateRow {
    const char* name;
    float rate;
};

inline constexpr RateRow kRateRows[] = {
    {"Zero", 0.0f},        {"MinusOne", -1.0f},   {"NaN", kNaN},           {"PlusInf", kInf},
    {"One", 1.0f},         {"Six", 6.0f},         {"Fifteen", 15.0f},      {"Hz8000", 8000.0f},
    {"Hz22050", 22050.0f}, {"Hz48000", 48000.0f}, {"Hz384000", 384000.0f}, {"Hz768000", 768000.0f},
    {"Hz1e9", 1e9f},
};

enum class RateChange { MidStream, FreshInstance };

constexpr double kPeakFactor = 2.0; // 6 dB either way

inline double decibels(double ratio) {
    return 20.0 * std::log10(ratio);
}

inline void checkRate(const Harness& h, const RateRow& row, RateChange change) {
    const bool fresh = change == RateChange::FreshInstance;
    const std::string name = std::string(row.name) + (fresh ? " (fresh instance)" : " (switch)");
    // Half a second at 48 kHz before a switch, so there is filter state to carry over.
    const std::size_t before = fresh ? 0 : kSecond / 2;
    const std::size_t after = 2 * kSecond;
    const Stereo& in = sharedMusic();
    Plugin p(h, fresh ? row.rate : static_cast<float>(kRate));
    h.expect(p.ok(), name, "no instance");
    if (!p.ok()) {
        return;
    }
    Stereo out(in.frames());
    p.run(in, out, 0, before);
    if (!fresh) {
        p.dispatch(effSetSampleRate, 0, 0, nullptr, row.rate);
    }
    p.run(in, out, before, after);
    const double inPeak = peakOf(in, before, after);
    const double outPeak = peakOf(out, before, after);
    const double ratio = outPeak / inPeak;
    h.note("rate " + name + ": output peak " + fmt(outPeak) + " for input peak " + fmt(inPeak) +
           " (" + fmt(decibels(ratio)) + " dB)");
    h.expect(allFinite(out, before, after), name, "output not finite");
    h.expect(ratio <= kPeakFactor && ratio >= 1.0 / kPeakFactor, name,
             "output peak " + fmt(decibels(ratio)) + " dB from the input's");
}

} // namespace hostile
