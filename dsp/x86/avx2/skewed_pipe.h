// The skewed cascade's kernels (cascade_skewed.h: startSkewed, runSkewed, drainSkewed) for
// any processor with AVX2: two stages per 256-bit register, and at each step stage s works
// on the sample s steps behind stage 0. Outputs come out of the last stage up to seven
// samples after their input went in; between calls those samples stay in flight, so the
// pipeline fills and empties only where the audio path needs every earlier sample done.
// Per lane the arithmetic is the plain fused cascade's, so outputs and states are its bits.
//
// The lane masks come as a policy M (M::Mask, M::stageLanes, M::pick, M::detectorInputs):
// AVX-512's mask registers, or AVX2's all-ones lanes. The sixteen registers of AVX2 hold
// the states and inputs of four registers' eight stages; the detector's running values
// then go through memory, off the stages' recursions.
#pragma once

#include "dsp/cascade.h"
#include "dsp/cascade_skewed.h"
#include "dsp/detector.h"
#include "dsp/formulas.h"
#include "dsp/x86/avx2/lanes.h"

#include <immintrin.h>

#include <algorithm>
#include <cstdint>

// The templates below take their instruction set from the kernels they are inlined into.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// Each piece carries AVX2 as its own target, so it inlines into the kernels of either
// instruction set (theirs includes it).
#define TOLVANE_PIPE_STEP [[gnu::target("avx2,fma"), gnu::always_inline]] inline

