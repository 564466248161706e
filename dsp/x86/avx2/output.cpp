// The output stage with the limiter engaged on processors with AVX2 and FMA: four frames at
// once, their left channels in one 256-bit register and their right ones in another, the
// formula of formulas.h with fused multiply-adds and one division for each frame's two
// channels (trimAndLimitBoth); within the float output's rounding of the baseline. Every
// sane frame takes the fused form (a run's last few as part of its last four), every checked
// one the baseline's one-value form, so how the frames are grouped never shows in the
// output: the AVX-512 kernel, eight frames at a time, writes the same bits.
#include "dsp/generic/generic.h"
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx2/lanes.h"

#include <algorithm>
#include <cstring>

namespace avx2 {

namespace {

// Frames q0..q3 of `y`: each frame's pair comes in with a 128-bit load of its own. The pairs
// were often stored one at a time just before (the skewed cascade's outputs), and a wider
// load spanning several of those stores could not take its value from them: it would wait
// until they reach the cache. Pairing frames 0 with 2 and 1 with 3 also leaves the channels
// in frame order after the unpacks, so the stores need no shuffle.
TOLVANE_AVX2 void finishFour(const StereoPair* y, int q0, int q1, int q2, int q3,
                             const OutputLanes<Lanes4>& k, float* left, float* right) noexcept {
    const __m256d a = _mm256_insertf128_pd(_mm256_castpd128_pd256(y[q0].v), y[q2].v, 1);
    const __m256d b = _mm256_insertf128_pd(_mm256_castpd128_pd256(y[q1].v), y[q3].v, 1);
    const LimitedBoth<Lanes4> out =
        trimAndLimitBoth(Lanes4{_mm256_unpacklo_pd(a, b)}, Lanes4{_mm256_unpackhi_pd(a, b)}, k);
    _mm_storeu_ps(left, _mm256_cvtpd_ps(out.a.v));
    _mm_storeu_ps(right, _mm256_cvtpd_ps(out.b.v));
}

} // namespace

// Eight flags per load: most runs have no checked frame at all.
void finishChecked(const StereoPair* y, const bool* checked, std::int32_t count,
                   const OutputLanes<double>& settings, float* left, float* right) noexcept {
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
                generic::finishRun(y + i, checked + i, 1, settings, left + i, right + i);
            }
        }
    }
}

TOLVANE_AVX2 void finishRun(const StereoPair* y, const bool* checked, std::int32_t count,
                            const OutputLanes<double>& one, float* left, float* right) noexcept {
    const OutputLanes<Lanes4> settings = outputLanesFrom<Lanes4>(one);
    std::int32_t i = 0;
    for (; i + 3 < count; i += 4) {
        finishFour(y, i, i + 1, i + 2, i + 3, settings, left + i, right + i);
    }
    if (i < count && count >= 4) {
        // The last four frames again: each lane's result depends on its own frame alone, so
        // the frames done twice get the same values.
        const std::int32_t from = count - 4;
        finishFour(y, from, from + 1, from + 2, from + 3, settings, left + from, right + from);
    } else if (i < count) {
        // Fewer than four in all: the last frame stands in for the missing ones.
        const auto at = [count](std::int32_t q) { return std::min(q, count - 1); };
        float l[4], r[4];
        finishFour(y, 0, at(1), at(2), at(3), settings, l, r);
        std::copy_n(l, count, left);
        std::copy_n(r, count, right);
    }
    finishChecked(y, checked, count, one, left, right);
}

} // namespace avx2
