// processBlock's loop with the skewed cascade: outputs come out of the cascade up to seven
// samples after their input went in, so the output stage and the analyser feed follow the
// samples as they come out, and the pipeline empties wherever the plain order needs every
// earlier sample finished: before a tick that an analysis among them would inform, before
// a sample that is not sane, and at the block's end.
#include "dsp/process_skewed.h"

#include "dsp/audio_path.h"
#include "dsp/detector.h"

#include <limits>

#if TOLVANE_SSE2
namespace {

// The block's samples whose cascade output is in, but whose output stage is still to come:
// with the skewed cascade, outputs come out up to seven samples after their input went in.
struct Emerging {
    StereoPair y[kMaxRun + SkewedCascade::kMaxStages];
    std::int32_t next = 0; // block index of the oldest sample not yet finished
};

// Output stage and analyser feed for the `count` outputs that came out into `e.y`.
void finishEmerged(Engine& inst, Emerging& e, std::int32_t count, OutputStage out, float* left,
                   float* right) noexcept {
    static constexpr bool kNoneChecked[kMaxRun + SkewedCascade::kMaxStages] = {};
    finishOutputs(e.y, kNoneChecked, count, out, left + e.next, right + e.next);
    feedAnalyser(inst, left + e.next, right + e.next, count);
    e.next += count;
}

// How many samples at the start are sane, four at a time. Every finite float lies within
// kSaneInput, so in single precision "sane" is "not infinite and not a number".
std::int32_t saneLength(const float* left, const float* right, std::int32_t count) noexcept {
    static_assert(kSaneInput >= std::numeric_limits<float>::max());
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    const __m128 largest = _mm_set1_ps(std::numeric_limits<float>::max());
    std::int32_t i = 0;
    for (; i + 3 < count; i += 4) {
        // "Not less or equal" is also true for NaN.
        const __m128 l = _mm_cmpnle_ps(_mm_and_ps(_mm_loadu_ps(left + i), magnitude), largest);
        const __m128 r = _mm_cmpnle_ps(_mm_and_ps(_mm_loadu_ps(right + i), magnitude), largest);
        const int bad = _mm_movemask_ps(_mm_or_ps(l, r));
        if (bad != 0) {
            return i + __builtin_ctz(static_cast<unsigned>(bad));
        }
    }
    for (; i < count; ++i) {
        if (!bothWithin(pairOf(left[i], right[i]), kSaneInput)) {
            return i;
        }
    }
    return count;
}

// A run through the skewed cascade (`n`: its first sample's block index): its sane samples
// into the pipeline and whatever comes out through the output stage; a sample that is not
// sane waits for the pipeline to empty and takes the checked path.
void skewedRun(Engine& inst, Cascade& cascade, SkewedCascade& pipe, Emerging& e, Run run,
               OutputStage out, float* left, float* right, std::int32_t n) noexcept {
    DetectorState detector = takeDetector(inst);
    for (std::int32_t i = 0; i < run.length;) {
        float* l = left + n + i;
        float* r = right + n + i;
        const std::int32_t sane = saneLength(l, r, run.length - i);
        if (sane > 0) {
            const std::int32_t came =
                runSkewed(pipe, cascade, inst, detector, run.detectFrom - i, l, r, sane, e.y);
            finishEmerged(inst, e, came, out, left, right);
            i += sane;
            continue;
        }
        finishEmerged(inst, e, drainSkewed(pipe, cascade, e.y), out, left, right);
        if (i >= run.detectFrom) {
            runDetector(inst, detector, *l, *r);
        }
        const StereoPair y = runCheckedSample(inst, cascade, *l, *r);
        *l = static_cast<float>(finishSample(leftOf(y), out));
        *r = static_cast<float>(finishSample(rightOf(y), out));
        feedAnalyser(inst, l, r, 1);
        e.next += 1;
        ++i;
    }
    giveDetector(inst, detector);
}

// A tick reads the spectrum: if an analysis would complete among the samples still in
// flight, they must come out (and be analysed) first, as they would have without the lag.
// A tick also changes the coefficients, which samples in flight on two sets already (after
// a run cut short) could not take.
void drainBeforeTick(Engine& inst, Cascade& cascade, SkewedCascade& pipe, Emerging& e,
                     OutputStage out, float* left, float* right) noexcept {
    const bool ticks = !(inst.modCounter < 31);
    const bool analyses = inst.analysisPos + pipe.inFlight >= kAnalysisSize;
    const bool mixed = pipe.fresh != 0;
    if (ticks && pipe.inFlight > 0 && (analyses || mixed)) {
        finishEmerged(inst, e, drainSkewed(pipe, cascade, e.y), out, left, right);
    }
}

} // namespace

void processSkewed(Engine& inst, Cascade& cascade, SkewedCascade& pipe, OutputStage out,
                   float* left, float* right, std::int32_t count) noexcept {
    Emerging e;
    for (std::int32_t n = 0; n < count;) {
        drainBeforeTick(inst, cascade, pipe, e, out, left, right);
        const Run run = startRun(inst, cascade, left + n, right + n, count - n);
        skewedRun(inst, cascade, pipe, e, run, out, left, right, n);
        n += run.length;
    }
    finishEmerged(inst, e, drainSkewed(pipe, cascade, e.y), out, left, right);
}
#endif
