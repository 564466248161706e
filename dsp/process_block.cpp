// The audio path: detector, modulation tick, band cascade, trim, soft limiter and the
// analyser feed, one stereo sample at a time, both channels of the cascade and the output
// stage together.
#include "dsp/cascade.h"
#include "dsp/engine.h"
#include "dsp/fast_math.h"
#include "dsp/output_stage_wide.h"
#include "dsp/vector_path.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

// Level and transient detector. Its drives steer the per-band modulation; the two drives
// derived from the envelope are only read there, so they are worked out at the tick
// (finishDrives) rather than on every sample. The running values are held in locals for a
// whole run of samples (registers, not the engine's memory) and stored back at its end.
struct DetectorState {
    double peakHold, envLevel, fastLevel, transientScale, transientHeld, highDrive;
    std::array<double, 4> levelHistory;
    std::int32_t decimationCounter;
};

DetectorState takeDetector(const Engine& inst) noexcept {
    return {inst.peakHold,      inst.envLevel,  inst.fastLevel,    inst.transientScale,
            inst.transientHeld, inst.highDrive, inst.levelHistory, inst.decimationCounter};
}

void giveDetector(Engine& inst, const DetectorState& d) noexcept {
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

void finishDrives(Engine& inst) noexcept {
    inst.midDrive = inst.envLevel * inst.envLevel * 81.0 / 91.0;
    inst.lowDrive = std::pow(inst.envLevel, 1.5);
}

double flushTiny(double v) noexcept {
    return std::fabs(v) < 1e-15 ? 0.0 : v;
}

bool isFiniteValue(double v) noexcept {
    return std::fabs(v) <= std::numeric_limits<double>::max();
}

// One transposed direct form II stage. A stage that blows up resets its own state and lets
// its input through, so one bad sample cannot poison the filter forever.
double runStage(const BiquadCoefficients& k, double& s1, double& s2, double x) noexcept {
    const double y = k.b0 * x + s1;
    const double ns2 = k.b2 * x - k.a2 * y;
    const double ns1 = k.b1 * x - k.a1 * y + s2;
    if (isFiniteValue(y) && isFiniteValue(ns1) && isFiniteValue(ns2)) {
        s1 = flushTiny(ns1);
        s2 = flushTiny(ns2);
        return y;
    }
    s1 = 0.0;
    s2 = 0.0;
    return x;
}

// Soft limiter: blends the dry value with a tanh stage whose level is reduced further as
// the signal grows, so peaks are rounded off rather than flattened.
double softLimit(double y, double l) noexcept {
    double v = (((116.0 * y * y - 0.00375) * 100.0) / 20.0) / 580.0;
    v = std::isnan(v) ? 4.0 : std::clamp(v, 0.0, 4.0);
    const double s = 1.0 / (1.0 + 0.25 * (v * v));
    const double drive = 0.35 * l + 1.0;
    return y * (1.0 - l) + s * std::tanh(drive * y) * l;
}

// The run's mono sum into the ring, analysing whenever it fills. The write position is
// kept in a register for the run rather than stored back after every sample.
void feedAnalyser(Engine& inst, const float* left, const float* right, std::int32_t run) noexcept {
    float* ring = inst.analysisRing.data();
    std::int32_t pos = inst.analysisPos;
    for (std::int32_t i = 0; i < run; ++i) {
        ring[pos] = (right[i] + left[i]) * 0.5f;
        if (++pos > kAnalysisSize - 1) {
            runAnalyser(inst);
            pos = 0;
        }
    }
    inst.analysisPos = pos;
}

// Makes the filter list match the band list again after an edit changed the band count.
// Within the reserved capacity this does not allocate; if growing past it fails, the
// cascade below simply runs over the shorter of the two lists.
void resyncFilters(Engine& inst) noexcept {
    if (inst.filters.size() == inst.bands.size()) {
        return;
    }
    try {
        rebuildFilters(inst);
    } catch (...) {
    }
}

struct OutputStage {
    float trim;
    float limiter;
};

double finishSample(double y, OutputStage out) noexcept {
    y = y * out.trim;
    return out.limiter > 0.01f ? softLimit(y, out.limiter) : y;
}

// The same output stage for both channels of a sane sample. tanh comes from fast_math.h,
// the two constant divisions become one multiplication and the two remaining divisions
// one: all within a few units of the last place of the double result.
StereoPair finishPair(StereoPair y, OutputStage out) noexcept {
    y = y * splat(out.trim);
    if (!(out.limiter > 0.01f)) {
        return y;
    }
    const double l = out.limiter;
    constexpr double kScale = 100.0 / 20.0 / 580.0;
    StereoPair v = (splat(116.0) * y * y - splat(0.00375)) * splat(kScale);
    v = minOf(maxOf(v, splat(0.0)), splat(4.0));
    const TanhParts t = tanhParts(splat(0.35 * l + 1.0) * y);
    const StereoPair limited = t.numerator / ((splat(1.0) + splat(0.25) * (v * v)) * t.denominator);
    return y * splat(1.0 - l) + limited * splat(l);
}

// A sample whose input is not finite (or absurdly large) goes through every stage one
// channel at a time, with the checks that reset a stage that blows up.
StereoPair runCheckedSample(Engine& inst, Cascade& cascade, double L, double R) noexcept {
    storeStates(cascade, inst, false);
    double yl = L;
    double yr = R;
    for (std::size_t i = 0; i < cascade.count; ++i) {
        BandFilter& f = inst.filters[cascade.stages[i].filter];
        yl = runStage(f.coeffs, f.s1L, f.s2L, yl);
        yr = runStage(f.coeffs, f.s1R, f.s2R, yr);
    }
    loadCascade(inst, cascade);
    return pairOf(yl, yr);
}

// Inputs up to this size cannot overflow any stable stage of the cascade, so the stages'
// own finiteness checks are only needed beyond it (or for NaN and infinities).
constexpr double kSaneInput = 1e100;

// The samples between two modulation ticks, after the detector has seen them: the
// cascade first (its recursion is the critical path), then the output stage over the
// whole run (independent samples, so they pipeline), then the analyser feed.
constexpr std::int32_t kMaxRun = 32;

void filterRun(Engine& inst, Cascade& cascade, OutputStage out, float* left, float* right,
               std::int32_t run) noexcept {
    StereoPair y[kMaxRun];
    bool checked[kMaxRun];
    for (std::int32_t i = 0; i < run; ++i) {
        const StereoPair x = pairOf(left[i], right[i]);
        checked[i] = !bothWithin(x, kSaneInput);
        y[i] = checked[i] ? runCheckedSample(inst, cascade, left[i], right[i])
                          : runCascade(cascade, x);
    }
    std::int32_t i = 0;
#if TOLVANE_SSE2
    if (out.limiter > 0.01f && wideVectorsInUse()) {
        for (; i + 1 < run && !checked[i] && !checked[i + 1]; i += 2) {
            finishTwoWide(y + i, out.trim, out.limiter, left + i, right + i);
        }
    }
#endif
    for (; i < run; ++i) {
        if (checked[i]) {
            left[i] = static_cast<float>(finishSample(leftOf(y[i]), out));
            right[i] = static_cast<float>(finishSample(rightOf(y[i]), out));
        } else {
            const StereoPair z = finishPair(y[i], out);
            left[i] = static_cast<float>(leftOf(z));
            right[i] = static_cast<float>(rightOf(z));
        }
    }
}

// The per-sample work when the cascade does not fit the compact form (more than 32
// enabled bands): every stage one channel at a time, as the checked path does.
void filterSampleSlowly(Engine& inst, OutputStage out, float& left, float& right) noexcept {
    double yl = left;
    double yr = right;
    const std::size_t stages = std::min(inst.bands.size(), inst.filters.size());
    for (std::size_t i = 0; i < stages; ++i) {
        if (inst.bands[i].enabled) {
            BandFilter& f = inst.filters[i];
            yl = runStage(f.coeffs, f.s1L, f.s2L, yl);
            yr = runStage(f.coeffs, f.s1R, f.s2R, yr);
        }
    }
    left = static_cast<float>(finishSample(yl, out));
    right = static_cast<float>(finishSample(yr, out));
}

// Runs the detector over the samples up to the next modulation tick and answers how many
// that is (at most kMaxRun). A tick can only fall on the run's first sample: it runs right
// after that sample's detector step and before any of the run is filtered, exactly where
// the sample-by-sample order puts it.
std::int32_t detectRun(Engine& inst, Cascade& cascade, const float* left, const float* right,
                       std::int32_t available) noexcept {
    std::int32_t run = std::min({available, 31 - inst.modCounter, kMaxRun});
    std::int32_t first = 0;
    if (inst.modCounter >= 31) { // this sample ticks
        DetectorState state = takeDetector(inst);
        runDetector(inst, state, left[0], right[0]);
        giveDetector(inst, state);
        inst.modCounter = 0;
        finishDrives(inst);
        updateModulation(inst);
        reloadCoefficients(inst, cascade);
        run = std::min(available, kMaxRun);
        first = 1;
    }
    DetectorState state = takeDetector(inst);
    for (std::int32_t i = first; i < run; ++i) {
        runDetector(inst, state, left[i], right[i]);
    }
    giveDetector(inst, state);
    inst.modCounter += run - first;
    return run;
}

} // namespace

// Audio thread, on the audio engine; tests also run it on an engine they own.
void processBlock(Engine& inst, float* left, float* right, std::int32_t count) noexcept {
    if (param(inst, ParamBypass) >= 0.5f) {
        return; // bypass freezes every piece of state
    }
    resyncFilters(inst);
    const double p0 = param(inst, ParamOutputTrim);
    const OutputStage out{std::pow(10.0f, static_cast<float>((p0 * 24.0 - 12.0) / 20.0)),
                          param(inst, ParamLimiter)};
    if (count < 1 || left == nullptr || right == nullptr) {
        return;
    }
    Cascade cascade;
    loadCascade(inst, cascade);
    for (std::int32_t n = 0; n < count;) {
        const std::int32_t run = detectRun(inst, cascade, left + n, right + n, count - n);
        if (cascade.complete) {
            filterRun(inst, cascade, out, left + n, right + n, run);
        } else {
            for (std::int32_t i = n; i < n + run; ++i) {
                filterSampleSlowly(inst, out, left[i], right[i]);
            }
        }
        feedAnalyser(inst, left + n, right + n, run);
        n += run;
    }
    storeStates(cascade, inst, true);
    finishDrives(inst);
}
