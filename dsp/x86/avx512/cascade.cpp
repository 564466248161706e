// The cascade on processors with AVX-512: the AVX2 kernel's fused stage, run skewed the same
// way (x86/avx2/run_skewed.h) but four stages to a 512-bit register, so per lane the same
// operations in the same order and the same results, bit for bit. A step's multiply-adds
// do the work of twice as many stages as the AVX2 kernel's; groups of up to twelve stages
// keep their states, inputs and the detector's running values in the larger register file.
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx2/run_skewed.h"
#include "dsp/x86/avx512/avx512.h"
#include "dsp/x86/avx512/lanes.h"

namespace avx512 {

namespace {

constexpr __mmask8 pairMask(int q) {
    return static_cast<__mmask8>(0x3 << (2 * q));
}

struct FourStages {
    using V = __m512d;
    using Lanes = Lanes8;
    using Pair = __m128d;
    static constexpr int kLanes = 8;
    static constexpr int kStages = 4;
    static constexpr bool kCoefficientsHeld = true;
    static constexpr int kMaxRegisters = 3;

    TOLVANE_AVX512_LANE static V load(const double* p) { return _mm512_load_pd(p); }
    TOLVANE_AVX512_LANE static void store(double* p, V v) { _mm512_store_pd(p, v); }
    TOLVANE_AVX512_LANE static V zero() { return _mm512_setzero_pd(); }
    TOLVANE_AVX512_LANE static V fromPairs(const Pair* pairs) {
        return _mm512_insertf64x4(_mm512_castpd256_pd512(_mm256_set_m128d(pairs[1], pairs[0])),
                                  _mm256_set_m128d(pairs[3], pairs[2]), 1);
    }
    TOLVANE_AVX512_LANE static Pair zeroPair() { return _mm_setzero_pd(); }
    // The first register's inputs: the new sample for its first stage, its own first three
    // stages' last outputs for the others.
    TOLVANE_AVX512_LANE static V firstInput(V own, Pair sample) {
        const __m512i order = _mm512_set_epi64(13, 12, 11, 10, 9, 8, 1, 0);
        return _mm512_permutex2var_pd(_mm512_castpd128_pd512(sample), order, own);
    }
    // Another register's: the register before it's last stage, then its own first three.
    TOLVANE_AVX512_LANE static V nextInput(V own, V before) {
        return _mm512_castsi512_pd(
            _mm512_alignr_epi64(_mm512_castpd_si512(own), _mm512_castpd_si512(before), 6));
    }
    TOLVANE_AVX512_LANE static StereoPair lastOutput(V v) {
        return StereoPair{_mm256_extractf128_pd(_mm512_extractf64x4_pd(v, 1), 1)};
    }
    TOLVANE_AVX512_LANE static __mmask8 stagesWithin(int r, int low, int high) {
        unsigned bits = 0;
        for (int q = 0; q < kStages; ++q) {
            const int s = kStages * r + q;
            bits |= low <= s && s <= high ? pairMask(q) : 0u;
        }
        return static_cast<__mmask8>(bits);
    }
    TOLVANE_AVX512_LANE static V pick(__mmask8 mask, V fresh, V old) {
        return _mm512_mask_mov_pd(old, mask, fresh);
    }
    // Stage pair Q of a register from `p` (the masked load touches only its two lanes,
    // which sit 2Q doubles past the register's start), and to `p`.
    template <int Q> TOLVANE_AVX512_LANE static void restore(V& v, const double* p) {
        v = _mm512_mask_loadu_pd(v, pairMask(Q), p - 2 * Q);
    }
    template <int Q> TOLVANE_AVX512_LANE static void capture(double* p, V v) {
        _mm_store_pd(p, _mm256_extractf128_pd(_mm512_extractf64x4_pd(v, Q / 2), Q % 2));
    }
};

using Layout = skewed_run::GroupLayout<FourStages>;

template <int R>
TOLVANE_REGISTER_FILE void firstGroup(Layout& c, const float* left, const float* right, int n,
                                      StereoPair* y, const DetectorTerms& terms,
                                      DetectorState& detector, int detectFrom,
                                      const double* inputs) noexcept {
    skewed_run::firstGroup<FourStages, R>(c, left, right, n, y, terms, detector, detectFrom,
                                          inputs);
}

template <int R> TOLVANE_REGISTER_FILE void laterGroup(Layout& c, StereoPair* y, int n) noexcept {
    skewed_run::laterGroup<FourStages, R>(c, y, n);
}

constexpr skewed_run::GroupRunners<FourStages> kRunners{
    {nullptr, firstGroup<1>, firstGroup<2>, firstGroup<3>},
    {nullptr, laterGroup<1>, laterGroup<2>, laterGroup<3>}};

} // namespace

TOLVANE_REGISTER_FILE std::int32_t cascadeRun(Cascade& cascade, const DetectorTerms& terms,
                                              DetectorState& detector, std::int32_t detectFrom,
                                              const float* left, const float* right, StereoPair* y,
                                              std::int32_t count, double saneLimit) noexcept {
    return skewed_run::cascadeRun(kRunners, avx2::detectorInputs, cascade, terms, detector,
                                  detectFrom, left, right, y, count, saneLimit);
}

} // namespace avx512
