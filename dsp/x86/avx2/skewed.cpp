// The skewed cascade (skewed_pipe.h) on processors with AVX2 and FMA: its partial steps pick
// lanes with all-ones masks, and its sixteen registers go to the stages' states and inputs.
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx2/skewed_pipe.h"
#include "dsp/x86/avx2/stage_masks.h"

namespace avx2 {

namespace {

struct LaneMasks {
    using Mask = __m256d;
    TOLVANE_AVX2_LANE static __m256d stageLanes(int low, int high, int r) {
        return stagePairLanes(low, high, r);
    }
    TOLVANE_AVX2_LANE static __m256d pick(__m256d lanes, __m256d fresh, __m256d old) {
        return _mm256_blendv_pd(old, fresh, lanes);
    }
    static void detectorInputs(const float* left, const float* right, std::int32_t count,
                               double* inputs) noexcept {
        avx2::detectorInputs(left, right, count, inputs);
    }
};

// GCC's straight-line vectorizer would pack the detector's running values into one wide
// register and put lane moves on their recursions.
#define TOLVANE_AVX2_PIPE                                                                          \
    [[gnu::target("avx2,fma"), gnu::optimize("no-tree-slp-vectorize"), gnu::flatten]]

template <int N>
TOLVANE_AVX2_PIPE std::int32_t runPipe(SkewedCascade& p, Cascade& c, const DetectorTerms& terms,
                                       DetectorState& detector, std::int32_t detectFrom,
                                       const float* left, const float* right, std::int32_t n,
                                       StereoPair* y) noexcept {
    return skewed_pipe::runPipe<LaneMasks, N>(p, c, terms, detector, detectFrom, left, right, n, y);
}

template <int N>
TOLVANE_AVX2_PIPE std::int32_t drainPipe(SkewedCascade& p, Cascade& c, StereoPair* y) noexcept {
    return skewed_pipe::drainPipe<LaneMasks, N>(p, c, y);
}

constexpr skewed_pipe::PipeRunners<LaneMasks> kPipes{
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

} // namespace avx2
