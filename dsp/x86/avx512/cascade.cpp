// The cascade on processors with AVX-512: the AVX2 kernel's fused steps, in the same
// order, so the two give identical results. The difference is where the running values
// live. AVX-512 doubles the register file, which holds the states of up to eight stages and
// the detector's running values for a whole run: each sample's recursions then go from
// register to register instead of through a store and a reload, which otherwise adds the
// store-forwarding delay to every stage's feedback loop.
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx512/avx512.h"
#include "dsp/x86/avx512/lanes.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

namespace avx512 {

namespace {

// At most this many stages keep their states in registers at once; longer cascades are
// run a group of stages at a time over the whole run, through the output buffer.
constexpr std::size_t kGroup = 8;

// The first group takes at most this many samples per call (the audio path's runs are no
// longer), so the detector's inputs fit a small local array.
constexpr std::int32_t kMaxRun = 32;

template <std::size_t N> struct GroupStates { std::array<FusedPair, N> s1, s2; };

template <std::size_t N>
TOLVANE_REGISTER_FILE [[gnu::always_inline]] inline GroupStates<N>
takeStates(const CascadeStage* k) {
    GroupStates<N> g;
#pragma GCC unroll 8
    for (std::size_t s = 0; s < N; ++s) {
        g.s1[s].v = k[s].s1.v;
        g.s2[s].v = k[s].s2.v;
    }
    return g;
}

template <std::size_t N>
TOLVANE_REGISTER_FILE [[gnu::always_inline]] inline void giveStates(CascadeStage* k,
                                                                    const GroupStates<N>& g) {
#pragma GCC unroll 8
    for (std::size_t s = 0; s < N; ++s) {
        k[s].s1.v = g.s1[s].v;
        k[s].s2.v = g.s2[s].v;
    }
}

// One sample through the group's stages: the AVX2 kernel's fused stage, term for term.
template <std::size_t N>
TOLVANE_REGISTER_FILE [[gnu::always_inline]] inline __m128d
runStages(const CascadeStage* k, GroupStates<N>& g, __m128d x) {
    FusedPair v{x};
#pragma GCC unroll 8
    for (std::size_t s = 0; s < N; ++s) {
        const StageStep<FusedPair> step = biquadStep(fusedCoefficients(k[s]), v, g.s1[s], g.s2[s]);
        g.s1[s] = step.s1;
        g.s2[s] = step.s2;
        v = step.y;
    }
    return v.v;
}

// The first group, straight from the input, with the detector steps in between.
template <std::size_t N>
TOLVANE_REGISTER_FILE std::int32_t
runFirstGroup(CascadeStage* k, const DetectorTerms& terms, DetectorState& detector,
              std::int32_t detectFrom, const float* left, const float* right, StereoPair* y,
              std::int32_t count, double saneLimit) noexcept {
    const __m128d limit = _mm_set1_pd(saneLimit);
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    GroupStates<N> g = takeStates<N>(k);
    DetectorState d = detector;
    double inputs[kMaxRun];
    const std::int32_t span = std::min(count, kMaxRun); // callers never ask for more
    avx2::detectorInputs(left, right, span, inputs);
    std::int32_t i = 0;
    for (; i < span; ++i) {
        const __m128d x = _mm_set_pd(right[i], left[i]);
        // "Not less or equal" is also true for NaN, which must leave the fast path too.
        if (_mm_movemask_pd(_mm_cmpnle_pd(_mm_and_pd(x, magnitude), limit)) != 0) {
            break;
        }
        if (i >= detectFrom) {
            stepDetector(terms, d, inputs[i]);
        }
        y[i].v = runStages<N>(k, g, x);
    }
    giveStates<N>(k, g);
    detector = d;
    return i;
}

// A later group, over the outputs of the groups before it.
template <std::size_t N>
TOLVANE_REGISTER_FILE void runLaterGroup(CascadeStage* k, StereoPair* y,
                                         std::int32_t count) noexcept {
    GroupStates<N> g = takeStates<N>(k);
    for (std::int32_t i = 0; i < count; ++i) {
        y[i].v = runStages<N>(k, g, y[i].v);
    }
    giveStates<N>(k, g);
}

using FirstGroup = std::int32_t (*)(CascadeStage*, const DetectorTerms&, DetectorState&,
                                    std::int32_t, const float*, const float*, StereoPair*,
                                    std::int32_t, double) noexcept;
using LaterGroup = void (*)(CascadeStage*, StereoPair*, std::int32_t) noexcept;

template <std::size_t... N> constexpr auto firstGroups(std::index_sequence<N...>) {
    return std::array<FirstGroup, sizeof...(N)>{&runFirstGroup<N>...};
}
template <std::size_t... N> constexpr auto laterGroups(std::index_sequence<N...>) {
    return std::array<LaterGroup, sizeof...(N)>{&runLaterGroup<N>...};
}

// Indexed by the group's stage count, 0 to kGroup.
constexpr auto kFirstGroups = firstGroups(std::make_index_sequence<kGroup + 1>{});
constexpr auto kLaterGroups = laterGroups(std::make_index_sequence<kGroup + 1>{});

} // namespace

std::int32_t cascadeRun(Cascade& cascade, const DetectorTerms& terms, DetectorState& detector,
                        std::int32_t detectFrom, const float* left, const float* right,
                        StereoPair* y, std::int32_t count, double saneLimit) noexcept {
    const std::size_t stages = std::min(cascade.count, cascade.stages.size());
    const std::size_t first = std::min(stages, kGroup);
    CascadeStage* k = cascade.stages.data();
    std::int32_t done = 0;
    while (done < count) {
        const std::int32_t span = std::min(count - done, kMaxRun);
        const std::int32_t taken =
            kFirstGroups[first](k, terms, detector, detectFrom - done, left + done, right + done,
                                y + done, span, saneLimit);
        for (std::size_t s = first; s < stages; s += kGroup) {
            kLaterGroups[std::min(stages - s, kGroup)](k + s, y + done, taken);
        }
        done += taken;
        if (taken < span) {
            break; // stopped before a sample that is not sane
        }
    }
    return done;
}

} // namespace avx512
