// The skewed cascade (x86/avx2/skewed_pipe.h) on processors with AVX-512: its partial steps
// pick lanes with mask registers, and the larger register file keeps the detector's running
// values in registers beside the stages'.
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx2/skewed_pipe.h"
#include "dsp/x86/avx512/avx512.h"
#include "dsp/x86/avx512/lanes.h"

namespace avx512 {

namespace {

#define TOLVANE_MASK_LANE [[gnu::target("avx512f,avx512vl,avx2,fma")]] inline

struct MaskRegisters {
    using Mask = __mmask8;
    // Lanes of register r whose stage s satisfies low <= s <= high.
    TOLVANE_MASK_LANE static __mmask8 stageLanes(int low, int high, int r) {
        unsigned lanes = 0;
        if (low <= 2 * r && 2 * r <= high) {
            lanes |= 0x3;
        }
        if (low <= 2 * r + 1 && 2 * r + 1 <= high) {
            lanes |= 0xC;
        }
        return static_cast<__mmask8>(lanes);
    }
    TOLVANE_MASK_LANE static __m256d pick(__mmask8 lanes, __m256d fresh, __m256d old) {
        return _mm256_mask_mov_pd(old, lanes, fresh);
    }
    static void detectorInputs(const float* left, const float* right, std::int32_t count,
                               double* inputs) noexcept {
        avx2::detectorInputs(left, right, count, inputs);
    }
};

template <int N>
TOLVANE_REGISTER_FILE std::int32_t runPipe(SkewedCascade& p, Cascade& c, const DetectorTerms& terms,
                                           DetectorState& detector, std::int32_t detectFrom,
                                           const float* left, const float* right, std::int32_t n,
                                           StereoPair* y) noexcept {
    return skewed_pipe::runPipe<MaskRegisters, N>(p, c, terms, detector, detectFrom, left, right, n,
                                                  y);
}

template <int N>
TOLVANE_REGISTER_FILE std::int32_t drainPipe(SkewedCascade& p, Cascade& c, StereoPair* y) noexcept {
    return skewed_pipe::drainPipe<MaskRegisters, N>(p, c, y);
}

constexpr skewed_pipe::PipeRunners<MaskRegisters> kPipes{
    {runPipe<1>, runPipe<2>, runPipe<3>, runPipe<4>, runPipe<5>, runPipe<6>, runPipe<7>,
     runPipe<8>},
    {drainPipe<1>, drainPipe<2>, drainPipe<3>, drainPipe<4>, drainPipe<5>, drainPipe<6>,
     drainPipe<7>, drainPipe<8>}};

} // namespace

bool startSkewed(SkewedCascade& pipe, const Cascade& cascade) noexcept {
    return skewed_pipe::start(pipe, cascade);
}

std::int32_t runSkewed(SkewedCascade& pipe, Cascade& cascade, const DetectorTerms& terms,
                       DetectorState& detector, std::int32_t detectFrom, const float* left,
                       const float* right, std::int32_t count, StereoPair* y) noexcept {
    return skewed_pipe::run(kPipes, pipe, cascade, terms, detector, detectFrom, left, right, count,
                            y);
}

std::int32_t drainSkewed(SkewedCascade& pipe, Cascade& cascade, StereoPair* y) noexcept {
    return skewed_pipe::drain(kPipes, pipe, cascade, y);
}

} // namespace avx512
