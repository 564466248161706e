// The output stage with the limiter engaged on processors with AVX-512: eight frames at
// once, their left channels in one 512-bit register and their right ones in another. Lane
// for lane the same operations, in the same order and with the same fused steps, as the
// AVX2 kernel, sane frames in the fused form and checked ones in the one-value form alike,
// so the two give identical results; this one issues half as many instructions.
#include "dsp/generic/generic.h"
#include "dsp/x86/avx512/avx512.h"
#include "dsp/x86/avx512/lanes.h"

#include <algorithm>

namespace avx512 {

namespace {

TOLVANE_AVX512 void finishEight(const StereoPair* y, const OutputLanes<Lanes8>& k, float* left,
                                float* right) noexcept {
    const __m512d a = _mm512_loadu_pd(reinterpret_cast<const double*>(y));     // L0 R0 .. R3
    const __m512d b = _mm512_loadu_pd(reinterpret_cast<const double*>(y + 4)); // L4 R4 .. R7
    const __m512i lefts = _mm512_setr_epi64(0, 2, 4, 6, 8, 10, 12, 14);
    const __m512i rights = _mm512_setr_epi64(1, 3, 5, 7, 9, 11, 13, 15);
    const Lanes8 l = trimAndLimit(Lanes8{_mm512_permutex2var_pd(a, lefts, b)}, k);
    const Lanes8 r = trimAndLimit(Lanes8{_mm512_permutex2var_pd(a, rights, b)}, k);
    _mm256_storeu_ps(left, _mm512_cvtpd_ps(l.v));
    _mm256_storeu_ps(right, _mm512_cvtpd_ps(r.v));
}

} // namespace

TOLVANE_AVX512 void finishRun(const StereoPair* y, const bool* checked, std::int32_t count,
                              double trim, double limiter, float* left, float* right) noexcept {
    // The run's settings in every lane, worked out once before the loop (GCC leaves the
    // broadcasts in the loop otherwise, on the shuffle port the conversions need too).
    const OutputLanes<Lanes8> settings = outputLanes<Lanes8>(trim, limiter);
    std::int32_t i = 0;
    for (; i + 7 < count; i += 8) {
        finishEight(y + i, settings, left + i, right + i);
    }
    if (i < count) {
        const std::int32_t rest = count - i;
        StereoPair in[8] = {};
        float l[8], r[8];
        std::copy_n(y + i, rest, in);
        finishEight(in, settings, l, r);
        std::copy_n(l, rest, left + i);
        std::copy_n(r, rest, right + i);
    }
    for (std::int32_t j = 0; j < count; ++j) { // a channel may be infinite or not a number
        if (checked[j]) {
            generic::finishRun(y + j, checked + j, 1, trim, limiter, left + j, right + j);
        }
    }
}

} // namespace avx512
