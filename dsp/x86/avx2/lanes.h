// Lane types for processors with AVX2 and FMA: a stereo pair (128 bits) and two of them
// (256 bits), with the operations of lanes.h; mulAdd, negMulAdd and mulSub are fused (one
// rounding). Each operation carries the instruction set as its own target, so the shared
// formulas (formulas.h) take it on when they are inlined into a kernel with that target:
// kernels are TOLVANE_AVX2 (or wider) and flattened, which inlines every call they make.
#pragma once

#include "dsp/cascade.h"
#include "dsp/formulas.h"
#include "dsp/lanes.h"
#include "dsp/stereo_pair.h"

#include <immintrin.h>

#define TOLVANE_AVX2_LANE [[gnu::target("avx2,fma")]] inline
#define TOLVANE_AVX2 [[gnu::target("avx2,fma"), gnu::flatten]]
// Plain AVX2: for the kernels that must not fuse their multiply-adds.
#define TOLVANE_AVX2_UNFUSED [[gnu::target("avx2"), gnu::flatten]]

// Both channels of a sample.
struct FusedPair {
    __m128d v;
};
TOLVANE_LANE_ARITHMETIC(FusedPair, TOLVANE_AVX2_LANE, _mm_)
TOLVANE_LANE_FUSED(FusedPair, TOLVANE_AVX2_LANE, _mm_)
// A stage's coefficients as the fused kernels take them.
TOLVANE_AVX2_LANE StageCoefficients<FusedPair> fusedCoefficients(const CascadeStage& k) {
    return {{k.b0.v}, {k.b1.v}, {k.b2.v}, {k.a1.v}, {k.a2.v}};
}

// Four doubles: two samples' pairs, four bins, or two stages' pairs.
struct Lanes4 {
    __m256d v;
};
TOLVANE_LANE_ARITHMETIC(Lanes4, TOLVANE_AVX2_LANE, _mm256_)
TOLVANE_LANE_FUSED(Lanes4, TOLVANE_AVX2_LANE, _mm256_)
TOLVANE_LANE_SIGNS(Lanes4, TOLVANE_AVX2_LANE, _mm256_, _mm256_andnot_pd, _mm256_and_pd,
                   _mm256_or_pd)
// Each lane all ones or all zeros.
struct Mask4 {
    __m256d v;
};
TOLVANE_LANE_MASK(Lanes4, Mask4, TOLVANE_AVX2_LANE, _mm256_cmp_pd(a.v, b.v, _CMP_LT_OQ),
                  _mm256_blendv_pd(b.v, a.v, m.v), _mm256_movemask_pd(m.v) != 0)
TOLVANE_AVX2_LANE PowerOfTwo<Lanes4> nearestPowerOfTwo(Lanes4 t) {
    const __m128i n32 = _mm256_cvtpd_epi32(t.v); // ties to even
    const __m256i exponent = _mm256_add_epi64(_mm256_cvtepi32_epi64(n32), _mm256_set1_epi64x(1023));
    return {{_mm256_cvtepi32_pd(n32)}, {_mm256_castsi256_pd(_mm256_slli_epi64(exponent, 52))}};
}
