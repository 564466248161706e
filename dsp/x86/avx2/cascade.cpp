// The cascade on processors with AVX2 and FMA: the stage of formulas.h with each
// multiply-add fused into one rounding. That is up to half a unit in the last place closer
// to the exact result per operation, not bit-identical to the baseline; both stay far
// inside the engine's tolerance against its reference (tests run both).
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx2/lanes.h"

namespace avx2 {

TOLVANE_AVX2 std::int32_t cascadeRun(Cascade& cascade, const DetectorTerms& terms,
                                     DetectorState& detector, std::int32_t detectFrom,
                                     const float* left, const float* right, StereoPair* y,
                                     std::int32_t count, double saneLimit) noexcept {
    const __m128d limit = _mm_set1_pd(saneLimit);
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    const std::size_t stages = cascade.count;
    for (std::int32_t i = 0; i < count; ++i) {
        FusedPair x{_mm_set_pd(right[i], left[i])};
        // "Not less or equal" is also true for NaN, which must leave the fast path too.
        if (_mm_movemask_pd(_mm_cmpnle_pd(_mm_and_pd(x.v, magnitude), limit)) != 0) {
            return i;
        }
        if (i >= detectFrom) {
            stepDetector(terms, detector, detectorInput(left[i], right[i]));
        }
        for (std::size_t s = 0; s < stages; ++s) {
            CascadeStage& k = cascade.stages[s];
            const StageStep<FusedPair> step =
                biquadStep(fusedCoefficients(k), x, FusedPair{k.s1.v}, FusedPair{k.s2.v});
            k.s1.v = step.s1.v;
            k.s2.v = step.s2.v;
            x = step.y;
        }
        y[i].v = x.v;
    }
    return count;
}

} // namespace avx2
