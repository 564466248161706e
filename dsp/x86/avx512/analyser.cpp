// The analyser's levels on processors with AVX-512: the AVX2 kernel's logarithm (x86/avx2/
// analyser.cpp) eight bins at a time, the same operations in the same order per lane, so
// every level is the AVX2 kernel's bit for bit. Half the instructions for the same bins;
// the division, the costliest step, goes through the divider at the same rate per bin.
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx512/avx512.h"
#include "dsp/x86/avx512/lanes.h"

#include <algorithm>

namespace avx512 {

namespace {

// log10Parts (formulas.h) of eight lanes, from their bits, as the AVX2 kernel's.
TOLVANE_AVX512_LANE Log10Parts<Lanes8> log10PartsWidest(__m512d x) {
    const __m512i bits = _mm512_castpd_si512(x);
    const __m512d m = _mm512_castsi512_pd(
        _mm512_or_si512(_mm512_and_si512(bits, _mm512_set1_epi64(0x000FFFFFFFFFFFFFll)),
                        _mm512_set1_epi64(0x3FF0000000000000ll)));
    const __m512d twoTo52 = _mm512_set1_pd(4503599627370496.0);
    const __m512d biased =
        _mm512_sub_pd(_mm512_castsi512_pd(_mm512_or_si512(_mm512_srli_epi64(bits, 52),
                                                          _mm512_castpd_si512(twoTo52))),
                      twoTo52);
    return log10Parts(Lanes8{m}, Lanes8{biased});
}

} // namespace

// The bins past the last eight go to the AVX2 kernel, which takes them as it would over the
// whole range: its groups of four start at the same bins.
TOLVANE_AVX512 void levels(double* power, int count, double binScaleDb) noexcept {
    constexpr int kSlice = 64; // two passes per slice, as the AVX2 kernel's
    const __m512d floorPower = _mm512_set1_pd(1e-10);
    alignas(64) double t[kSlice], exponent[kSlice];
    int k = 0;
    while (k + 7 < count) {
        const int end = k + std::min(count - k, kSlice) / 8 * 8;
        for (int i = k; i < end; i += 8) {
            const Log10Parts<Lanes8> parts =
                log10PartsWidest(_mm512_max_pd(_mm512_loadu_pd(power + i), floorPower));
            _mm512_store_pd(t + (i - k), parts.t.v);
            _mm512_store_pd(exponent + (i - k), parts.exponent.v);
        }
        for (int i = k; i < end; i += 8) {
            const Log10Parts<Lanes8> parts{{_mm512_load_pd(t + (i - k))},
                                           {_mm512_load_pd(exponent + (i - k))}};
            const __m512d level = _mm512_fmadd_pd(_mm512_set1_pd(10.0), log10FromParts(parts).v,
                                                  _mm512_set1_pd(binScaleDb));
            const __m512d rounded = _mm512_cvtps_pd(_mm512_cvtpd_ps(level)); // single precision
            const __mmask8 loud =
                _mm512_cmp_pd_mask(floorPower, _mm512_loadu_pd(power + i), _CMP_LT_OQ);
            _mm512_storeu_pd(power + i, _mm512_mask_blend_pd(loud, _mm512_set1_pd(-80.0), rounded));
        }
        k = end;
    }
    avx2::levels(power + k, count - k, binScaleDb);
}

} // namespace avx512
