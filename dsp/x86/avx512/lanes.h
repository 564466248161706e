// Lane types for processors with AVX-512 (F and VL): eight doubles (four samples' pairs),
// with the operations of lanes.h, fused like the AVX2 lanes (x86/avx2/lanes.h), whose
// 128- and 256-bit types these kernels use as well.
#pragma once

// GCC 12's AVX-512 intrinsics start their results from an "undefined" register, which its
// flow analysis reports as maybe uninitialized in every caller.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include "dsp/x86/avx2/lanes.h"

#include <immintrin.h>

#define TOLVANE_AVX512_LANE [[gnu::target("avx512f,avx2,fma")]] inline
#define TOLVANE_AVX512 [[gnu::target("avx512f,avx2,fma"), gnu::flatten]]

// AVX-512VL gives the 128- and 256-bit instructions sixteen more registers (and mask
// registers), enough to keep a cascade's states and the detector's running values in
// registers. The long cascades (cascade.cpp) run four stages to a 512-bit register: on
// processors with a second 512-bit multiply-add unit that is twice the lanes per cycle of
// the 256-bit form, and on those whose two 256-bit ports pair up for 512-bit work it is
// the same lanes per cycle in half the instructions. The skewed cascade of up to eight
// stages (skewed.cpp) fills 256-bit registers. The detector's running values stay separate
// scalars: GCC's straight-line vectorizer would pack them into one wide register and put
// lane moves on their recursions.
#define TOLVANE_REGISTER_FILE                                                                      \
    [[gnu::target("avx512f,avx512vl,avx2,fma"), gnu::optimize("no-tree-slp-vectorize"),            \
      gnu::flatten]]

struct Lanes8 {
    __m512d v;
};
TOLVANE_LANE_ARITHMETIC(Lanes8, TOLVANE_AVX512_LANE, _mm512_)
TOLVANE_LANE_FUSED(Lanes8, TOLVANE_AVX512_LANE, _mm512_)
// Bitwise operations on doubles through the integer forms, which need only AVX-512F.
#define TOLVANE_AVX512_BITS(name, op)                                                              \
    TOLVANE_AVX512_LANE __m512d name(__m512d a, __m512d b) {                                       \
        return _mm512_castsi512_pd(op(_mm512_castpd_si512(a), _mm512_castpd_si512(b)));            \
    }
TOLVANE_AVX512_BITS(andNotOf, _mm512_andnot_epi64) // ~a & b
TOLVANE_AVX512_BITS(andOf, _mm512_and_epi64)
TOLVANE_AVX512_BITS(orOf, _mm512_or_epi64)
TOLVANE_LANE_SIGNS(Lanes8, TOLVANE_AVX512_LANE, _mm512_, andNotOf, andOf, orOf)
// One bit per lane.
struct Mask8 {
    __mmask8 m;
};
TOLVANE_LANE_MASK(Lanes8, Mask8, TOLVANE_AVX512_LANE, _mm512_cmp_pd_mask(a.v, b.v, _CMP_LT_OQ),
                  _mm512_mask_mov_pd(b.v, m.m, a.v), m.m != 0)
TOLVANE_AVX512_LANE PowerOfTwo<Lanes8> nearestPowerOfTwo(Lanes8 t) {
    const __m256i n32 = _mm512_cvtpd_epi32(t.v); // ties to even
    const __m512i exponent = _mm512_add_epi64(_mm512_cvtepi32_epi64(n32), _mm512_set1_epi64(1023));
    return {{_mm512_cvtepi32_pd(n32)}, {_mm512_castsi512_pd(_mm512_slli_epi64(exponent, 52))}};
}
