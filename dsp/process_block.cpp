// The audio path: detector, modulation tick, band cascade, trim, soft limiter and the
// analyser feed, both channels of the cascade and the output stage together. The work
// each instruction set does its own way goes through the kernels (kernels.h).
#include "dsp/audio_path.h"
#include "dsp/cascade.h"
#include "dsp/detector.h"
#include "dsp/engine.h"
#include "dsp/kernels.h"
#include "dsp/process_skewed.h"

#include <algorithm>

namespace {

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

// The run through the cascade, with the detector steps of its samples from `detectFrom`
// on interleaved (they are independent of the filters, so their recursions overlap): sane
// samples through the cascade kernel, any other sample on the checked path.
void runCascadeOver(const Kernels& k, Engine& inst, Cascade& cascade, DetectorState& detector,
                    std::int32_t detectFrom, const float* left, const float* right, StereoPair* y,
                    bool* checked, std::int32_t run) noexcept {
    const DetectorTerms terms = inst.detectorTerms;
    for (std::int32_t i = 0; i < run;) {
        const std::int32_t sane = k.cascadeRun(cascade, terms, detector, detectFrom - i, left + i,
                                               right + i, y + i, run - i, kSaneInput);
        std::fill_n(checked + i, sane, false);
        i += sane;
        if (i < run) {
            if (i >= detectFrom) {
                detectOne(inst, detector, left[i], right[i]);
            }
            checked[i] = true;
            y[i] = runCheckedSample(inst, cascade, left[i], right[i]);
            ++i;
        }
    }
}

// The samples between two modulation ticks through the cascade, after the detector has
// seen them, into the outputs gathered for the output stage.
void filterRun(const Kernels& k, Engine& inst, Cascade& cascade, std::int32_t detectFrom,
               const float* left, const float* right, std::int32_t run, Gathered& g) noexcept {
    // The engine's own detector, as in the skewed loop (process_skewed.cpp).
    runCascadeOver(k, inst, cascade, inst.detector, detectFrom, left, right, g.y + g.count,
                   g.checked + g.count, run);
    g.count += run;
}

// A run when the cascade does not fit the compact form (more than 32 enabled bands):
// every stage one channel at a time, as the checked path does.
void filterRunSlowly(Engine& inst, Run run, const float* left, const float* right,
                     Gathered& g) noexcept {
    DetectorState detector = inst.detector;
    for (std::int32_t i = run.detectFrom; i < run.length; ++i) {
        detectOne(inst, detector, left[i], right[i]);
    }
    inst.detector = detector;
    for (std::int32_t i = 0; i < run.length; ++i) {
        g.y[g.count] = runFiltersSlowly(inst, left[i], right[i]);
        g.checked[g.count] = true;
        ++g.count;
    }
}

} // namespace

// Audio thread, on the audio engine; tests also run it on an engine they own.
void processBlock(Engine& inst, float* left, float* right, std::int32_t count) noexcept {
    if (param(inst, ParamBypass) >= 0.5f) {
        return; // bypass freezes every piece of state
    }
    resyncFilters(inst);
    const OutputStage out = outputStage(trimGain(inst), param(inst, ParamLimiter));
    if (count < 1 || left == nullptr || right == nullptr) {
        return;
    }
    const Kernels& k = kernels();
    Cascade cascade;
    loadCascade(inst, cascade);
    SkewedCascade pipe;
    if (k.startSkewed(pipe, cascade)) {
        processSkewed(k, inst, cascade, pipe, out, left, right, count);
        storeStates(cascade, inst, true);
        finishDrives(inst);
        return;
    }
    Gathered g;
    for (std::int32_t n = 0; n < count;) {
        if (tickNeedsGathered(inst, g, 0)) {
            finishGathered(k, inst, g, out, left, right);
        }
        makeRoom(k, inst, g, kMaxRun, out, left, right);
        const Run run = startRun(inst, cascade, left + n, right + n, count - n);
        if (cascade.complete) {
            filterRun(k, inst, cascade, run.detectFrom, left + n, right + n, run.length, g);
        } else {
            filterRunSlowly(inst, run, left + n, right + n, g);
        }
        n += run.length;
    }
    finishGathered(k, inst, g, out, left, right);
    storeStates(cascade, inst, true);
    finishDrives(inst);
}
