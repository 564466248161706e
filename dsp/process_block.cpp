// The audio path: detector, modulation tick, band cascade, trim, soft limiter and the
// analyser feed, one stereo sample at a time, both channels of the cascade and the output
// stage together.
#include "dsp/audio_path.h"
#include "dsp/cascade.h"
#include "dsp/cascade_skewed.h"
#include "dsp/cascade_wide.h"
#include "dsp/cascade_widest.h"
#include "dsp/detector.h"
#include "dsp/engine.h"
#include "dsp/fast_math.h"
#include "dsp/output_stage_wide.h"
#include "dsp/output_stage_widest.h"
#include "dsp/process_skewed.h"
#include "dsp/vector_path.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

void finishDrives(Engine& inst) noexcept {
    inst.midDrive = inst.envLevel * inst.envLevel * 81.0 / 91.0;
    inst.lowDrive = powThreeHalves(inst.envLevel);
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

// The output trim's gain, worked out again only when the parameter moved (a host sends
// small blocks hundreds of times a second, and the trim rarely changes between them).
float trimGain(Engine& inst) noexcept {
    const float p = param(inst, ParamOutputTrim);
    if (!(p == inst.trimParam)) { // a NaN parameter never matches and is worked out each time
        const double p0 = p;
        inst.trimGain = std::pow(10.0f, static_cast<float>((p0 * 24.0 - 12.0) / 20.0));
        inst.trimParam = p;
    }
    return inst.trimGain;
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

// The run through the cascade, with the detector steps of its samples from `detectFrom`
// on interleaved (they are independent of the filters, so their recursions overlap): sane
// samples on the fastest path the processor has, any other sample on the checked path.
void runCascadeOver(Engine& inst, Cascade& cascade, DetectorState& detector,
                    std::int32_t detectFrom, const float* left, const float* right, StereoPair* y,
                    bool* checked, std::int32_t run) noexcept {
#if TOLVANE_SSE2
    if (wideVectorsInUse()) {
        const auto runSane = widestVectorsInUse() ? runCascadeWidest : runCascadeWide;
        for (std::int32_t i = 0; i < run;) {
            const std::int32_t sane = runSane(cascade, inst, detector, detectFrom - i, left + i,
                                              right + i, y + i, run - i, kSaneInput);
            std::fill_n(checked + i, sane, false);
            i += sane;
            if (i < run) {
                if (i >= detectFrom) {
                    runDetector(inst, detector, left[i], right[i]);
                }
                checked[i] = true;
                y[i] = runCheckedSample(inst, cascade, left[i], right[i]);
                ++i;
            }
        }
        return;
    }
#endif
    for (std::int32_t i = 0; i < run; ++i) {
        if (i >= detectFrom) {
            runDetector(inst, detector, left[i], right[i]);
        }
        const StereoPair x = pairOf(left[i], right[i]);
        checked[i] = !bothWithin(x, kSaneInput);
        y[i] = checked[i] ? runCheckedSample(inst, cascade, left[i], right[i])
                          : runCascade(cascade, x);
    }
}

// The samples between two modulation ticks, after the detector has seen them: the
// cascade first (its recursion is the critical path), then the output stage over the
// whole run (independent samples, so they pipeline), then the analyser feed.

void filterRun(Engine& inst, Cascade& cascade, std::int32_t detectFrom, OutputStage out,
               float* left, float* right, std::int32_t run) noexcept {
    StereoPair y[kMaxRun];
    bool checked[kMaxRun];
    DetectorState detector = takeDetector(inst);
    runCascadeOver(inst, cascade, detector, detectFrom, left, right, y, checked, run);
    giveDetector(inst, detector);
    finishOutputs(y, checked, run, out, left, right);
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

// The detector steps of a run the compact cascade does not handle.
void detectSlowly(Engine& inst, const float* left, const float* right, Run run) noexcept {
    DetectorState state = takeDetector(inst);
    for (std::int32_t i = run.detectFrom; i < run.length; ++i) {
        runDetector(inst, state, left[i], right[i]);
    }
    giveDetector(inst, state);
}

} // namespace

// The run's mono sum into the ring, analysing whenever it fills: as many samples at a time
// as fit before the ring's end, four per step.
void feedAnalyser(Engine& inst, const float* left, const float* right, std::int32_t run) noexcept {
    float* ring = inst.analysisRing.data();
    std::int32_t pos = inst.analysisPos;
    if (pos < 0 || pos >= kAnalysisSize) {
        pos = 0; // never happens: only this function moves it
    }
    for (std::int32_t i = 0; i < run;) {
        const std::int32_t chunk = std::min(run - i, kAnalysisSize - pos);
        std::int32_t j = 0;
#if TOLVANE_SSE2
        for (; j + 3 < chunk; j += 4) {
            const __m128 sum = _mm_add_ps(_mm_loadu_ps(right + i + j), _mm_loadu_ps(left + i + j));
            _mm_storeu_ps(ring + pos + j, _mm_mul_ps(sum, _mm_set1_ps(0.5f)));
        }
#endif
        for (; j < chunk; ++j) {
            ring[pos + j] = (right[i + j] + left[i + j]) * 0.5f;
        }
        i += chunk;
        pos += chunk;
        if (pos > kAnalysisSize - 1) {
            runAnalyser(inst);
            pos = 0;
        }
    }
    inst.analysisPos = pos;
}

double finishSample(double y, OutputStage out) noexcept {
    y = y * out.trim;
    return out.limiter > 0.01f ? softLimit(y, out.limiter) : y;
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

// Trim and limiter over the cascade's outputs of a stretch of samples, into the block.
void finishOutputs(const StereoPair* y, const bool* checked, std::int32_t count, OutputStage out,
                   float* left, float* right) noexcept {
    std::int32_t i = 0;
#if TOLVANE_SSE2
    if (out.limiter > 0.01f) {
        switch (vectorPathInUse()) {
        case VectorPath::Widest:
            i = finishRunWidest(y, checked, count, out.trim, out.limiter, left, right);
            break;
        case VectorPath::Wide:
            i = finishRunWide(y, checked, count, out.trim, out.limiter, left, right);
            break;
        case VectorPath::Baseline:
            break;
        }
    }
#endif
    for (; i < count; ++i) {
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

Run startRun(Engine& inst, Cascade& cascade, const float* left, const float* right,
             std::int32_t available) noexcept {
    if (inst.modCounter < 31) {
        const std::int32_t length = std::min({available, 31 - inst.modCounter, kMaxRun});
        inst.modCounter += length;
        return {length, 0};
    }
    DetectorState state = takeDetector(inst); // this sample ticks
    runDetector(inst, state, left[0], right[0]);
    giveDetector(inst, state);
    inst.modCounter = 0;
    finishDrives(inst);
    updateModulation(inst);
    reloadCoefficients(inst, cascade);
    const std::int32_t length = std::min(available, kMaxRun);
    inst.modCounter += length - 1;
    return {length, 1};
}

// Audio thread, on the audio engine; tests also run it on an engine they own.
void processBlock(Engine& inst, float* left, float* right, std::int32_t count) noexcept {
    if (param(inst, ParamBypass) >= 0.5f) {
        return; // bypass freezes every piece of state
    }
    resyncFilters(inst);
    const OutputStage out{trimGain(inst), param(inst, ParamLimiter)};
    if (count < 1 || left == nullptr || right == nullptr) {
        return;
    }
    Cascade cascade;
    loadCascade(inst, cascade);
#if TOLVANE_SSE2
    SkewedCascade pipe;
    if (widestVectorsInUse() && startSkewed(pipe, cascade)) {
        processSkewed(inst, cascade, pipe, out, left, right, count);
        storeStates(cascade, inst, true);
        finishDrives(inst);
        return;
    }
#endif
    for (std::int32_t n = 0; n < count;) {
        const Run run = startRun(inst, cascade, left + n, right + n, count - n);
        if (cascade.complete) {
            filterRun(inst, cascade, run.detectFrom, out, left + n, right + n, run.length);
        } else {
            detectSlowly(inst, left + n, right + n, run);
            for (std::int32_t i = n; i < n + run.length; ++i) {
                filterSampleSlowly(inst, out, left[i], right[i]);
            }
        }
        feedAnalyser(inst, left + n, right + n, run.length);
        n += run.length;
    }
    storeStates(cascade, inst, true);
    finishDrives(inst);
}
