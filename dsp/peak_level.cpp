#include "dsp/peak_level.h"

#include "dsp/stereo_pair.h"

#include <cmath>
#include <limits>

float peakMagnitude(const float* samples, std::int32_t count) noexcept {
    float peak = 0.0f;
    std::int32_t i = 0;
#if TOLVANE_SSE2
    // Four lanes of running maxima; a lane that is not finite is masked to 0 first. The
    // maximum does not depend on the order it is taken in, so the answer is the one-value
    // loop's below.
    const __m128 magnitudeBits = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    const __m128 largest = _mm_set1_ps(std::numeric_limits<float>::max());
    __m128 lanes = _mm_setzero_ps();
    for (; i + 3 < count; i += 4) {
        const __m128 magnitude = _mm_and_ps(_mm_loadu_ps(samples + i), magnitudeBits);
        const __m128 finite = _mm_cmple_ps(magnitude, largest);
        lanes = _mm_max_ps(lanes, _mm_and_ps(finite, magnitude));
    }
    lanes = _mm_max_ps(lanes, _mm_movehl_ps(lanes, lanes));
    lanes = _mm_max_ss(lanes, _mm_shuffle_ps(lanes, lanes, 1));
    peak = _mm_cvtss_f32(lanes);
#endif
    for (; i < count; ++i) {
        const float magnitude = std::fabs(samples[i]);
        if (magnitude > peak && magnitude <= std::numeric_limits<float>::max()) {
            peak = magnitude;
        }
    }
    return peak;
}
