// The skewed cascade (cascade_skewed.h) on processors with AVX-512: two stages per 256-bit
// register, per lane the AVX2 kernel's fused stage, so the outputs and states are its bits.
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx512/avx512.h"
#include "dsp/x86/avx512/lanes.h"

#include <algorithm>

namespace avx512 {

namespace {

constexpr std::int32_t kMaxRun = 32;
constexpr int kFieldCount = 5;
constexpr StereoPair CascadeStage::*kFields[kFieldCount] = {
    &CascadeStage::b0, &CascadeStage::b1, &CascadeStage::b2, &CascadeStage::a1, &CascadeStage::a2};
// A stage past the cascade's end passes its input through (and nothing reads its output).
constexpr double kPassThrough[kFieldCount] = {1.0, 0.0, 0.0, 0.0, 0.0};

// The running values, in registers; the coefficients are read from memory at each step
// (as operands of the multiply-adds), which leaves the registers to these.
template <int R> struct Registers {
    __m256d s1[R], s2[R];
    __m256d x[R]; // each stage's input at the coming step
};

// Both sets of coefficients: `present` (the cascade's, which samples from this call on
// use) and `kept` (those the older samples in flight use).
struct Coefficients {
    double (*present)[2 * SkewedCascade::kMaxStages];
    const double (*kept)[2 * SkewedCascade::kMaxStages];
};

// Register r's two stages' pairs of one field (stages from `count` on get `pad`).
TOLVANE_REGISTER_FILE inline __m256d twoStages(const Cascade& c, int count, int r,
                                               StereoPair CascadeStage::*field, double pad) {
    const int s = 2 * r;
    const __m128d low = s < count ? (c.stages[s].*field).v : _mm_set1_pd(pad);
    const __m128d high = s + 1 < count ? (c.stages[s + 1].*field).v : _mm_set1_pd(pad);
    return _mm256_set_m128d(high, low);
}

template <int R>
TOLVANE_REGISTER_FILE [[gnu::always_inline]] inline void
take(Registers<R>& g, Coefficients& k, SkewedCascade& p, const Cascade& c, int count) {
    k.kept = p.sets[p.kept];
    k.present = p.sets[1 - p.kept];
#pragma GCC unroll 4
    for (int r = 0; r < R; ++r) {
#pragma GCC unroll 5
        for (int f = 0; f < kFieldCount; ++f) {
            _mm256_storeu_pd(k.present[f] + 4 * r,
                             twoStages(c, count, r, kFields[f], kPassThrough[f]));
        }
        g.s1[r] = twoStages(c, count, r, &CascadeStage::s1, 0.0);
        g.s2[r] = twoStages(c, count, r, &CascadeStage::s2, 0.0);
        g.x[r] = _mm256_loadu_pd(p.x + 4 * r);
    }
}

// Stores the states and the inputs in flight; with `keepPresent`, the present coefficients
// become those of the samples in flight (all of them use them).
template <int R>
TOLVANE_REGISTER_FILE [[gnu::always_inline]] inline void
give(const Registers<R>& g, SkewedCascade& p, Cascade& c, int count, bool keepPresent) {
    if (keepPresent) {
        p.kept = 1 - p.kept;
    }
#pragma GCC unroll 4
    for (int r = 0; r < R; ++r) {
        _mm256_storeu_pd(p.x + 4 * r, g.x[r]);
        const int s = 2 * r;
        if (s < count) {
            c.stages[s].s1.v = _mm256_castpd256_pd128(g.s1[r]);
            c.stages[s].s2.v = _mm256_castpd256_pd128(g.s2[r]);
        }
        if (s + 1 < count) {
            c.stages[s + 1].s1.v = _mm256_extractf128_pd(g.s1[r], 1);
            c.stages[s + 1].s2.v = _mm256_extractf128_pd(g.s2[r], 1);
        }
    }
}

// Lanes of register r whose stage s satisfies low <= s <= high.
inline __mmask8 stageLanes(int low, int high, int r) {
    unsigned lanes = 0;
    if (low <= 2 * r && 2 * r <= high) {
        lanes |= 0x3;
    }
    if (low <= 2 * r + 1 && 2 * r + 1 <= high) {
        lanes |= 0xC;
    }
    return static_cast<__mmask8>(lanes);
}

// One register's two stages on their samples, with coefficients `k` (b0, b1, b2, a1, a2):
// the plain cascade's fused steps. Answers the outputs and the new states.
struct StagePair {
    __m256d out, s1, s2;
};

TOLVANE_REGISTER_FILE [[gnu::always_inline]] inline StagePair
runStagePair(const __m256d* k, __m256d x, __m256d s1, __m256d s2) {
    const StageCoefficients<Lanes4> c{{k[0]}, {k[1]}, {k[2]}, {k[3]}, {k[4]}};
    const StageStep<Lanes4> step = biquadStep(c, Lanes4{x}, Lanes4{s1}, Lanes4{s2});
    return {step.y.v, step.s1.v, step.s2.v};
}

// Each output moved on to the next stage's input, and `next` (a pair) into the first's.
template <int R>
TOLVANE_REGISTER_FILE [[gnu::always_inline]] inline void moveOn(Registers<R>& g, __m128d next,
                                                                const __m256d* out) {
    g.x[0] = _mm256_permute2f128_pd(_mm256_castpd128_pd256(next), out[0], 0x20);
#pragma GCC unroll 4
    for (int r = 1; r < R; ++r) {
        g.x[r] = _mm256_permute2f128_pd(out[r - 1], out[r], 0x21);
    }
}

// One step: every stage on its sample, then the outputs moved on. With `Partial`, only
// the stages in `active` keep their new states, and those not in `fresh` use the
// coefficients of the samples in flight.
template <int R, bool Partial>
TOLVANE_REGISTER_FILE [[gnu::always_inline]] inline void
step(Registers<R>& g, const Coefficients& c, __m128d next, const __mmask8* active,
     const __mmask8* fresh, __m256d* out) {
#pragma GCC unroll 4
    for (int r = 0; r < R; ++r) {
        __m256d k[kFieldCount];
#pragma GCC unroll 5
        for (int f = 0; f < kFieldCount; ++f) {
            const __m256d present = _mm256_loadu_pd(c.present[f] + 4 * r);
            k[f] = Partial
                       ? _mm256_mask_blend_pd(fresh[r], _mm256_loadu_pd(c.kept[f] + 4 * r), present)
                       : present;
        }
        const StagePair p = runStagePair(k, g.x[r], g.s1[r], g.s2[r]);
        out[r] = p.out;
        if constexpr (Partial) {
            g.s1[r] = _mm256_mask_mov_pd(g.s1[r], active[r], p.s1);
            g.s2[r] = _mm256_mask_mov_pd(g.s2[r], active[r], p.s2);
        } else {
            g.s1[r] = p.s1;
            g.s2[r] = p.s2;
        }
    }
    moveOn<R>(g, next, out);
}

// Step J of a call that finds the pipeline full: every stage has a sample, those up to
// stage J one of this call (present coefficients), the others one in flight (kept). Only
// the register holding stages J and J + 1 (J even) mixes the two sets.
template <int R, int J>
TOLVANE_REGISTER_FILE [[gnu::always_inline]] inline void
switchStep(Registers<R>& g, const Coefficients& c, __m128d next, __m256d* out) {
#pragma GCC unroll 4
    for (int r = 0; r < R; ++r) {
        __m256d k[kFieldCount];
#pragma GCC unroll 5
        for (int f = 0; f < kFieldCount; ++f) {
            if (2 * r + 1 <= J) {
                k[f] = _mm256_loadu_pd(c.present[f] + 4 * r);
            } else if (2 * r > J) {
                k[f] = _mm256_loadu_pd(c.kept[f] + 4 * r);
            } else { // stage 2r (lanes 0-1) on this call's sample, stage 2r + 1 on a kept one
                k[f] = _mm256_blend_pd(_mm256_loadu_pd(c.kept[f] + 4 * r),
                                       _mm256_loadu_pd(c.present[f] + 4 * r), 0x3);
            }
        }
        const StagePair p = runStagePair(k, g.x[r], g.s1[r], g.s2[r]);
        out[r] = p.out;
        g.s1[r] = p.s1;
        g.s2[r] = p.s2;
    }
    moveOn<R>(g, next, out);
}

// The last stage's output pair (stage `Last`) from a step's outputs.
template <int Last>
TOLVANE_REGISTER_FILE [[gnu::always_inline]] inline __m128d lastStage(const __m256d* out) {
    const __m256d v = out[Last / 2];
    return Last % 2 == 0 ? _mm256_castpd256_pd128(v) : _mm256_extractf128_pd(v, 1);
}

TOLVANE_REGISTER_FILE inline __m128d pairAt(const float* left, const float* right, int i) {
    return _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(left + i), _mm_load_ss(right + i)));
}

