// The analyser's levels on processors with AVX-512: the AVX2 kernel's logarithm (x86/avx2/
// analyser.cpp) eight bins at a time, the same operations in the same order per lane, so
// every level is the AVX2 kernel's bit for bit. Half the instructions for the same bins;
// the division, the costliest step, goes through the divider at the same rate per bin.
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx512/avx512.h"
#include "dsp/x86/avx512/lanes.h"

namespace avx512 {

namespace {

// log10FromFields (formulas.h) on eight lanes, with fused steps, as the AVX2 kernel's.
TOLVANE_AVX512_LANE __m512d log10Widest(__m512d x) {
    const __m512i bits = _mm512_castpd_si512(x);
    const __m512d m = _mm512_castsi512_pd(
        _mm512_or_si512(_mm512_and_si512(bits, _mm512_set1_epi64(0x000FFFFFFFFFFFFFll)),
                        _mm512_set1_epi64(0x3FF0000000000000ll)));
    const __m512d twoTo52 = _mm512_set1_pd(4503599627370496.0);
    const __m512d biased =
        _mm512_sub_pd(_mm512_castsi512_pd(_mm512_or_si512(_mm512_srli_epi64(bits, 52),
                                                          _mm512_castpd_si512(twoTo52))),
                      twoTo52);
    return log10FromFields(Lanes8{m}, Lanes8{biased}).v;
}

} // namespace

// The bins past the last eight go to the AVX2 kernel, which takes them as it would over the
// whole range: its groups of four start at the same bins.
TOLVANE_AVX512 void levels(double* power, int count, double binScaleDb) noexcept {
    const __m512d floorPower = _mm512_set1_pd(1e-10);
    int k = 0;
    for (; k + 7 < count; k += 8) {
        const __m512d p = _mm512_loadu_pd(power + k);
        const __m512d level =
            _mm512_fmadd_pd(_mm512_set1_pd(10.0), log10Widest(_mm512_max_pd(p, floorPower)),
                            _mm512_set1_pd(binScaleDb));
        const __m512d rounded = _mm512_cvtps_pd(_mm512_cvtpd_ps(level)); // single precision
        const __mmask8 loud = _mm512_cmp_pd_mask(floorPower, p, _CMP_LT_OQ);
        _mm512_storeu_pd(power + k, _mm512_mask_blend_pd(loud, _mm512_set1_pd(-80.0), rounded));
    }
    avx2::levels(power + k, count - k, binScaleDb);
}

} // namespace avx512
