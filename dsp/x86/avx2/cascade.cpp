// The cascade on processors with AVX2 and FMA: the stage of formulas.h with each
// multiply-add fused into one rounding. That is up to half a unit in the last place closer
// to the exact result per operation, not bit-identical to the baseline; both stay far
// inside the engine's tolerance against its reference (tests run both). The stages run
// skewed (run_skewed.h), two per 256-bit register; sixteen registers hold the states and
// inputs of up to four such registers, eight stages, at once.
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx2/lanes.h"
#include "dsp/x86/avx2/run_skewed.h"
#include "dsp/x86/avx2/stage_masks.h"

namespace avx2 {

namespace {

struct TwoStages {
    using V = __m256d;
    using Lanes = Lanes4;
    using Pair = __m128d;
    static constexpr int kLanes = 4;
    static constexpr int kStages = 2;
    static constexpr bool kCoefficientsHeld = false;
    static constexpr int kMaxRegisters = 4;

    TOLVANE_AVX2_LANE static V load(const double* p) { return _mm256_load_pd(p); }
    TOLVANE_AVX2_LANE static void store(double* p, V v) { _mm256_store_pd(p, v); }
    TOLVANE_AVX2_LANE static V zero() { return _mm256_setzero_pd(); }
    TOLVANE_AVX2_LANE static V fromPairs(const Pair* pairs) {
        return _mm256_set_m128d(pairs[1], pairs[0]);
    }
    TOLVANE_AVX2_LANE static Pair zeroPair() { return _mm_setzero_pd(); }
    // The first register's inputs: the new sample for its lower stage, its own lower
    // stage's last output for the upper one.
    TOLVANE_AVX2_LANE static V firstInput(V own, Pair sample) {
        return _mm256_permute2f128_pd(_mm256_castpd128_pd256(sample), own, 0x20);
    }
    // Another register's: the register before it's upper stage, then its own lower one.
    TOLVANE_AVX2_LANE static V nextInput(V own, V before) {
        return _mm256_permute2f128_pd(before, own, 0x21);
    }
    TOLVANE_AVX2_LANE static StereoPair lastOutput(V v) {
        return StereoPair{_mm256_extractf128_pd(v, 1)};
    }
    TOLVANE_AVX2_LANE static V stagesWithin(int r, int low, int high) {
        return stagePairLanes(low, high, r);
    }
    TOLVANE_AVX2_LANE static V pick(V mask, V fresh, V old) {
        return _mm256_blendv_pd(old, fresh, mask);
    }
    // Stage pair Q of a register from `p`, and to `p`.
    template <int Q> TOLVANE_AVX2_LANE static void restore(V& v, const double* p) {
        v = _mm256_blend_pd(v, _mm256_broadcast_pd(reinterpret_cast<const __m128d*>(p)),
                            Q == 0 ? 0x3 : 0xC);
    }
    template <int Q> TOLVANE_AVX2_LANE static void capture(double* p, V v) {
        _mm_store_pd(p, Q == 0 ? _mm256_castpd256_pd128(v) : _mm256_extractf128_pd(v, 1));
    }
};

using Layout = skewed_run::GroupLayout<TwoStages>;

// GCC's straight-line vectorizer would pack the detector's running values into one wide
// register and put lane moves on their recursions.
#define TOLVANE_AVX2_SCALAR_STATE                                                                  \
    [[gnu::target("avx2,fma"), gnu::optimize("no-tree-slp-vectorize"), gnu::flatten]]

template <int R>
TOLVANE_AVX2_SCALAR_STATE void firstGroup(Layout& c, const float* left, const float* right, int n,
                                          StereoPair* y, const DetectorTerms& terms,
                                          DetectorState& detector, int detectFrom,
                                          const double* inputs) noexcept {
    skewed_run::firstGroup<TwoStages, R>(c, left, right, n, y, terms, detector, detectFrom, inputs);
}

template <int R> TOLVANE_AVX2 void laterGroup(Layout& c, StereoPair* y, int n) noexcept {
    skewed_run::laterGroup<TwoStages, R>(c, y, n);
}

constexpr skewed_run::GroupRunners<TwoStages> kRunners{
    {nullptr, firstGroup<1>, firstGroup<2>, firstGroup<3>, firstGroup<4>},
    {nullptr, laterGroup<1>, laterGroup<2>, laterGroup<3>, laterGroup<4>}};

} // namespace

TOLVANE_AVX2_SCALAR_STATE std::int32_t cascadeRun(Cascade& cascade, const DetectorTerms& terms,
                                                  DetectorState& detector, std::int32_t detectFrom,
                                                  const float* left, const float* right,
                                                  StereoPair* y, std::int32_t count,
                                                  double saneLimit) noexcept {
    return skewed_run::cascadeRun(kRunners, detectorInputs, cascade, terms, detector, detectFrom,
                                  left, right, y, count, saneLimit);
}

} // namespace avx2
