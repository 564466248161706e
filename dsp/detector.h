// The level and transient detector, one stereo sample at a time. Shared by the audio
// path's loops (process_block.cpp and the wide cascade, which runs it between the
// cascade's own steps so its recursions overlap with the filters').
#pragma once

#include "dsp/engine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

// Level and transient detector. Its drives steer the per-band modulation; the two drives
// derived from the envelope are only read there, so they are worked out at the tick
// (finishDrives) rather than on every sample. The running values are held in locals for a
// whole run of samples (registers, not the engine's memory) and stored back at its end.
struct DetectorState {
    double peakHold, envLevel, fastLevel, transientScale, transientHeld, highDrive;
    std::array<double, 4> levelHistory;
    std::int32_t decimationCounter;
};

inline DetectorState takeDetector(const Engine& inst) noexcept {
    return {inst.peakHold,      inst.envLevel,  inst.fastLevel,    inst.transientScale,
            inst.transientHeld, inst.highDrive, inst.levelHistory, inst.decimationCounter};
}

inline void giveDetector(Engine& inst, const DetectorState& d) noexcept {
    inst.peakHold = d.peakHold;
    inst.envLevel = d.envLevel;
    inst.fastLevel = d.fastLevel;
    inst.transientScale = d.transientScale;
    inst.transientHeld = d.transientHeld;
    inst.highDrive = d.highDrive;
    inst.levelHistory = d.levelHistory;
    inst.decimationCounter = d.decimationCounter;
}

inline void runDetector(const Engine& k, DetectorState& s, double L, double R) noexcept {
    double m = std::max(std::fabs(L), std::fabs(R));
    if (std::isnan(m) || m >= 1000000.0) {
        m = 0.0; // garbage input must not pump the envelopes
    }
    s.peakHold = std::max(0.001, std::max(s.peakHold * k.peakHoldDecay, m));
    const double level = std::min(m / s.peakHold, 1.0);
    const double c = level > s.envLevel ? k.envAttackCoef : k.envReleaseCoef;
    s.envLevel = (1.0 - c) * level + s.envLevel * c;
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
