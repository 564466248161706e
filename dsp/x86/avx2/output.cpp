// The output stage with the limiter engaged on processors with AVX2 and FMA: two sane
// samples at once (both channels of each in one 256-bit register), the formula of
// formulas.h with fused multiply-adds; within the float output's rounding of the baseline.
#include "dsp/generic/generic.h"
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx2/lanes.h"

namespace avx2 {

TOLVANE_AVX2 void finishRun(const StereoPair* y, const bool* checked, std::int32_t count,
                            double trim, double limiter, float* left, float* right) noexcept {
    const OutputLanes<Lanes4> settings = outputLanes<Lanes4>(trim, limiter);
    std::int32_t i = 0;
    for (; i + 1 < count && !checked[i] && !checked[i + 1]; i += 2) {
        const Lanes4 out = trimAndLimit(Lanes4{_mm256_set_m128d(y[i + 1].v, y[i].v)}, settings);
        const __m128 f = _mm256_cvtpd_ps(out.v);                         // L0 R0 L1 R1
        const __m128 lr = _mm_shuffle_ps(f, f, _MM_SHUFFLE(3, 1, 2, 0)); // L0 L1 R0 R1
        _mm_storel_pi(reinterpret_cast<__m64*>(left + i), lr);
        _mm_storeh_pi(reinterpret_cast<__m64*>(right + i), lr);
    }
    generic::finishRun(y + i, checked + i, count - i, trim, limiter, left + i, right + i);
}

} // namespace avx2
