#include "dsp/cascade_wide.h"

#if TOLVANE_SSE2
#include <immintrin.h>

[[gnu::target("avx2,fma")]] std::int32_t
runCascadeWide(Cascade& cascade, const Engine& engine, DetectorState& detector,
               std::int32_t detectFrom, const float* left, const float* right, StereoPair* y,
               std::int32_t count, double saneLimit) noexcept {
    const __m128d limit = _mm_set1_pd(saneLimit);
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    const std::size_t stages = cascade.count;
    for (std::int32_t i = 0; i < count; ++i) {
        __m128d x = _mm_set_pd(right[i], left[i]);
        // "Not less or equal" is also true for NaN, which must leave the fast path too.
        if (_mm_movemask_pd(_mm_cmpnle_pd(_mm_and_pd(x, magnitude), limit)) != 0) {
            return i;
        }
        if (i >= detectFrom) {
            runDetector(engine, detector, left[i], right[i]);
        }
        for (std::size_t s = 0; s < stages; ++s) {
            CascadeStage& k = cascade.stages[s];
            const __m128d out = _mm_fmadd_pd(k.b0.v, x, k.s1.v);
            const __m128d s2 = _mm_fnmadd_pd(k.a2.v, out, _mm_mul_pd(k.b2.v, x));
            k.s1.v = _mm_fnmadd_pd(k.a1.v, out, _mm_fmadd_pd(k.b1.v, x, k.s2.v));
            k.s2.v = s2;
            x = out;
        }
        y[i].v = x;
    }
    return count;
}
#endif
