// The output stage with the limiter engaged on processors with AVX2 and FMA: four frames at
// once, their left channels in one 256-bit register and their right ones in another, the
// formula of formulas.h with fused multiply-adds and one division for each frame's two
// channels (trimAndLimitBoth); within the float output's rounding of the baseline. Every
// sane frame takes the fused form (the run's last few through a padded copy), every checked
// one the baseline's one-value form, so how the frames are grouped never shows in the
// output: the AVX-512 kernel, eight frames at a time, writes the same bits.
#include "dsp/generic/generic.h"
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx2/lanes.h"

#include <algorithm>
#include <cstring>

namespace avx2 {

namespace {

TOLVANE_AVX2 void finishFour(const StereoPair* y, const OutputLanes<Lanes4>& k, float* left,
                             float* right) noexcept {
    const __m256d a = _mm256_loadu_pd(reinterpret_cast<const double*>(y));     // L0 R0 L1 R1
    const __m256d b = _mm256_loadu_pd(reinterpret_cast<const double*>(y + 2)); // L2 R2 L3 R3
    const LimitedBoth<Lanes4> out =
        trimAndLimitBoth(Lanes4{_mm256_unpacklo_pd(a, b)}, Lanes4{_mm256_unpackhi_pd(a, b)}, k);
    const __m128 l = _mm256_cvtpd_ps(out.a.v);
    const __m128 r = _mm256_cvtpd_ps(out.b.v);
    // Both hold frames 0 2 1 3.
    _mm_storeu_ps(left, _mm_shuffle_ps(l, l, _MM_SHUFFLE(3, 1, 2, 0)));
    _mm_storeu_ps(right, _mm_shuffle_ps(r, r, _MM_SHUFFLE(3, 1, 2, 0)));
}

} // namespace

// Eight flags per load: most runs have no checked frame at all.
void finishChecked(const StereoPair* y, const bool* checked, std::int32_t count, double trim,
                   double limiter, float* left, float* right) noexcept {
    for (std::int32_t j = 0; j < count; j += 8) {
        const std::int32_t end = std::min(j + 8, count);
        if (end - j == 8) {
            std::uint64_t flags;
            std::memcpy(&flags, checked + j, sizeof flags);
            if (flags == 0) {
                continue;
            }
        }
        for (std::int32_t i = j; i < end; ++i) {
            if (checked[i]) {
                generic::finishRun(y + i, checked + i, 1, trim, limiter, left + i, right + i);
            }
        }
    }
}

TOLVANE_AVX2 void finishRun(const StereoPair* y, const bool* checked, std::int32_t count,
                            double trim, double limiter, float* left, float* right) noexcept {
    const OutputLanes<Lanes4> settings = outputLanes<Lanes4>(trim, limiter);
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
    finishChecked(y, checked, count, trim, limiter, left, right);
}

} // namespace avx2
