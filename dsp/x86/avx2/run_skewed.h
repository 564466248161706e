// The cascade run skewed: a run of samples goes through the stages a group at a time, and
// within a group every register holds several stages (both channels of each) that work on
// successive samples: at step j stage s takes sample j - s. The stages of one register are
// then independent of each other within the step, so one instruction does the work of
// several stages, and a step's registers are independent too, which fills the multiply-add
// ports that the plain cascade leaves waiting on its recursion. The group fills at the
// run's start and empties at its end (those steps leave the stages outside the run alone),
// so nothing stays in flight between calls and the coefficients of a run are those of the
// plain cascade throughout. Per lane the arithmetic is the fused stage of formulas.h, so
// every result is bit for bit that of the plain fused cascade (avx2/cascade.cpp before).
//
// The register width comes as a policy: two stages per 256-bit register for AVX2 (sixteen
// registers: up to four per group, states and inputs in registers), four per 512-bit
// register for AVX-512 (thirty-two registers).
#pragma once

#include "dsp/cascade.h"
#include "dsp/detector.h"
#include "dsp/formulas.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

// The templates below take their instruction set from the policy's operations and are
// always inlined into the kernels that carry it; GCC's warning about passing wide vectors
// between functions without it concerns calls that never happen.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace skewed_run {

constexpr int kFieldCount = 5; // b0, b1, b2, a1, a2
// A padding stage past the group's end passes its input through unchanged (b0 = 1 and
// zero states give y = x exactly) and its states stay zero while its inputs are finite.
constexpr double kPassThrough[kFieldCount] = {1.0, 0.0, 0.0, 0.0, 0.0};

// One group's coefficients and states laid out as the registers take them: lane pair q of
// register r is stage r * P::kStages + q of the group.
template <class P> struct GroupLayout {
    static constexpr int kDoubles = P::kMaxRegisters * P::kLanes;
    alignas(64) double k[kFieldCount][kDoubles];
    alignas(64) double s1[kDoubles];
    alignas(64) double s2[kDoubles];
};

// `count` stages of `stages` into the first `registers` registers, padded. Each register's
// lanes are put together first and stored whole: the kernel loads them whole right after,
// and a load can take its value from one earlier store of the same width, not from several
// narrower ones (it would wait for them to reach the cache).
template <class P>
inline void packGroup(GroupLayout<P>& g, const CascadeStage* stages, int count,
                      int registers) noexcept {
    for (int r = 0; r < registers; ++r) {
        __m128d pairs[kFieldCount + 2][P::kStages];
        for (int q = 0; q < P::kStages; ++q) {
            const int s = r * P::kStages + q;
            const bool real = s < count;
            const CascadeStage& stage = stages[real ? s : 0];
            pairs[0][q] = real ? stage.b0.v : _mm_set1_pd(kPassThrough[0]);
            pairs[1][q] = real ? stage.b1.v : _mm_set1_pd(kPassThrough[1]);
            pairs[2][q] = real ? stage.b2.v : _mm_set1_pd(kPassThrough[2]);
            pairs[3][q] = real ? stage.a1.v : _mm_set1_pd(kPassThrough[3]);
            pairs[4][q] = real ? stage.a2.v : _mm_set1_pd(kPassThrough[4]);
            pairs[5][q] = real ? stage.s1.v : _mm_setzero_pd();
            pairs[6][q] = real ? stage.s2.v : _mm_setzero_pd();
        }
        const int lane = r * P::kLanes;
        for (int f = 0; f < kFieldCount; ++f) {
            P::store(g.k[f] + lane, P::fromPairs(pairs[f]));
        }
        P::store(g.s1 + lane, P::fromPairs(pairs[5]));
        P::store(g.s2 + lane, P::fromPairs(pairs[6]));
    }
}

template <class P>
inline void unpackStates(const GroupLayout<P>& g, CascadeStage* stages, int count) noexcept {
    for (int s = 0; s < count; ++s) {
        stages[s].s1.v = _mm_load_pd(&g.s1[2 * s]);
        stages[s].s2.v = _mm_load_pd(&g.s2[2 * s]);
    }
}

// The running values of a group in registers: states, and each register's outputs of the
// last step (the next step's inputs are made from them). With `Held`, the coefficients too,
// where the register file has room for them (AVX-512 without the detector's values): as
// operands from memory they take a load with every multiply-add.
template <class P, int R, bool Held> struct Registers {
    typename P::V s1[R], s2[R], out[R];
    typename P::V k[kFieldCount][Held ? R : 1];
};