// The steps 0 .. N - 2 of a call that finds the pipeline full (one switchStep each), with
// their detector steps and the outputs that come out.
struct CallInputs {
    const float* left;
    const float* right;
    std::int32_t count;
    std::int32_t detectFrom;
    const double* detectorInputs;
};

template <int N, int J>
TOLVANE_REGISTER_FILE [[gnu::always_inline]] inline void
switchFrom(Registers<(N + 1) / 2>& g, const Coefficients& k, const CallInputs& in,
           const DetectorTerms& terms, DetectorState& d, StereoPair* y) {
    if constexpr (J < N - 1) {
        if (J >= in.detectFrom) {
            stepDetector(terms, d, in.detectorInputs[J]);
        }
        __m256d out[(N + 1) / 2];
        const __m128d next = J + 1 < in.count ? pairAt(in.left, in.right, J + 1) : _mm_setzero_pd();
        switchStep<(N + 1) / 2, J>(g, k, next, out);
        y[J].v = lastStage<N - 1>(out);
        switchFrom<N, J + 1>(g, k, in, terms, d, y);
    }
}

// Stage s works on sample j - s of this call at step j (negative: a sample in flight; the
// newest `fresh` of those are on the present coefficients, the others on the kept ones).
// The steps before `last` may find stages idle (the pipeline was not full) or on a sample
// in flight; from step `last` on, every stage has a sample of this call.
template <int N>
TOLVANE_REGISTER_FILE std::int32_t runPipe(SkewedCascade& p, Cascade& c, const DetectorTerms& terms,
                                           DetectorState& detector, std::int32_t detectFrom,
                                           const float* left, const float* right, std::int32_t n,
                                           StereoPair* y) noexcept {
    constexpr int R = (N + 1) / 2;
    constexpr int count = N;
    constexpr int last = N - 1;
    const int inFlight = p.inFlight;
    const int onPresent = p.fresh; // the newest samples in flight already on them
    Registers<R> g;
    Coefficients k;
    take<R>(g, k, p, c, count);
    g.x[0] = _mm256_blend_pd(g.x[0], _mm256_castpd128_pd256(pairAt(left, right, 0)), 0x3);
    DetectorState d = detector;
    double inputs[kMaxRun];
    avx2::detectorInputs(left, right, n, inputs);
    std::int32_t emitted = 0;
    std::int32_t j = 0;
    if (inFlight == last && onPresent == 0 && n >= last) { // the usual case: a tick, full
        switchFrom<N, 0>(g, k, CallInputs{left, right, n, detectFrom, inputs}, terms, d, y);
        emitted = last;
        j = last;
    }
    for (; j < std::min(last, n); ++j) {
        __mmask8 active[R], fresh[R];
        for (int r = 0; r < R; ++r) {
            active[r] = stageLanes(0, j + inFlight, r);
            fresh[r] = stageLanes(0, j + onPresent, r);
        }
        if (j >= detectFrom) {
            stepDetector(terms, d, inputs[j]);
        }
        __m256d out[R];
        const __m128d next = j + 1 < n ? pairAt(left, right, j + 1) : _mm_setzero_pd();
        step<R, true>(g, k, next, active, fresh, out);
        if (last <= j + inFlight) {
            y[emitted++].v = lastStage<last>(out);
        }
    }
    for (; j < n; ++j) {
        if (j >= detectFrom) {
            stepDetector(terms, d, inputs[j]);
        }
        __m256d out[R];
        const __m128d next = j + 1 < n ? pairAt(left, right, j + 1) : _mm_setzero_pd();
        step<R, false>(g, k, next, nullptr, nullptr, out);
        y[emitted++].v = lastStage<last>(out);
    }
    // All in flight on the present coefficients: they become the kept ones. Otherwise the
    // newest stay marked as on the present ones.
    p.inFlight = std::min(inFlight + n, last);
    const int present = std::min(n + onPresent, p.inFlight);
    p.fresh = present == p.inFlight ? 0 : present;
    give<R>(g, p, c, count, p.fresh == 0);
    detector = d;
    return emitted;
}

