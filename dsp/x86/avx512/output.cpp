// The output stage with the limiter engaged on processors with AVX-512: eight frames at once
// (their left channels in one 512-bit register, their right ones in another). Lane for lane
// the same operations, in the same order, with the same fused steps and the same channels
// sharing a division, as the AVX2 kernel, sane frames in the fused form and checked ones in
// the one-value form alike, so the two give identical results.
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx512/avx512.h"
#include "dsp/x86/avx512/lanes.h"

namespace avx512 {

namespace {

// Eight frames: their left channels in one register and their right ones in another, in
// the order 0 4 1 5 2 6 3 7 (the unpacks work within 128-bit quarters), each frame's two
// channels sharing a division as in the AVX2 kernel, so lane for lane the same operations.
TOLVANE_AVX512 void finishEight(const StereoPair* y, const OutputLanes<Lanes8>& k, float* left,
                                float* right) noexcept {
    const __m512d a = _mm512_loadu_pd(reinterpret_cast<const double*>(y));     // L0 R0 .. L3 R3
    const __m512d b = _mm512_loadu_pd(reinterpret_cast<const double*>(y + 4)); // L4 R4 .. L7 R7
    const LimitedBoth<Lanes8> out =
        trimAndLimitBoth(Lanes8{_mm512_unpacklo_pd(a, b)}, Lanes8{_mm512_unpackhi_pd(a, b)}, k);
    const __m256i frames = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    _mm256_storeu_ps(left, _mm256_permutevar8x32_ps(_mm512_cvtpd_ps(out.a.v), frames));
    _mm256_storeu_ps(right, _mm256_permutevar8x32_ps(_mm512_cvtpd_ps(out.b.v), frames));
}

} // namespace

TOLVANE_AVX512 void finishRun(const StereoPair* y, const bool* checked, std::int32_t count,
                              const OutputLanes<double>& one, float* left, float* right) noexcept {
    if (count < 8) {
        avx2::finishRun(y, checked, count, one, left, right); // the same bits
        return;
    }
    // The run's settings in every lane, worked out once before the loop (GCC leaves the
    // broadcasts in the loop otherwise, on the shuffle port the conversions need too).
    const OutputLanes<Lanes8> settings = outputLanesFrom<Lanes8>(one);
    std::int32_t i = 0;
    for (; i + 7 < count; i += 8) {
        finishEight(y + i, settings, left + i, right + i);
    }
    if (i < count) {
        // The last eight frames again: each lane's result depends on its own frame alone,
        // so the frames done twice get the same values. (A padded copy on the stack would
        // be read back by wide loads spanning several narrower stores, which wait for the
        // cache.)
        finishEight(y + count - 8, settings, left + count - 8, right + count - 8);
    }
    avx2::finishChecked(y, checked, count, one, left, right);
}

} // namespace avx512