// One step of registers From..To (the others hold no stage at work: they keep their
// values). Registers go from the last to the first, so each reads the outputs of the
// register before it from the previous step before they are replaced. With `Edge`, only
// the lanes of stages whose sample lies inside the run, [low, high] in stage numbers,
// take their new states.
template <class P, int R, bool Edge, int From = 0, int To = R - 1, bool Held>
[[gnu::always_inline]] inline void step(Registers<P, R, Held>& g, const GroupLayout<P>& c,
                                        typename P::Pair input, int low, int high) {
    using V = typename P::V;
    using L = typename P::Lanes;
#pragma GCC unroll 8
    for (int r = To; r >= From; --r) {
        const V x = r == 0 ? P::firstInput(g.out[0], input) : P::nextInput(g.out[r], g.out[r - 1]);
        const int lane = r * P::kLanes;
        typename P::V held[kFieldCount];
#pragma GCC unroll 5
        for (int f = 0; f < kFieldCount; ++f) {
            if constexpr (Held) {
                held[f] = g.k[f][r];
            } else {
                held[f] = P::load(c.k[f] + lane);
            }
        }
        const StageCoefficients<L> k{{held[0]}, {held[1]}, {held[2]}, {held[3]}, {held[4]}};
        const StageStep<L> s = biquadStep(k, L{x}, L{g.s1[r]}, L{g.s2[r]});
        g.out[r] = s.y.v;
        if constexpr (Edge) {
            const auto active = P::stagesWithin(r, low, high);
            g.s1[r] = P::pick(active, s.s1.v, g.s1[r]);
            g.s2[r] = P::pick(active, s.s2.v, g.s2[r]);
        } else {
            g.s1[r] = s.s1.v;
            g.s2[r] = s.s2.v;
        }
    }
}

template <class P, int R, bool Held>
inline void loadRegisters(Registers<P, R, Held>& g, const GroupLayout<P>& c) {
#pragma GCC unroll 8
    for (int r = 0; r < R; ++r) {
        g.s1[r] = P::load(c.s1 + r * P::kLanes);
        g.s2[r] = P::load(c.s2 + r * P::kLanes);
        g.out[r] = P::zero();
        if constexpr (Held) {
            for (int f = 0; f < kFieldCount; ++f) {
                g.k[f][r] = P::load(c.k[f] + r * P::kLanes);
            }
        }
    }
}

// Whether a group's coefficients stay in registers: where the instruction set has room for
// them beside the states, and the steps between leave it (the detector's running values
// would take it).
template <class P, class PerSample> constexpr bool holdsCoefficients() {
    return P::kCoefficientsHeld && !PerSample::kKeepsValues;
}

// A run shorter than the pipeline: every step masks the stages outside it.
template <class P, int R, class Input, class PerSample>
[[gnu::always_inline]] inline void runShort(GroupLayout<P>& c, const Input& in, int n,
                                            StereoPair* y, PerSample& perSample) {
    constexpr int kLast = R * P::kStages - 1;
    Registers<P, R, holdsCoefficients<P, PerSample>()> g;
    loadRegisters(g, c);
    for (int j = 0; j < n + kLast; ++j) {
        if (j < n) {
            perSample(j);
        }
        step<P, R, true>(g, c, j < n ? in(j) : P::zeroPair(), j - n + 1, j);
        if (j >= kLast) {
            y[j - kLast] = P::lastOutput(g.out[R - 1]);
        }
    }
#pragma GCC unroll 8
    for (int r = 0; r < R; ++r) {
        P::store(c.s1 + r * P::kLanes, g.s1[r]);
        P::store(c.s2 + r * P::kLanes, g.s2[r]);
    }
}

// The group's running values and what it reads and writes during one run.
template <class P, class G, class Input, class PerSample> struct Pass {
    G& g;
    GroupLayout<P>& c;
    const Input& in;
    StereoPair* y;
    PerSample& perSample;
};

// Filling, step J: stage J's states afresh from the layout just before its first sample.
// Registers past stage J's have no stage at work yet and sit the step out.
template <class P, int R, int J, class Pass> [[gnu::always_inline]] inline void fillFrom(Pass& p) {
    constexpr int kLast = R * P::kStages - 1;
    if constexpr (J <= kLast) {
        constexpr int r = J / P::kStages;
        P::template restore<J % P::kStages>(p.g.s1[r], p.c.s1 + 2 * J);
        P::template restore<J % P::kStages>(p.g.s2[r], p.c.s2 + 2 * J);
        p.perSample(J);
        step<P, R, false, 0, r>(p.g, p.c, p.in(J), 0, 0);
        if constexpr (J == kLast) {
            p.y[0] = P::lastOutput(p.g.out[R - 1]);
        }
        fillFrom<P, R, J + 1>(p);
    }
}