// The samples in flight through the stages they have still to pass: at step j stage s
// works on the sample s - j steps back, if that is one of them.
template <int N>
TOLVANE_REGISTER_FILE std::int32_t drainPipe(SkewedCascade& p, Cascade& c, StereoPair* y) noexcept {
    constexpr int R = (N + 1) / 2;
    constexpr int count = N;
    constexpr int last = N - 1;
    const int inFlight = p.inFlight;
    Registers<R> g;
    Coefficients k;
    take<R>(g, k, p, c, count);
    const int fresh = p.fresh;
    std::int32_t emitted = 0;
    for (int j = 0; j < last; ++j) {
        // Stage s has the sample s - j places back from the newest in flight.
        __mmask8 active[R], present[R];
        for (int r = 0; r < R; ++r) {
            active[r] = stageLanes(j + 1, j + inFlight, r);
            present[r] = stageLanes(0, j + fresh, r);
        }
        __m256d out[R];
        step<R, true>(g, k, _mm_setzero_pd(), active, present, out);
        if (last - inFlight <= j) {
            y[emitted++].v = lastStage<last>(out);
        }
    }
    p.inFlight = 0;
    p.fresh = 0;
    give<R>(g, p, c, count, true);
    return emitted;
}

} // namespace

TOLVANE_AVX512 bool startSkewed(SkewedCascade& pipe, const Cascade& cascade) noexcept {
    const auto count = static_cast<std::int32_t>(cascade.count);
    if (!cascade.complete || count < 1 || count > SkewedCascade::kMaxStages) {
        pipe.stages = 0;
        return false;
    }
    pipe.stages = count;
    pipe.inFlight = 0;
    pipe.fresh = 0;
    pipe.kept = 0;
    std::fill(std::begin(pipe.x), std::end(pipe.x), 0.0);
    for (int f = 0; f < kFieldCount; ++f) {
        for (int s = 0; s < SkewedCascade::kMaxStages; ++s) {
            const double v = s < count ? leftOf(cascade.stages[s].*kFields[f]) : kPassThrough[f];
            pipe.sets[0][f][2 * s] = v;
            pipe.sets[0][f][2 * s + 1] = v;
        }
    }
    return true;
}

