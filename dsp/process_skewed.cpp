// processBlock's loop with the skewed cascade: outputs come out of the cascade up to seven
// samples after their input went in, and are gathered for the output stage and the
// analyser feed with those before them; the pipeline empties wherever the plain order
// needs every earlier sample out: before a tick that an analysis among them would inform,
// before a sample that is not sane, and at the block's end.
#include "dsp/process_skewed.h"

#include "dsp/audio_path.h"

#include <limits>

namespace {

// The pipeline's outputs so far, gathered with those before them.
void gather(Gathered& g, std::int32_t came) noexcept {
    std::fill_n(g.checked + g.count, came, false);
    g.count += came;
}

// The samples still in the pipeline out, after those gathered.
void drain(const Kernels& k, Cascade& cascade, SkewedCascade& pipe, Gathered& g) noexcept {
    gather(g, k.drainSkewed(pipe, cascade, g.y + g.count));
}

// A run through the skewed cascade: its sane samples into the pipeline, and whatever comes
// out gathered; a sample that is not sane waits for the pipeline to empty and takes the
// checked path.
void skewedRun(const Kernels& k, Engine& inst, Cascade& cascade, SkewedCascade& pipe, Gathered& g,
               Run run, const float* left, const float* right) noexcept {
    static_assert(kSaneInput >= std::numeric_limits<float>::max(),
                  "every finite float is sane: the finite samples can skip the checked path");
    const DetectorTerms terms = inst.detectorTerms;
    // The engine's own: a copy written back whole would read the kernel's last stores with
    // wider loads than they were made with, and wait until they reach the cache.
    DetectorState& detector = inst.detector;
    for (std::int32_t i = 0; i < run.length;) {
        const float* l = left + i;
        const float* r = right + i;
        const std::int32_t sane = k.finiteLength(l, r, run.length - i);
        if (sane > 0) {
            gather(g, k.runSkewed(pipe, cascade, terms, detector, run.detectFrom - i, l, r, sane,
                                  g.y + g.count));
            i += sane;
            continue;
        }
        drain(k, cascade, pipe, g);
        if (i >= run.detectFrom) {
            detectOne(inst, detector, *l, *r);
        }
        g.y[g.count] = runCheckedSample(inst, cascade, *l, *r);
        g.checked[g.count] = true;
        ++g.count;
        ++i;
    }
}

// A tick reads the spectrum: if an analysis would complete among the samples gathered or
// still in flight, they must come out (and be analysed) first, as they would have without
// the lag. A tick also changes the coefficients, which samples in flight on two sets
// already (after a run cut short) could not take.
void drainBeforeTick(const Kernels& k, Engine& inst, Cascade& cascade, SkewedCascade& pipe,
                     Gathered& g, OutputStage out, float* left, float* right) noexcept {
    const bool ticks = !(inst.modCounter < 31);
    if (tickNeedsGathered(inst, g, pipe.inFlight)) {
        drain(k, cascade, pipe, g);
        finishGathered(k, inst, g, out, left, right);
    } else if (ticks && pipe.fresh != 0 && pipe.inFlight > 0) {
        drain(k, cascade, pipe, g);
    }
}

} // namespace

void processSkewed(const Kernels& k, Engine& inst, Cascade& cascade, SkewedCascade& pipe,
                   OutputStage out, float* left, float* right, std::int32_t count) noexcept {
    Gathered g;
    for (std::int32_t n = 0; n < count;) {
        drainBeforeTick(k, inst, cascade, pipe, g, out, left, right);
        // A run's samples and what the pipeline still holds.
        makeRoom(k, inst, g, kMaxRun + SkewedCascade::kMaxStages, out, left, right);
        const Run run = startRun(inst, cascade, left + n, right + n, count - n);
        skewedRun(k, inst, cascade, pipe, g, run, left + n, right + n);
        n += run.length;
    }
    drain(k, cascade, pipe, g);
    finishGathered(k, inst, g, out, left, right);
}