// Emptying, step n + D: stage D's states to the layout just after its last sample.
// Registers up to stage D's are done once their last stage is, and sit the steps out.
template <class P, int R, int D, class Pass>
[[gnu::always_inline]] inline void emptyFrom(Pass& p, int n) {
    constexpr int kLast = R * P::kStages - 1;
    constexpr int r = D / P::kStages;
    P::template capture<D % P::kStages>(p.c.s1 + 2 * D, p.g.s1[r]);
    P::template capture<D % P::kStages>(p.c.s2 + 2 * D, p.g.s2[r]);
    if constexpr (D < kLast) {
        step<P, R, false, (D + 1) / P::kStages>(p.g, p.c, P::zeroPair(), 0, 0);
        p.y[n + D - kLast] = P::lastOutput(p.g.out[R - 1]);
        emptyFrom<P, R, D + 1>(p, n);
    }
}

// The `n` samples of `in` through one group; the last stage's outputs go to `y` (which may
// be the group's own input: an output is written only after its index has been read).
// `perSample(j)` runs once for each sample j as it enters, for the detector's steps.
//
// Every step runs every lane, so stages outside the run work on leftovers; their states
// are put right instead of masked at every step: taken afresh from the layout just before
// a stage's first sample while filling, stored to it just after its last while emptying.
template <class P, int R, class Input, class PerSample>
[[gnu::always_inline]] inline void runGroup(GroupLayout<P>& c, const Input& in, int n,
                                            StereoPair* y, PerSample& perSample) {
    constexpr int kLast = R * P::kStages - 1; // the last stage's lag behind the first
    if (n <= kLast) { // the last stage's first sample would come after the run's last
        runShort<P, R>(c, in, n, y, perSample);
        return;
    }
    using G = Registers<P, R, holdsCoefficients<P, PerSample>()>;
    G g;
    loadRegisters(g, c);
    Pass<P, G, Input, PerSample> p{g, c, in, y, perSample};
    fillFrom<P, R, 0>(p);
    for (int j = kLast + 1; j < n; ++j) { // every stage on a sample of the run
        perSample(j);
        step<P, R, false>(g, c, in(j), 0, 0);
        y[j - kLast] = P::lastOutput(g.out[R - 1]);
    }
    emptyFrom<P, R, 0>(p, n);
}

} // namespace skewed_run

namespace skewed_run {

// Each instruction set's group runners, by register count (1 to P::kMaxRegisters): the
// first group straight from the block with the detector's steps between, the later ones
// over the outputs of the groups before them.
template <class P> struct GroupRunners {
    using First = void (*)(GroupLayout<P>& c, const float* left, const float* right, int n,
                           StereoPair* y, const DetectorTerms& terms, DetectorState& detector,
                           int detectFrom, const double* inputs) noexcept;
    using Later = void (*)(GroupLayout<P>& c, StereoPair* y, int n) noexcept;
    First first[P::kMaxRegisters + 1];
    Later later[P::kMaxRegisters + 1];
};

// The samples at the start that every stage may take: both channels within `limit` ("not
// less or equal" is also true for NaN, which must leave the fast path too). Every finite
// float is within the audio path's limit, so there the test is four samples at a time.
inline int saneLength(const float* left, const float* right, int count, double limit) noexcept {
    int i = 0;
    if (limit >= std::numeric_limits<float>::max()) {
        const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
        const __m128 largest = _mm_set1_ps(std::numeric_limits<float>::max());
        for (; i + 3 < count; i += 4) {
            const __m128 l = _mm_cmpnle_ps(_mm_and_ps(_mm_loadu_ps(left + i), magnitude), largest);
            const __m128 r = _mm_cmpnle_ps(_mm_and_ps(_mm_loadu_ps(right + i), magnitude), largest);
            if (_mm_movemask_ps(_mm_or_ps(l, r)) != 0) {
                break; // the one-value test below finds which
            }
        }
    }
    for (; i < count; ++i) {
        if (!(std::fabs(static_cast<double>(left[i])) <= limit &&
              std::fabs(static_cast<double>(right[i])) <= limit)) {
            return i;
        }
    }
    return count;
}

// The groups' sizes: as few groups as the registers allow, the stages shared out evenly
// (a group's cost per step hardly depends on how full its registers are, but every group
// pays its filling and emptying steps).
struct GroupPlan {
    int groups = 0;
    int base = 0;  // stages per group
    int extra = 0; // the first `extra` groups take one more
    int size(int g) const { return base + (g < extra ? 1 : 0); }
};

template <class P> inline GroupPlan planGroups(int stages) noexcept {
    constexpr int kMost = P::kStages * P::kMaxRegisters;
    GroupPlan plan;
    plan.groups = (stages + kMost - 1) / kMost;
    if (plan.groups > 0) {
        plan.base = stages / plan.groups;
        plan.extra = stages % plan.groups;
    }
    return plan;
}

// One span of `n` sane samples (at most kMaxRun) through every group.
template <class P>
[[gnu::always_inline]] inline void runSpan(const GroupRunners<P>& run, Cascade& cascade,
                                           const DetectorTerms& terms, DetectorState& detector,
                                           int detectFrom, const float* left, const float* right,
                                           StereoPair* y, int n, const double* inputs) {
    const GroupPlan plan = planGroups<P>(static_cast<int>(cascade.count));
    if (plan.groups == 0) { // no stage: the detector alone
        for (int i = 0; i < n; ++i) {
            if (i >= detectFrom) {
                stepDetector(terms, detector, inputs[i]);
            }
            y[i] = pairOf(left[i], right[i]);
        }
        return;
    }
    GroupLayout<P> layout;
    CascadeStage* stages = cascade.stages.data();
    for (int g = 0; g < plan.groups; ++g) {
        const int count = plan.size(g);
        const int registers = (count + P::kStages - 1) / P::kStages;
        packGroup(layout, stages, count, registers);
        if (g == 0) {
            run.first[registers](layout, left, right, n, y, terms, detector, detectFrom, inputs);
        } else {
            run.later[registers](layout, y, n);
        }
        unpackStates(layout, stages, count);
        stages += count;
    }
}

// Where the first group takes its samples: the block's two channels.
struct BlockInput {
    const float* left;
    const float* right;
    [[gnu::always_inline]] __m128d operator()(int j) const {
        return _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(left + j), _mm_load_ss(right + j)));
    }
};

