// Garbage in the middle of the music: NaN, infinities, an absurdly loud value and a
// denormal, for one sample and for 64. A second of music later the output must be finite
// again, and it must have forgotten the burst: it is compared with a twin instance that
// got silence in place of the burst, after one second and after five.
#pragma once

#include "tests/hostile/hostile_plugin.h"

namespace hostile {

struct BurstRow {
    const char* name;
    float value;
    std::size_t length;
    bool mustSettle; // false: only finiteness is required, the twin figures are printed
};

inline constexpr BurstRow kBurstRows[] = {
    {"NaN_1", kNaN, 1, true},           {"NaN_64", kNaN, 64, true},
    {"PlusInf_1", kInf, 1, true},       {"PlusInf_64", kInf, 64, true},
    {"MinusInf_1", -kInf, 1, true},     {"MinusInf_64", -kInf, 64, true},
    {"Huge_1", 1e30f, 1, false},        {"Huge_64", 1e30f, 64, false},
    {"Denormal_1", kDenormal, 1, true}, {"Denormal_64", kDenormal, 64, true},
};

constexpr double kSettledAfter1s = 1e-4;
constexpr double kSettledAfter5s = 1e-6;

// `length` frames from `start` set to `value` on both channels.
inline Stereo withBurst(Stereo s, std::size_t start, std::size_t length, float value) {
    std::fill_n(s.left.begin() + static_cast<std::ptrdiff_t>(start), length, value);
    std::fill_n(s.right.begin() + static_cast<std::ptrdiff_t>(start), length, value);
    return s;
}

inline void checkBurst(const Harness& h, const BurstRow& row) {
    // Mid-block, after a second of music, so the detector and the filters are busy.
    const std::size_t start = kSecond + 100;
    const std::size_t end = start + row.length;
    const std::size_t after1s = end + kSecond;
    const std::size_t after5s = end + 5 * kSecond;
    const Stereo& in = sharedMusic();
    Plugin burst(h);
    Plugin twin(h);
    h.expect(burst.ok() && twin.ok(), row.name, "no instance");
    if (!burst.ok() || !twin.ok()) {
        return;
    }
    const Stereo out = burst.render(withBurst(in, start, row.length, row.value));
    const Stereo ref = twin.render(withBurst(in, start, row.length, 0.0f));
    std::size_t last = 0;
    const std::size_t bad = nonFiniteFrames(out, end, &last);
    const double diff1 = maxDifference(out, ref, after1s, kBlock);
    const double diff5 = maxDifference(out, ref, after5s, kBlock);
    h.note(std::string("burst ") + row.name + ": twin difference " + fmt(diff1) + " after 1 s, " +
           fmt(diff5) + " after 5 s; " + std::to_string(bad) + " non-finite frame(s) after it" +
           (bad > 0 ? ", the last " + fmt(double(last - end) / kRate) + " s after" : ""));
    h.expect(allFinite(out, after1s, out.frames() - after1s), row.name,
             "output not finite a second after the burst");
    h.expect(nonFiniteFrames(ref, 0) == 0, row.name, "the twin's output is not finite");
    if (row.mustSettle) {
        h.expect(diff1 < kSettledAfter1s, row.name, "twin difference after 1 s: " + fmt(diff1));
        h.expect(diff5 < kSettledAfter5s, row.name, "twin difference after 5 s: " + fmt(diff5));
    }
}

} // namespace hostile
