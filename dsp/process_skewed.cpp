// processBlock's loop with the skewed cascade: outputs come out of the cascade up to seven
// samples after their input went in, so the output stage and the analyser feed follow the
// samples as they come out, and the pipeline empties wherever the plain order needs every
// earlier sample finished: before a tick that an analysis among them would inform, before
// a sample that is not sane, and at the block's end.
#include "dsp/process_skewed.h"

#include "dsp/audio_path.h"

#include <limits>

namespace {

// The block's samples whose cascade output is in, but whose output stage is still to come:
// with the skewed cascade, outputs come out up to seven samples after their input went in,
// and they are gathered over several runs before the output stage takes them, so that its
// work (independent samples) overlaps instead of waiting on each run's few.
struct Emerging {
    static constexpr std::int32_t kCapacity = 8 * kMaxRun;
    StereoPair y[kCapacity];
    std::int32_t gathered = 0; // outputs in y, for the samples from `next` on
    std::int32_t next = 0;     // block index of the oldest sample not yet finished
    StereoPair* end() noexcept { return y + gathered; }
};

// Output stage and analyser feed for the outputs gathered.
void finishEmerged(const Kernels& k, Engine& inst, Emerging& e, OutputStage out, float* left,
                   float* right) noexcept {
    static constexpr bool kNoneChecked[Emerging::kCapacity] = {};
    finishOutputs(k, e.y, kNoneChecked, e.gathered, out, left + e.next, right + e.next);
    feedAnalyser(k, inst, left + e.next, right + e.next, e.gathered);
    e.next += e.gathered;
    e.gathered = 0;
}

// `came` more outputs are in: finished at once only when the next run's could overflow.
void gather(const Kernels& k, Engine& inst, Emerging& e, std::int32_t came, OutputStage out,
            float* left, float* right) noexcept {
    e.gathered += came;
    if (e.gathered > Emerging::kCapacity - kMaxRun - SkewedCascade::kMaxStages) {
        finishEmerged(k, inst, e, out, left, right);
    }
}

// Every sample before the pipeline's through the output stage and the analyser.
void empty(const Kernels& k, Engine& inst, Cascade& cascade, SkewedCascade& pipe, Emerging& e,
           OutputStage out, float* left, float* right) noexcept {
    e.gathered += k.drainSkewed(pipe, cascade, e.end());
    finishEmerged(k, inst, e, out, left, right);
}

// A run through the skewed cascade (`n`: its first sample's block index): its sane samples
// into the pipeline and whatever comes out through the output stage; a sample that is not
// sane waits for the pipeline to empty and takes the checked path.
void skewedRun(const Kernels& k, Engine& inst, Cascade& cascade, SkewedCascade& pipe, Emerging& e,
               Run run, OutputStage out, float* left, float* right, std::int32_t n) noexcept {
    static_assert(kSaneInput >= std::numeric_limits<float>::max(),
                  "every finite float is sane: the finite samples can skip the checked path");
    const DetectorTerms terms = inst.detectorTerms;
    DetectorState detector = inst.detector;
    for (std::int32_t i = 0; i < run.length;) {
        float* l = left + n + i;
        float* r = right + n + i;
        const std::int32_t sane = k.finiteLength(l, r, run.length - i);
        if (sane > 0) {
            const std::int32_t came = k.runSkewed(pipe, cascade, terms, detector,
                                                  run.detectFrom - i, l, r, sane, e.end());
            gather(k, inst, e, came, out, left, right);
            i += sane;
            continue;
        }
        empty(k, inst, cascade, pipe, e, out, left, right);
        if (i >= run.detectFrom) {
            detectOne(inst, detector, *l, *r);
        }
        static constexpr bool kChecked[1] = {true};
        const StereoPair y = runCheckedSample(inst, cascade, *l, *r);
        finishOutputs(k, &y, kChecked, 1, out, l, r);
        feedAnalyser(k, inst, l, r, 1);
        e.next += 1;
        ++i;
    }
    inst.detector = detector;
}

// A tick reads the spectrum: if an analysis would complete among the samples still in
// flight, they must come out (and be analysed) first, as they would have without the lag.
// A tick also changes the coefficients, which samples in flight on two sets already (after
// a run cut short) could not take.
void drainBeforeTick(const Kernels& k, Engine& inst, Cascade& cascade, SkewedCascade& pipe,
                     Emerging& e, OutputStage out, float* left, float* right) noexcept {
    const bool ticks = !(inst.modCounter < 31);
    const bool analyses = inst.analysisPos + e.gathered + pipe.inFlight >= kAnalysisSize;
    const bool mixed = pipe.fresh != 0;
    if (ticks && analyses) {
        empty(k, inst, cascade, pipe, e, out, left, right);
    } else if (ticks && mixed && pipe.inFlight > 0) {
        gather(k, inst, e, k.drainSkewed(pipe, cascade, e.end()), out, left, right);
    }
}

} // namespace

void processSkewed(const Kernels& k, Engine& inst, Cascade& cascade, SkewedCascade& pipe,
                   OutputStage out, float* left, float* right, std::int32_t count) noexcept {
    Emerging e;
    for (std::int32_t n = 0; n < count;) {
        drainBeforeTick(k, inst, cascade, pipe, e, out, left, right);
        const Run run = startRun(inst, cascade, left + n, right + n, count - n);
        skewedRun(k, inst, cascade, pipe, e, run, out, left, right, n);
        n += run.length;
    }
    empty(k, inst, cascade, pipe, e, out, left, right);
}
