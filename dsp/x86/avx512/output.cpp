// The output stage with the limiter engaged on processors with AVX-512: four sane samples
// at once (both channels of each, eight lanes). Lane for lane the same operations, in the
// same order and with the same fused steps, as the AVX2 kernel, so the two give identical
// results; this one issues half as many instructions.
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx512/avx512.h"
#include "dsp/x86/avx512/lanes.h"

#include <cstring>

namespace avx512 {

namespace {

// Whether any of four flags is set, in one load rather than four.
inline bool anyOfFour(const bool* flags) {
    std::uint32_t word;
    std::memcpy(&word, flags, sizeof word);
    return word != 0;
}

} // namespace

TOLVANE_AVX512 void finishRun(const StereoPair* y, const bool* checked, std::int32_t count,
                              double trim, double limiter, float* left, float* right) noexcept {
    // Lanes L0 R0 L1 R1 L2 R2 L3 R3 of the converted output, left channel first.
    const __m256i channels = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    // The run's settings in every lane, worked out once before the loop (GCC leaves the
    // broadcasts in the loop otherwise, on the shuffle port the conversions need too).
    const OutputLanes<Lanes8> settings = outputLanes<Lanes8>(trim, limiter);
    std::int32_t i = 0;
    for (; i + 3 < count && !anyOfFour(checked + i); i += 4) {
        const Lanes8 in{_mm512_loadu_pd(reinterpret_cast<const double*>(y + i))};
        const __m256 f =
            _mm256_permutevar8x32_ps(_mm512_cvtpd_ps(trimAndLimit(in, settings).v), channels);
        _mm_storeu_ps(left + i, _mm256_castps256_ps128(f));
        _mm_storeu_ps(right + i, _mm256_extractf128_ps(f, 1));
    }
    avx2::finishRun(y + i, checked + i, count - i, trim, limiter, left + i, right + i);
}

} // namespace avx512
