#include "dsp/detector_inputs.h"

#include "dsp/detector.h"

#if TOLVANE_SSE2
#include <immintrin.h>

[[gnu::target("avx2")]] void detectorInputsWide(const float* left, const float* right,
                                                std::int32_t count, double* inputs) noexcept {
    std::int32_t i = 0;
    const __m256 magnitude = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
    for (; i + 7 < count; i += 8) {
        const __m256 l = _mm256_and_ps(_mm256_loadu_ps(left + i), magnitude);
        const __m256 r = _mm256_and_ps(_mm256_loadu_ps(right + i), magnitude);
        const __m256 m = _mm256_max_ps(l, r);
        // "Less than" is false for NaN as well as for the absurdly large.
        const __m256 sane = _mm256_cmp_ps(m, _mm256_set1_ps(1000000.0f), _CMP_LT_OQ);
        const __m256 in = _mm256_and_ps(sane, m);
        _mm256_storeu_pd(inputs + i, _mm256_cvtps_pd(_mm256_castps256_ps128(in)));
        _mm256_storeu_pd(inputs + i + 4, _mm256_cvtps_pd(_mm256_extractf128_ps(in, 1)));
    }
    for (; i < count; ++i) {
        inputs[i] = detectorInput(left[i], right[i]);
    }
}
#endif