namespace skewed_pipe {

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
TOLVANE_AVX2_LANE __m256d twoStages(const Cascade& c, int count, int r,
                                    StereoPair CascadeStage::*field, double pad) {
    const int s = 2 * r;
    const __m128d low = s < count ? (c.stages[s].*field).v : _mm_set1_pd(pad);
    const __m128d high = s + 1 < count ? (c.stages[s + 1].*field).v : _mm_set1_pd(pad);
    return _mm256_set_m128d(high, low);
}

template <int R>
TOLVANE_PIPE_STEP void take(Registers<R>& g, Coefficients& k, SkewedCascade& p, const Cascade& c,
                            int count) {
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
TOLVANE_PIPE_STEP void give(const Registers<R>& g, SkewedCascade& p, Cascade& c, int count,
                            bool keepPresent) {
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

// One register's two stages on their samples, with coefficients `k` (b0, b1, b2, a1, a2):
// the plain cascade's fused steps. Answers the outputs and the new states.
struct StagePair {
    __m256d out, s1, s2;
};

TOLVANE_PIPE_STEP StagePair runStagePair(const __m256d* k, __m256d x, __m256d s1, __m256d s2) {
    const StageCoefficients<Lanes4> c{{k[0]}, {k[1]}, {k[2]}, {k[3]}, {k[4]}};
    const StageStep<Lanes4> step = biquadStep(c, Lanes4{x}, Lanes4{s1}, Lanes4{s2});
    return {step.y.v, step.s1.v, step.s2.v};
}

// Register r's next inputs, as soon as its outputs are in: stage 2r takes stage 2r - 1's
// output (or `next`, a pair, for r = 0) and stage 2r + 1 stage 2r's. Moving each register's
// inputs on right after its own step keeps only one step's outputs alive at a time, so the
// running values of eight stages stay in AVX2's sixteen registers.
template <int R>
TOLVANE_PIPE_STEP void moveOn(Registers<R>& g, __m128d next, const __m256d* out, int r) {
    g.x[r] = r == 0 ? _mm256_permute2f128_pd(_mm256_castpd128_pd256(next), out[0], 0x20)
                    : _mm256_permute2f128_pd(out[r - 1], out[r], 0x21);
}

// One step: every stage on its sample, then the outputs moved on. With `Partial`, only
// the stages in `active` keep their new states, and those not in `fresh` use the
// coefficients of the samples in flight.
template <class M, int R, bool Partial>
TOLVANE_PIPE_STEP void step(Registers<R>& g, const Coefficients& c, __m128d next,
                            const typename M::Mask* active, const typename M::Mask* fresh,
                            __m256d* out) {
#pragma GCC unroll 4
    for (int r = 0; r < R; ++r) {
        __m256d k[kFieldCount];
#pragma GCC unroll 5
        for (int f = 0; f < kFieldCount; ++f) {
            const __m256d present = _mm256_loadu_pd(c.present[f] + 4 * r);
            k[f] =
                Partial ? M::pick(fresh[r], present, _mm256_loadu_pd(c.kept[f] + 4 * r)) : present;
        }
        const StagePair p = runStagePair(k, g.x[r], g.s1[r], g.s2[r]);
        out[r] = p.out;
        if constexpr (Partial) {
            g.s1[r] = M::pick(active[r], p.s1, g.s1[r]);
            g.s2[r] = M::pick(active[r], p.s2, g.s2[r]);
        } else {
            g.s1[r] = p.s1;
            g.s2[r] = p.s2;
        }
        moveOn<R>(g, next, out, r);
    }
}

// Step J of a call that finds the pipeline full: every stage has a sample, those up to
// stage J one of this call (present coefficients), the others one in flight (kept). Only
// the register holding stages J and J + 1 (J even) mixes the two sets.
template <int R, int J>
TOLVANE_PIPE_STEP void switchStep(Registers<R>& g, const Coefficients& c, __m128d next,
                                  __m256d* out) {
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
        moveOn<R>(g, next, out, r);
    }
}

// The last stage's output pair (stage `Last`) from a step's outputs.
template <int Last> TOLVANE_PIPE_STEP __m128d lastStage(const __m256d* out) {
    const __m256d v = out[Last / 2];
    return Last % 2 == 0 ? _mm256_castpd256_pd128(v) : _mm256_extractf128_pd(v, 1);
}

TOLVANE_AVX2_LANE __m128d pairAt(const float* left, const float* right, int i) {
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
TOLVANE_PIPE_STEP void switchFrom(Registers<(N + 1) / 2>& g, const Coefficients& k,
                                  const CallInputs& in, const DetectorTerms& terms,
                                  DetectorState& d, StereoPair* y) {
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

// Step J of a call that finds the pipeline empty (the usual case at a block's start):
// stages up to J have a sample of this call, the others are idle and keep their states.
// Only the registers with a stage at work run, and in the one whose upper stage is still
// idle only the lower stage's states move. Nothing comes out before step N - 1.
template <int N, int J>
TOLVANE_PIPE_STEP void fillFrom(Registers<(N + 1) / 2>& g, const Coefficients& c,
                                const CallInputs& in, const DetectorTerms& terms,
                                DetectorState& d) {
    constexpr int R = (N + 1) / 2;
    if constexpr (J < N - 1) {
        if (J >= in.detectFrom) {
            stepDetector(terms, d, in.detectorInputs[J]);
        }
        constexpr int busy = J / 2 + 1; // registers holding stages 0..J
        const __m128d next = J + 1 < in.count ? pairAt(in.left, in.right, J + 1) : _mm_setzero_pd();
        __m256d out[R];
#pragma GCC unroll 4
        for (int r = 0; r < busy; ++r) {
            __m256d k[kFieldCount];
#pragma GCC unroll 5
            for (int f = 0; f < kFieldCount; ++f) {
                k[f] = _mm256_loadu_pd(c.present[f] + 4 * r);
            }
            const StagePair p = runStagePair(k, g.x[r], g.s1[r], g.s2[r]);
            out[r] = p.out;
            if (2 * r + 1 > J) { // the upper stage is idle: its lanes (2-3) keep their states
                g.s1[r] = _mm256_blend_pd(p.s1, g.s1[r], 0xC);
                g.s2[r] = _mm256_blend_pd(p.s2, g.s2[r], 0xC);
            } else {
                g.s1[r] = p.s1;
                g.s2[r] = p.s2;
            }
            moveOn<R>(g, next, out, r);
        }
        if constexpr (busy < R) { // the next register's lower stage may start next step
            g.x[busy] = _mm256_permute2f128_pd(out[busy - 1], out[busy - 1], 0x21);
        }
        fillFrom<N, J + 1>(g, c, in, terms, d);
    }
}

// Stage s works on sample j - s of this call at step j (negative: a sample in flight; the
// newest `fresh` of those are on the present coefficients, the others on the kept ones).
// The steps before `last` may find stages idle (the pipeline was not full) or on a sample
// in flight; from step `last` on, every stage has a sample of this call.
template <class M, int N>
TOLVANE_PIPE_STEP std::int32_t runPipe(SkewedCascade& p, Cascade& c, const DetectorTerms& terms,
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
    M::detectorInputs(left, right, n, inputs);
    std::int32_t emitted = 0;
    std::int32_t j = 0;
    const CallInputs call{left, right, n, detectFrom, inputs};
    if (inFlight == last && onPresent == 0 && n >= last) { // the usual case: a tick, full
        switchFrom<N, 0>(g, k, call, terms, d, y);
        emitted = last;
        j = last;
    } else if (inFlight == 0 && n >= last) { // the usual start of a block
        fillFrom<N, 0>(g, k, call, terms, d);
        j = last;
    }
    for (; j < std::min(last, n); ++j) {
        typename M::Mask active[R], fresh[R];
        for (int r = 0; r < R; ++r) {
            active[r] = M::stageLanes(0, j + inFlight, r);
            fresh[r] = M::stageLanes(0, j + onPresent, r);
        }
        if (j >= detectFrom) {
            stepDetector(terms, d, inputs[j]);
        }
        __m256d out[R];
        const __m128d next = j + 1 < n ? pairAt(left, right, j + 1) : _mm_setzero_pd();
        step<M, R, true>(g, k, next, active, fresh, out);
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
        step<M, R, false>(g, k, next, nullptr, nullptr, out);
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

// Step J of draining a full pipeline (the usual case at a block's end): stages J + 1 on
// still have a sample, stages up to J are done and keep their states. Registers whose two
// stages are both done are skipped, and in the one whose lower stage is done only the upper
// stage's states move. The samples in flight are on the kept coefficients, except with
// Fresh the newest (a one-sample run after a tick, as at the end of 64-frame blocks), which
// is at stage J + 1.
template <int N, int J, bool Fresh>
TOLVANE_PIPE_STEP void drainFullFrom(Registers<(N + 1) / 2>& g, const Coefficients& c,
                                     StereoPair* y) {
    constexpr int R = (N + 1) / 2;
    if constexpr (J < N - 1) {
        constexpr int first = (J + 1) / 2; // the first register with a stage still at work
        __m256d out[R];
#pragma GCC unroll 4
        for (int r = first; r < R; ++r) {
            __m256d k[kFieldCount];
#pragma GCC unroll 5
            for (int f = 0; f < kFieldCount; ++f) {
                k[f] = _mm256_loadu_pd(c.kept[f] + 4 * r);
                if (Fresh && r == first) { // stage J + 1: lanes 0-1 if even, 2-3 if odd
                    k[f] = _mm256_blend_pd(k[f], _mm256_loadu_pd(c.present[f] + 4 * r),
                                           (J + 1) % 2 == 0 ? 0x3 : 0xC);
                }
            }
            const StagePair p = runStagePair(k, g.x[r], g.s1[r], g.s2[r]);
            out[r] = p.out;
            if (2 * r == J) { // the lower stage is done: its lanes (0-1) keep their states
                g.s1[r] = _mm256_blend_pd(p.s1, g.s1[r], 0x3);
                g.s2[r] = _mm256_blend_pd(p.s2, g.s2[r], 0x3);
            } else {
                g.s1[r] = p.s1;
                g.s2[r] = p.s2;
            }
            // The first register's lower stage is done at the next step too: its input
            // does not matter, only the upper stage's (this register's own output).
            g.x[r] = _mm256_permute2f128_pd(r == first ? p.out : out[r - 1], p.out, 0x21);
        }
        y[J].v = lastStage<N - 1>(out);
        drainFullFrom<N, J + 1, Fresh>(g, c, y);
    }
}

// The samples in flight through the stages they have still to pass: at step j stage s
// works on the sample s - j steps back, if that is one of them.
template <class M, int N>
TOLVANE_PIPE_STEP std::int32_t drainPipe(SkewedCascade& p, Cascade& c, StereoPair* y) noexcept {
    constexpr int R = (N + 1) / 2;
    constexpr int count = N;
    constexpr int last = N - 1;
    const int inFlight = p.inFlight;
    Registers<R> g;
    Coefficients k;
    take<R>(g, k, p, c, count);
    const int fresh = p.fresh;
    std::int32_t emitted = 0;
    const bool full = inFlight == last && (fresh == 0 || fresh == 1);
    if (full) {
        if (fresh == 0) {
            drainFullFrom<N, 0, false>(g, k, y);
        } else {
            drainFullFrom<N, 0, true>(g, k, y);
        }
        emitted = last;
    }
    for (int j = 0; !full && j < last; ++j) {
        // Stage s has the sample s - j places back from the newest in flight.
        typename M::Mask active[R], present[R];
        for (int r = 0; r < R; ++r) {
            active[r] = M::stageLanes(j + 1, j + inFlight, r);
            present[r] = M::stageLanes(0, j + fresh, r);
        }
        __m256d out[R];
        step<M, R, true>(g, k, _mm_setzero_pd(), active, present, out);
        if (last - inFlight <= j) {
            y[emitted++].v = lastStage<last>(out);
        }
    }
    p.inFlight = 0;
    p.fresh = 0;
    give<R>(g, p, c, count, true);
    return emitted;
}

// The per-stage-count entries of one instruction set's kernel record.
template <class M> struct PipeRunners {
    using Run = std::int32_t (*)(SkewedCascade&, Cascade&, const DetectorTerms&, DetectorState&,
                                 std::int32_t, const float*, const float*, std::int32_t,
                                 StereoPair*) noexcept;
    using Drain = std::int32_t (*)(SkewedCascade&, Cascade&, StereoPair*) noexcept;
    Run runs[SkewedCascade::kMaxStages];
    Drain drains[SkewedCascade::kMaxStages];
};

inline bool start(SkewedCascade& pipe, const Cascade& cascade) noexcept {
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

template <class M>
inline std::int32_t run(const PipeRunners<M>& runners, SkewedCascade& pipe, Cascade& cascade,
                        const DetectorTerms& terms, DetectorState& detector,
                        std::int32_t detectFrom, const float* left, const float* right,
                        std::int32_t count, StereoPair* y) noexcept {
    if (count < 1 || count > kMaxRun || pipe.stages < 1) {
        return 0; // never happens: runs are at most kMaxRun samples
    }
    return runners.runs[pipe.stages - 1](pipe, cascade, terms, detector, detectFrom, left, right,
                                         count, y);
}

template <class M>
inline std::int32_t drain(const PipeRunners<M>& runners, SkewedCascade& pipe, Cascade& cascade,
                          StereoPair* y) noexcept {
    if (pipe.inFlight < 1 || pipe.stages < 1) {
        return 0;
    }
    return runners.drains[pipe.stages - 1](pipe, cascade, y);
}

} // namespace skewed_pipe

#pragma GCC diagnostic pop