std::int32_t runSkewed(SkewedCascade& pipe, Cascade& cascade, const DetectorTerms& terms,
                       DetectorState& detector, std::int32_t detectFrom, const float* left,
                       const float* right, std::int32_t count, StereoPair* y) noexcept {
    if (count < 1 || count > kMaxRun) {
        return 0; // never happens: runs are at most kMaxRun samples
    }
    using Run = std::int32_t (*)(SkewedCascade&, Cascade&, const DetectorTerms&, DetectorState&,
                                 std::int32_t, const float*, const float*, std::int32_t,
                                 StereoPair*) noexcept;
    static constexpr Run kRuns[SkewedCascade::kMaxStages] = {runPipe<1>, runPipe<2>, runPipe<3>,
                                                             runPipe<4>, runPipe<5>, runPipe<6>,
                                                             runPipe<7>, runPipe<8>};
    return kRuns[pipe.stages - 1](pipe, cascade, terms, detector, detectFrom, left, right, count,
                                  y);
}

std::int32_t drainSkewed(SkewedCascade& pipe, Cascade& cascade, StereoPair* y) noexcept {
    if (pipe.inFlight < 1) {
        return 0;
    }
    using Drain = std::int32_t (*)(SkewedCascade&, Cascade&, StereoPair*) noexcept;
    static constexpr Drain kDrains[SkewedCascade::kMaxStages] = {
        drainPipe<1>, drainPipe<2>, drainPipe<3>, drainPipe<4>,
        drainPipe<5>, drainPipe<6>, drainPipe<7>, drainPipe<8>};
    return kDrains[pipe.stages - 1](pipe, cascade, y);
}

} // namespace avx512
