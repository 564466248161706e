// The output stage with the limiter engaged on processors with AVX-512: four frames at once
// (both channels of each, eight lanes). Lane for lane the same operations, in the same order
// and with the same fused steps, as the AVX2 kernel, sane frames in the fused form and
// checked ones in the one-value form alike, so the two give identical results.
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx512/avx512.h"
#include "dsp/x86/avx512/lanes.h"

#include <algorithm>

namespace avx512 {

namespace {

// Four frames as they lie (L0 R0 .. L3 R3): every lane is independent, so only the
// converted results need sorting into channels, one permutation for both.
TOLVANE_AVX512 void finishFour(const StereoPair* y, const OutputLanes<Lanes8>& k, float* left,
                               float* right) noexcept {
    const __m256i channels = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    const Lanes8 out = trimAndLimit(Lanes8{_mm512_loadu_pd(reinterpret_cast<const double*>(y))}, k);
    const __m256 f = _mm256_permutevar8x32_ps(_mm512_cvtpd_ps(out.v), channels);
    _mm_storeu_ps(left, _mm256_castps256_ps128(f));
    _mm_storeu_ps(right, _mm256_extractf128_ps(f, 1));
}

} // namespace

TOLVANE_AVX512 void finishRun(const StereoPair* y, const bool* checked, std::int32_t count,
                              double trim, double limiter, float* left, float* right) noexcept {
    // The run's settings in every lane, worked out once before the loop (GCC leaves the
    // broadcasts in the loop otherwise, on the shuffle port the conversions need too).
    const OutputLanes<Lanes8> settings = outputLanes<Lanes8>(trim, limiter);
    std::int32_t i = 0;
    for (; i + 3 < count; i += 4) {
        finishFour(y + i, settings, left + i, right + i);
    }
    if (i < count) {
        const std::int32_t rest = count - i;
        StereoPair in[4] = {};
        float l[4], r[4];
        std::copy_n(y + i, rest, in);
        finishFour(in, settings, l, r);
        std::copy_n(l, rest, left + i);
        std::copy_n(r, rest, right + i);
    }
    avx2::finishChecked(y, checked, count, trim, limiter, left, right);
}

} // namespace avx512
