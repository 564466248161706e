// The audio path: detector, modulation tick, band cascade, trim, soft limiter and the
// analyser feed, one stereo sample at a time.
#include "tests/reference/reference_engine.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace reference {

namespace {

// Level and transient detector. Its drives steer the per-band modulation.
void runDetector(Engine& inst, double L, double R) noexcept {
    double m = std::max(std::fabs(L), std::fabs(R));
    if (std::isnan(m) || m >= 1000000.0) {
        m = 0.0; // garbage input must not pump the envelopes
    }
    inst.peakHold = std::max(0.001, std::max(inst.peakHold * inst.peakHoldDecay, m));
    const double level = std::min(m / inst.peakHold, 1.0);
    const double c = level > inst.envLevel ? inst.envAttackCoef : inst.envReleaseCoef;
    inst.envLevel = (1.0 - c) * level + inst.envLevel * c;
    inst.midDrive = inst.envLevel * inst.envLevel * 81.0 / 91.0;
    inst.lowDrive = std::pow(inst.envLevel, 1.5);
    inst.fastLevel = inst.fastLevel + (level - inst.fastLevel) * inst.fastCoef;

    // ">=" rather than "==": a sample-rate change can lower decimation below the running
    // count, and the transient detector must not stall until the counter wraps.
    if (++inst.decimationCounter >= inst.decimation) {
        inst.decimationCounter = 0;
        auto& h = inst.levelHistory;
        const double d = (((inst.fastLevel - 4.0 * h[0]) + 6.0 * h[1]) - 4.0 * h[2]) + h[3];
        h = {inst.fastLevel, h[0], h[1], h[2]};
        inst.transientScale =
            std::max(0.02, std::max(inst.transientScale * inst.transientScaleDecay, std::fabs(d)));
        inst.transientHeld = std::clamp(d / inst.transientScale, -1.0, 1.0);
    }
    inst.highDrive = inst.highDrive + (inst.transientHeld - inst.highDrive) * inst.highDriveCoef;
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

void feedAnalyser(Engine& inst, float left, float right) noexcept {
    inst.analysisRing[static_cast<std::size_t>(inst.analysisPos)] = (right + left) * 0.5f;
    if (++inst.analysisPos > kAnalysisSize - 1) {
        runAnalyser(inst);
        inst.analysisPos = 0;
    }
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
    for (std::int32_t n = 0; n < count; ++n) {
        const double L = left[n];
        const double R = right[n];
        runDetector(inst, L, R);
        if (++inst.modCounter > 31) {
            inst.modCounter = 0;
            updateModulation(inst);
        }
        double yl = L;
        double yr = R;
        const std::size_t stages = std::min(inst.bands.size(), inst.filters.size());
        for (std::size_t i = 0; i < stages; ++i) {
            if (inst.bands[i].enabled) {
                BandFilter& f = inst.filters[i];
                yl = runStage(f.coeffs, f.s1L, f.s2L, yl);
                yr = runStage(f.coeffs, f.s1R, f.s2R, yr);
            }
        }
        left[n] = static_cast<float>(finishSample(yl, out));
        right[n] = static_cast<float>(finishSample(yr, out));
        feedAnalyser(inst, left[n], right[n]);
    }
}

} // namespace reference
