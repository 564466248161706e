// The level and transient detector, one stereo sample at a time. Shared by the audio
// path's loops and the cascade kernels, which run it between the cascade's own steps so
// its recursions overlap with the filters'. The input part
// (detectorInput) is apart from the recursions (stepDetector) so that vector code can work
// out a whole run's inputs at once.
#pragma once

#include "dsp/engine.h"
#include "dsp/stereo_pair.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

// What the detector sees of one stereo sample: the larger magnitude, or 0 for garbage (not
// a number, or absurdly large), which must not pump the envelopes. Exact in single
// precision too (both limits are floats), so vector code may work out a run at once.
inline double detectorInput(double L, double R) noexcept {
    const double m = std::max(std::fabs(L), std::fabs(R));
    return std::isnan(m) || m >= 1000000.0 ? 0.0 : m;
}

// One sample's step, given its detectorInput.
[[gnu::always_inline]] inline void stepDetector(const DetectorTerms& k, DetectorState& s,
                                                double m) noexcept {
    // The same maximum of the three (all positive, none NaN) with the floor taken against
    // the input first: the held peak's own recursion is then one multiply and one max.
    s.peakHold = std::max(std::max(m, 0.001), s.peakHold * k.peakHoldDecay);
    // The held peak is never below m, so the ratio is at most 1 (a correctly rounded
    // quotient of m <= p cannot exceed 1): no clamp needed.
    const double level = m / s.peakHold;
    // Both candidates, then a blend: on noise the level crosses the envelope at random, and
    // a mispredicted branch here waits for the division above before the work after it
    // can go on. The extra multiply-add costs less (and on programme material, about what
    // the branch saved).
    const double attack = k.keepAttack * level + s.envLevel * k.attack;
    const double release = k.keepRelease * level + s.envLevel * k.release;
    s.envLevel = pickIfGreater(level, s.envLevel, attack, release);
    s.fastLevel = s.fastLevel + (level - s.fastLevel) * k.fastCoef;

    // ">=" rather than "==": a sample-rate change can lower decimation below the running
    // count, and the transient detector must not stall until the counter wraps.
    if (++s.decimationCounter >= k.decimation) {
        s.decimationCounter = 0;
        auto& h = s.levelHistory;
        const double d = (((s.fastLevel - 4.0 * h[0]) + 6.0 * h[1]) - 4.0 * h[2]) + h[3];
        h = {s.fastLevel, h[0], h[1], h[2]};
        s.transientScale =
            std::max(0.02, std::max(s.transientScale * k.transientScaleDecay, std::fabs(d)));
        s.transientHeld = std::clamp(d / s.transientScale, -1.0, 1.0);
    }
    s.highDrive = s.highDrive + (s.transientHeld - s.highDrive) * k.highDriveCoef;
}

[[gnu::always_inline]] inline void runDetector(const Engine& k, DetectorState& s, double L,
                                               double R) noexcept {
    stepDetector(k.detectorTerms, s, detectorInput(L, R));
}