// Where a later group takes them: the outputs of the groups before it.
struct PairInput {
    const StereoPair* y;
    [[gnu::always_inline]] __m128d operator()(int j) const { return y[j].v; }
};

// The detector's steps of the samples from `from` on, run as they enter the first group:
// its recursions are independent of the stages', so they overlap.
struct DetectorSteps {
    const DetectorTerms& terms;
    static constexpr bool kKeepsValues = true; // the detector's, in registers
    DetectorState d;
    int from;
    const double* inputs;
    [[gnu::always_inline]] void operator()(int j) {
        if (j >= from) {
            stepDetector(terms, d, inputs[j]);
        }
    }
};

struct NoSteps {
    static constexpr bool kKeepsValues = false;
    void operator()(int) const {}
};

template <class P, int R>
[[gnu::always_inline]] inline void firstGroup(GroupLayout<P>& c, const float* left,
                                              const float* right, int n, StereoPair* y,
                                              const DetectorTerms& terms, DetectorState& detector,
                                              int detectFrom, const double* inputs) {
    DetectorSteps steps{terms, detector, detectFrom, inputs};
    runGroup<P, R>(c, BlockInput{left, right}, n, y, steps);
    detector = steps.d;
}

template <class P, int R>
[[gnu::always_inline]] inline void laterGroup(GroupLayout<P>& c, StereoPair* y, int n) {
    NoSteps none;
    runGroup<P, R>(c, PairInput{y}, n, y, none);
}

// The kernel (kernels.h, CascadeRun) for one instruction set: spans of at most kMaxRun
// sane samples, each through every group.
constexpr std::int32_t kMaxRun = 32;
using DetectorInputsOf = void(const float*, const float*, std::int32_t, double*) noexcept;

template <class P>
[[gnu::always_inline]] inline std::int32_t
cascadeRun(const GroupRunners<P>& runners, DetectorInputsOf* detectorInputs, Cascade& cascade,
           const DetectorTerms& terms, DetectorState& detector, std::int32_t detectFrom,
           const float* left, const float* right, StereoPair* y, std::int32_t count,
           double saneLimit) {
    std::int32_t done = 0;
    while (done < count) {
        const std::int32_t span = std::min(count - done, kMaxRun);
        const std::int32_t sane = saneLength(left + done, right + done, span, saneLimit);
        if (sane > 0) {
            double inputs[kMaxRun];
            detectorInputs(left + done, right + done, sane, inputs);
            runSpan(runners, cascade, terms, detector, detectFrom - done, left + done, right + done,
                    y + done, sane, inputs);
        }
        done += sane;
        if (sane < span) {
            break; // stopped before a sample that is not sane
        }
    }
    return done;
}

} // namespace skewed_run

#pragma GCC diagnostic pop
