// The analyser's levels on processors with AVX-512: the AVX2 kernel's logarithm (x86/avx2/
// analyser.cpp) eight bins at a time, the same operations in the same order per lane, so
// every level is the AVX2 kernel's bit for bit. Half the instructions for the same bins;
// the division, the costliest step, goes through the divider at the same rate per bin.
#include "dsp/spectrum_levels.h"
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx512/avx512.h"
#include "dsp/x86/avx512/lanes.h"

namespace avx512 {

namespace {

// log10Parts (formulas.h) of eight lanes, from their bits, as the AVX2 kernel's.
TOLVANE_AVX512_LANE Log10Parts<Lanes8> log10PartsWidest(Lanes8 x) {
    const __m512i bits = _mm512_castpd_si512(x.v);
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

// Eight bins per step (spectrum_levels.h).
struct WidestLanes {
    using V = Lanes8;
    static constexpr int kWidth = 8;
    TOLVANE_AVX512_LANE static Lanes8 load(const double* p) { return {_mm512_loadu_pd(p)}; }
    TOLVANE_AVX512_LANE static void store(double* p, Lanes8 v) { _mm512_storeu_pd(p, v.v); }
    TOLVANE_AVX512_LANE static Log10Parts<Lanes8> parts(Lanes8 x) { return log10PartsWidest(x); }
    TOLVANE_AVX512_LANE static Lanes8 singlePrecision(Lanes8 x) {
        return {_mm512_cvtps_pd(_mm512_cvtpd_ps(x.v))};
    }
};

} // namespace

// The bins past the last eight go to the AVX2 kernel, which takes them as it would over the
// whole range: its groups of four start at the same bins.
TOLVANE_AVX512 void levels(double* power, int count, double binScaleDb) noexcept {
    const int done = spectrum_levels::inTwoPasses<WidestLanes>(power, count, binScaleDb);
    avx2::levels(power + done, count - done, binScaleDb);
}

} // namespace avx512
