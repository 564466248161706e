// What the hostile-host checks share: how a driver hands in the plug-in and hears about
// the results, a host-side instance that closes itself, the music, and the measurements.
//
// Standard C++ and the VST ABI only, so that the very same checks run natively (the
// plug-in linked in, under AddressSanitizer and UndefinedBehaviorSanitizer) and under
// wine (Tolvane-Q.dll loaded the way a DAW loads it).
#pragma once

#include "host/vst_abi.h"
#include "tools/programme_signal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace hostile {

using Entry = AEffect*(VST_CALL*)(HostCallback);

// The driver's side. `expect` records one check of table row `row`; `note` prints a
// figure worth reading whether or not the check passes; both are only called from the
// thread that runs the check. `entry` and `release` (which frees the record of a closed
// instance; null where the host leaks records the way a DAW does) are called from any.
struct Harness {
    Entry entry;
    void (*expect)(bool ok, const std::string& row, const std::string& what);
    void (*note)(const std::string& line);
    void (*release)(AEffect* effect);
};

constexpr double kRate = 48000.0;
constexpr std::int32_t kBlock = 512;
constexpr std::size_t kSecond = 48000;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kDenormal = 1e-40f;

// A host that knows nothing: version 2.4, every other request unanswered.
inline VstIntPtr VST_CALL hostCallback(AEffect*, std::int32_t opcode, std::int32_t, VstIntPtr,
                                       void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

inline std::string fmt(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", v);
    return text;
}

struct Stereo {
    std::vector<float> left;
    std::vector<float> right;

    explicit Stereo(std::size_t frames = 0) : left(frames), right(frames) {}
    std::size_t frames() const { return left.size(); }
};

// The shared music-like programme, rendered at 48 kHz.
inline Stereo music(std::size_t frames) {
    Stereo s(frames);
    programme::render(0, frames, kRate, s.left.data(), s.right.data());
    return s;
}

// Seven seconds of it, rendered once per process: no case needs more, and rendering the
// programme takes longer than running the plug-in over it.
inline const Stereo& sharedMusic() {
    static const Stereo s = music(7 * kSecond);
    return s;
}

// The largest magnitude in [first, first + count); anything not finite counts as infinite
// so that a NaN can never hide below a limit.
inline double peakOf(const Stereo& s, std::size_t first, std::size_t count) {
    double peak = 0.0;
    for (std::size_t i = first; i < first + count && i < s.frames(); ++i) {
        for (const float v : {s.left[i], s.right[i]}) {
            peak = std::max(peak, std::isfinite(v) ? std::fabs(double{v}) : HUGE_VAL);
        }
    }
    return peak;
}

inline bool allFinite(const Stereo& s, std::size_t first, std::size_t count) {
    return peakOf(s, first, count) < HUGE_VAL;
}

// Every sample of both channels is exactly `value`.
inline bool holds(const Stereo& s, float value) {
    const auto is = [value](float v) { return v == value; };
    return std::all_of(s.left.begin(), s.left.end(), is) &&
           std::all_of(s.right.begin(), s.right.end(), is);
}

// The largest per-sample difference in [first, first + count), infinite where either
// side is not finite.
inline double maxDifference(const Stereo& a, const Stereo& b, std::size_t first,
                            std::size_t count) {
    double most = 0.0;
    for (std::size_t i = first; i < first + count && i < a.frames() && i < b.frames(); ++i) {
        const double dl = std::fabs(double{a.left[i]} - double{b.left[i]});
        const double dr = std::fabs(double{a.right[i]} - double{b.right[i]});
        most =
            std::max({most, std::isfinite(dl) ? dl : HUGE_VAL, std::isfinite(dr) ? dr : HUGE_VAL});
    }
    return most;
}

// Frames in [first, end of stream) whose left or right sample is not finite; `last` gets
// the last of them.
inline std::size_t nonFiniteFrames(const Stereo& s, std::size_t first,
                                   std::size_t* last = nullptr) {
    std::size_t count = 0;
    for (std::size_t i = first; i < s.frames(); ++i) {
        if (!std::isfinite(s.left[i]) || !std::isfinite(s.right[i])) {
            ++count;
            if (last != nullptr) {
                *last = i;
            }
        }
    }
    return count;
}

} // namespace hostile
