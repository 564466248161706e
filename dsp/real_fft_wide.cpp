#include "dsp/real_fft_wide.h"

#if TOLVANE_SSE2
#include <immintrin.h>

#define TOLVANE_WIDE [[gnu::target("avx2,fma")]]

TOLVANE_WIDE void laterStagesWide(double* re, double* im, const double* wRe, const double* wIm,
                                  int half) noexcept {
    for (int h = 4; h < half; h <<= 1) {
        for (int s = 0; s < half; s += 2 * h) {
            for (int j = 0; j < h; j += 4) {
                const __m256d wr = _mm256_loadu_pd(wRe + j), wi = _mm256_loadu_pd(wIm + j);
                double* ar = re + s + j;
                double* ai = im + s + j;
                const __m256d ur = _mm256_loadu_pd(ar), ui = _mm256_loadu_pd(ai);
                const __m256d xr = _mm256_loadu_pd(ar + h), xi = _mm256_loadu_pd(ai + h);
                const __m256d vr = _mm256_fmsub_pd(xr, wr, _mm256_mul_pd(xi, wi));
                const __m256d vi = _mm256_fmadd_pd(xr, wi, _mm256_mul_pd(xi, wr));
                _mm256_storeu_pd(ar, _mm256_add_pd(ur, vr));
                _mm256_storeu_pd(ai, _mm256_add_pd(ui, vi));
                _mm256_storeu_pd(ar + h, _mm256_sub_pd(ur, vr));
                _mm256_storeu_pd(ai + h, _mm256_sub_pd(ui, vi));
            }
        }
        wRe += h;
        wIm += h;
    }
}

namespace {

// The four values ending at p, in reverse order: p[0], p[-1], p[-2], p[-3].
TOLVANE_WIDE inline __m256d loadReversed(const double* p) {
    return _mm256_permute4x64_pd(_mm256_loadu_pd(p - 3), _MM_SHUFFLE(0, 1, 2, 3));
}

} // namespace

TOLVANE_WIDE void splitPowersWide(const double* re, const double* im, const double* splitRe,
                                  const double* splitIm, int half, double* power) noexcept {
    const __m256d h = _mm256_set1_pd(0.5);
    int k = 1;
    for (; k + 3 < half; k += 4) {
        const __m256d zr = _mm256_loadu_pd(re + k), zi = _mm256_loadu_pd(im + k);
        const __m256d cr = loadReversed(re + half - k);
        const __m256d ci = _mm256_sub_pd(_mm256_setzero_pd(), loadReversed(im + half - k));
        const __m256d er = _mm256_mul_pd(h, _mm256_add_pd(zr, cr));
        const __m256d ei = _mm256_mul_pd(h, _mm256_add_pd(zi, ci));
        const __m256d orr = _mm256_mul_pd(h, _mm256_sub_pd(zi, ci));
        const __m256d oi = _mm256_mul_pd(_mm256_set1_pd(-0.5), _mm256_sub_pd(zr, cr));
        const __m256d wr = _mm256_loadu_pd(splitRe + k), wi = _mm256_loadu_pd(splitIm + k);
        const __m256d xr = _mm256_add_pd(er, _mm256_fmsub_pd(orr, wr, _mm256_mul_pd(oi, wi)));
        const __m256d xi = _mm256_add_pd(ei, _mm256_fmadd_pd(orr, wi, _mm256_mul_pd(oi, wr)));
        _mm256_storeu_pd(power + k, _mm256_fmadd_pd(xr, xr, _mm256_mul_pd(xi, xi)));
    }
    for (; k < half; ++k) {
        const double zr = re[k], zi = im[k];
        const double cr = re[half - k], ci = -im[half - k];
        const double er = 0.5 * (zr + cr), ei = 0.5 * (zi + ci);
        const double orr = 0.5 * (zi - ci), oi = -0.5 * (zr - cr);
        const double xr = er + (orr * splitRe[k] - oi * splitIm[k]);
        const double xi = ei + (orr * splitIm[k] + oi * splitRe[k]);
        power[k] = xr * xr + xi * xi;
    }
}

namespace {

// log10PositivePair (fast_math.h) on four lanes with fused steps.
TOLVANE_WIDE inline __m256d log10Wide(__m256d x) {
    const __m256i bits = _mm256_castpd_si256(x);
    const __m256i mantissaBits =
        _mm256_or_si256(_mm256_and_si256(bits, _mm256_set1_epi64x(0x000FFFFFFFFFFFFFll)),
                        _mm256_set1_epi64x(0x3FF0000000000000ll));
    __m256d m = _mm256_castsi256_pd(mantissaBits);
    const __m256d twoTo52 = _mm256_set1_pd(4503599627370496.0);
    const __m256d biased =
        _mm256_sub_pd(_mm256_castsi256_pd(_mm256_or_si256(_mm256_srli_epi64(bits, 52),
                                                          _mm256_castpd_si256(twoTo52))),
                      twoTo52);
    const __m256d high = _mm256_cmp_pd(_mm256_set1_pd(1.4142135623730951), m, _CMP_LT_OQ);
    m = _mm256_blendv_pd(m, _mm256_mul_pd(m, _mm256_set1_pd(0.5)), high);
    const __m256d exponent = _mm256_add_pd(_mm256_sub_pd(biased, _mm256_set1_pd(1023.0)),
                                           _mm256_and_pd(high, _mm256_set1_pd(1.0)));
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d t = _mm256_div_pd(_mm256_sub_pd(m, one), _mm256_add_pd(m, one));
    const __m256d t2 = _mm256_mul_pd(t, t);
    __m256d series = _mm256_fmadd_pd(t2, _mm256_set1_pd(1.0 / 13.0), _mm256_set1_pd(1.0 / 11));
    series = _mm256_fmadd_pd(t2, series, _mm256_set1_pd(1.0 / 9));
    series = _mm256_fmadd_pd(t2, series, _mm256_set1_pd(1.0 / 7));
    series = _mm256_fmadd_pd(t2, series, _mm256_set1_pd(1.0 / 5));
    series = _mm256_fmadd_pd(t2, series, _mm256_set1_pd(1.0 / 3));
    series = _mm256_fmadd_pd(t2, series, one);
    const __m256d ln = _mm256_fmadd_pd(exponent, _mm256_set1_pd(0.6931471805599453),
                                       _mm256_mul_pd(_mm256_add_pd(t, t), series));
    return _mm256_mul_pd(ln, _mm256_set1_pd(0.4342944819032518));
}

} // namespace

TOLVANE_WIDE int levelsWide(double* power, int count, double binScaleDb) noexcept {
    const __m256d floorPower = _mm256_set1_pd(1e-10);
    int k = 0;
    for (; k + 3 < count; k += 4) {
        const __m256d p = _mm256_loadu_pd(power + k);
        const __m256d level =
            _mm256_fmadd_pd(_mm256_set1_pd(10.0), log10Wide(_mm256_max_pd(p, floorPower)),
                            _mm256_set1_pd(binScaleDb));
        const __m256d rounded = _mm256_cvtps_pd(_mm256_cvtpd_ps(level)); // single precision
        const __m256d loud = _mm256_cmp_pd(floorPower, p, _CMP_LT_OQ);
        _mm256_storeu_pd(power + k, _mm256_blendv_pd(_mm256_set1_pd(-80.0), rounded, loud));
    }
    return k;
}
#endif
